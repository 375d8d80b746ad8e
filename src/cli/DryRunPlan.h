#pragma once

#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "cli/CliCommand.h"
#include "cli/CliContext.h"
#include "cli/TreeCopy.h"

namespace vrklad {

// Where a dry run puts its copies, and the command line that sends the
// command to them instead of the originals.
//
// ProgramDir is copied whole. A path argument inside it is sent to the copy.
// A folder the command writes into (a target) is copied with the files at
// its top level; a target file with nothing beside it; a target that does
// not exist yet gets an empty stand-in for its nearest existing folder, so
// that the command creates it as it would. A file the command reads (an
// input) is copied with the details database that may lie beside it into a
// stand-in of its folder: whatever the command writes beside it (the
// import's schema.ini) stays in the throwaway directory. Names, modes and
// modification times are kept.
class DryRunPlan {
public:
    // A folder outside ProgramDir and the copy that stands for it.
    struct Place {
        std::filesystem::path real;
        std::filesystem::path copy;
    };

    // `programDir` absolute. Works out which arguments are paths, and of what.
    DryRunPlan(const std::filesystem::path& programDir, const CliCommand& command,
               const CliArguments& args);

    // ProgramDir and the folders of the path arguments: the dry run's own
    // directory may lie in none of them.
    std::vector<std::filesystem::path> Guarded() const;

    // Makes the copies under `root` and gives the arguments for the command.
    CliArguments Prepare(const std::filesystem::path& root, TreeCopier& copier);

    const std::filesystem::path& ProgramDir() const { return m_programDir; }
    const std::filesystem::path& ProgramCopy() const { return m_programCopy; }
    const std::vector<Place>& Places() const { return m_places; }
    // (copy, original) for every copied folder, ProgramDir's included.
    std::vector<std::pair<std::string, std::string>> Rewrites() const;

private:
    enum class Role { None, Input, Target };
    struct PathArgument {
        std::string option;  // empty for a positional argument
        size_t index = 0;
        Role role = Role::None;
    };

    Role RoleOf(const CliCommand& command, const std::string& option, size_t index,
                const std::string& value) const;
    bool InsideProgramDir(const std::filesystem::path& path,
                          std::filesystem::path* relative = nullptr) const;
    std::string PrepareInput(const std::string& value, TreeCopier& copier);
    std::string PrepareTarget(const std::string& value, TreeCopier& copier);
    Place& StandIn(const std::filesystem::path& real, bool withTopLevel, TreeCopier& copier);

    std::filesystem::path m_programDir;
    std::filesystem::path m_programCanonical;
    CliArguments m_args;
    std::vector<PathArgument> m_paths;
    std::filesystem::path m_root;
    std::filesystem::path m_programCopy;
    std::vector<Place> m_places;
};

}  // namespace vrklad
