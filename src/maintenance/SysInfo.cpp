#include "maintenance/SysInfo.h"

#include <sys/stat.h>
#include <sys/utsname.h>

#include <ctime>
#include <fstream>
#include <iterator>

#include "register/Clock.h"

namespace vrklad {
namespace {

std::string_view Trim(std::string_view s) {
    const auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r'; };
    while (!s.empty() && blank(s.front())) s.remove_prefix(1);
    while (!s.empty() && blank(s.back())) s.remove_suffix(1);
    return s;
}

// An os-release value: shell-like, in double or single quotes or bare;
// inside double quotes a backslash keeps the next character.
std::string Unquote(std::string_view value) {
    if (value.size() >= 2 && value.front() == '\'' && value.back() == '\'') {
        return std::string(value.substr(1, value.size() - 2));
    }
    if (value.size() >= 2 && value.front() == '"' && value.back() == '"') {
        value = value.substr(1, value.size() - 2);
        std::string out;
        for (size_t i = 0; i < value.size(); ++i) {
            if (value[i] == '\\' && i + 1 < value.size()) ++i;
            out += value[i];
        }
        return out;
    }
    return std::string(value);
}

std::optional<std::string> ReadText(const char* path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return std::nullopt;
    return std::string(std::istreambuf_iterator<char>(in), {});
}

}  // namespace

std::vector<std::string> SysInfoLines(const SysInfo& info) {
    std::vector<std::string> lines;
    if (info.programDate) {
        const RecordDate& d = *info.programDate;
        lines.push_back("Ver." + info.version + " от " + TwoDigits(d.day) + "." +
                        TwoDigits(d.month) + "." + std::to_string(d.year));
    }
    lines.push_back("Setup directory: \"" + info.programFile + "\"");
    if (info.systemName) {
        lines.push_back(*info.systemName + (info.machine64 ? "x64" : "x32") + " " +
                        info.kernelRelease);
    } else {
        lines.emplace_back();
    }
    return lines;
}

std::string OsReleasePrettyName(std::string_view text) {
    std::string name = "Linux";
    while (!text.empty()) {
        const size_t end = text.find('\n');
        std::string_view line = Trim(text.substr(0, end));
        text = end == std::string_view::npos ? std::string_view{} : text.substr(end + 1);
        constexpr std::string_view key = "PRETTY_NAME=";
        if (line.substr(0, key.size()) == key) name = Unquote(Trim(line.substr(key.size())));
    }
    return name;
}

bool IsMachine64(std::string_view machine) {
    return machine.find("64") != std::string_view::npos || machine == "s390x";
}

SysInfo CollectSysInfo(const std::filesystem::path& programFile) {
    SysInfo info;
    info.version = VRKLAD_VERSION;
    std::error_code ec;
    const std::filesystem::path full = std::filesystem::absolute(programFile, ec);
    info.programFile = (ec ? programFile : full).string();

    struct stat st {};
    if (!programFile.empty() && ::stat(programFile.c_str(), &st) == 0 && S_ISREG(st.st_mode)) {
        std::tm tm{};
        if (localtime_r(&st.st_mtime, &tm) != nullptr) {
            info.programDate =
                RecordDate{static_cast<uint16_t>(tm.tm_year + 1900),
                           static_cast<uint8_t>(tm.tm_mon + 1), static_cast<uint8_t>(tm.tm_mday)};
        }
    }

    // /usr/lib/os-release stands in where /etc has none.
    std::optional<std::string> osRelease = ReadText("/etc/os-release");
    if (!osRelease) osRelease = ReadText("/usr/lib/os-release");
    if (osRelease) info.systemName = OsReleasePrettyName(*osRelease);

    struct utsname uts {};
    if (::uname(&uts) == 0) {
        info.machine64 = IsMachine64(uts.machine);
        info.kernelRelease = uts.release;
    }
    return info;
}

}  // namespace vrklad
