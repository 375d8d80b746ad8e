#include "cli/DryRunPlan.h"

#include <algorithm>
#include <system_error>

#include "details/DetailsStore.h"

namespace vrklad {
namespace fs = std::filesystem;

namespace {

bool Listed(const std::vector<std::string>& list, const std::string& item) {
    return std::find(list.begin(), list.end(), item) != list.end();
}

bool Listed(const std::vector<size_t>& list, size_t index) {
    return std::find_if(list.begin(), list.end(), [&](size_t i) {
               return i == index || i == CliCommand::kAnyCount;
           }) != list.end();
}

bool AllDigits(const std::string& text) {
    return std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// The path as the system resolves it from the working directory: links
// followed as far as the path exists.
fs::path Resolved(const fs::path& path) {
    std::error_code ec;
    const fs::path absolute = fs::absolute(path, ec);
    if (ec) return path.lexically_normal();
    const fs::path canonical = fs::weakly_canonical(absolute, ec);
    return ec ? absolute.lexically_normal() : canonical;
}

// A file's folder resolved and its own name as given: the name may be a link
// whose name matters (an incoming file's name is its sender's code).
std::pair<fs::path, fs::path> FolderAndName(const std::string& value) {
    const fs::path given(value);
    fs::path name = given.filename();
    if (name.empty() || name == "." || name == "..") {
        const fs::path resolved = Resolved(given);
        return {resolved.parent_path(), resolved.filename()};
    }
    const fs::path folder = given.has_parent_path() ? given.parent_path() : fs::path(".");
    return {Resolved(folder), name};
}

bool IsUnder(const fs::path& path, const fs::path& folder, fs::path* relative) {
    const fs::path rel = path.lexically_relative(folder);
    if (rel.empty() || *rel.begin() == "..") return false;
    if (relative != nullptr) *relative = rel == "." ? fs::path() : rel;
    return true;
}

// The nearest folder of the path that exists, the path itself included.
fs::path NearestExisting(fs::path path) {
    std::error_code ec;
    while (!fs::is_directory(path, ec) && path.has_relative_path()) path = path.parent_path();
    return path;
}

}  // namespace

DryRunPlan::DryRunPlan(const fs::path& programDir, const CliCommand& command,
                       const CliArguments& args)
    : m_programDir(programDir.lexically_normal()), m_args(args) {
    if (m_programDir.filename().empty()) m_programDir = m_programDir.parent_path();
    m_programCanonical = Resolved(m_programDir);
    for (const auto& [option, value] : args.values) {
        const Role role = RoleOf(command, option, 0, value);
        if (role != Role::None) m_paths.push_back({option, 0, role});
    }
    for (size_t i = 0; i < args.positional.size(); ++i) {
        const Role role = RoleOf(command, "", i, args.positional[i]);
        if (role != Role::None) m_paths.push_back({"", i, role});
    }
    // Targets first: a target folder copied whole already holds an input
    // that lies in it.
    std::stable_partition(m_paths.begin(), m_paths.end(),
                          [](const PathArgument& a) { return a.role == Role::Target; });
}

DryRunPlan::Role DryRunPlan::RoleOf(const CliCommand& command, const std::string& option,
                                    size_t index, const std::string& value) const {
    if (value.empty()) return Role::None;
    if (option.empty() ? Listed(command.targetArguments, index)
                       : option == "--to" || Listed(command.targetOptions, option)) {
        return Role::Target;
    }
    if (option.empty() ? Listed(command.inputArguments, index)
                       : Listed(command.inputOptions, option)) {
        return Role::Input;
    }
    // Codes and counts are never paths.
    if (AllDigits(value)) return Role::None;
    std::error_code ec;
    const fs::file_status status = fs::status(value, ec);
    if (fs::is_regular_file(status)) return Role::Input;
    if (fs::is_directory(status)) return Role::Target;
    // A file still to be written into ProgramDir.
    if (value.find('/') != std::string::npos && InsideProgramDir(Resolved(value))) {
        return Role::Target;
    }
    return Role::None;
}

bool DryRunPlan::InsideProgramDir(const fs::path& path, fs::path* relative) const {
    return IsUnder(path, m_programCanonical, relative);
}

std::vector<fs::path> DryRunPlan::Guarded() const {
    std::vector<fs::path> folders = {m_programCanonical};
    for (const PathArgument& a : m_paths) {
        const std::string& value =
            a.option.empty() ? m_args.positional[a.index] : m_args.values.at(a.option);
        const fs::path resolved = Resolved(value);
        folders.push_back(a.role == Role::Input ? FolderAndName(value).first
                                                : NearestExisting(resolved));
    }
    return folders;
}

CliArguments DryRunPlan::Prepare(const fs::path& root, TreeCopier& copier) {
    m_root = root;
    m_programCopy = root / "prog";
    copier.CopyFolder(m_programDir, m_programCopy, true);
    CliArguments args = m_args;
    args.programDir = m_programCopy;
    for (const PathArgument& a : m_paths) {
        std::string& value = a.option.empty() ? args.positional[a.index] : args.values[a.option];
        value = a.role == Role::Input ? PrepareInput(value, copier) : PrepareTarget(value, copier);
    }
    return args;
}

std::string DryRunPlan::PrepareInput(const std::string& value, TreeCopier& copier) {
    fs::path relative;
    if (InsideProgramDir(Resolved(value), &relative)) return (m_programCopy / relative).string();
    std::error_code ec;
    if (fs::is_directory(value, ec)) return PrepareTarget(value, copier);
    // A file that is not there fails in the copy as it would here.
    if (!fs::exists(value, ec)) return value;
    const auto [folder, name] = FolderAndName(value);
    Place& place = StandIn(folder, false, copier);
    const fs::path copy = place.copy / name;
    if (!fs::exists(fs::symlink_status(copy, ec))) copier.CopyFile(folder / name, copy);
    // A sender's record file brings the details of its documents beside it.
    if (const auto details = FindDetailsFile(folder)) {
        const fs::path detailsCopy = place.copy / details->filename();
        if (!fs::exists(fs::symlink_status(detailsCopy, ec)))
            copier.CopyFile(*details, detailsCopy);
    }
    return copy.string();
}

std::string DryRunPlan::PrepareTarget(const std::string& value, TreeCopier& copier) {
    const fs::path resolved = Resolved(value);
    fs::path relative;
    if (InsideProgramDir(resolved, &relative)) return (m_programCopy / relative).string();
    std::error_code ec;
    const fs::file_status status = fs::status(resolved, ec);
    if (fs::is_directory(status)) return StandIn(resolved, true, copier).copy.string();
    if (fs::exists(status)) {
        const auto [folder, name] = FolderAndName(value);
        Place& place = StandIn(folder, false, copier);
        const fs::path copy = place.copy / name;
        if (fs::is_regular_file(status) && !fs::exists(fs::symlink_status(copy, ec))) {
            copier.CopyFile(folder / name, copy);
        }
        return copy.string();
    }
    const fs::path existing = NearestExisting(resolved);
    const Place& place = StandIn(existing, false, copier);
    return (place.copy / resolved.lexically_relative(existing)).string();
}

DryRunPlan::Place& DryRunPlan::StandIn(const fs::path& real, bool withTopLevel,
                                       TreeCopier& copier) {
    for (Place& place : m_places) {
        if (place.real == real) return place;
    }
    const fs::path holder = m_root / ("dir." + std::to_string(m_places.size() + 1));
    fs::create_directory(holder);
    const fs::path name = real.has_filename() ? real.filename() : fs::path("root");
    const fs::path copy = holder / name;
    if (withTopLevel) {
        copier.CopyFolder(real, copy, false);
    } else {
        fs::create_directory(copy);
    }
    m_places.push_back({real, copy});
    return m_places.back();
}

std::vector<std::pair<std::string, std::string>> DryRunPlan::Rewrites() const {
    std::vector<std::pair<std::string, std::string>> rewrites = {
        {m_programCopy.string(), m_programDir.string()}};
    for (const Place& place : m_places) {
        rewrites.emplace_back(place.copy.string(), place.real.string());
    }
    return rewrites;
}

}  // namespace vrklad
