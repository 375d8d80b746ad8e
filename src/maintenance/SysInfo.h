#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "register/RecordDate.h"

namespace vrklad {

// What a backup's "SysInfo.txt" tells about the installation it came from.
struct SysInfo {
    std::string version;                    // four numbers joined by "."
    std::string programFile;                // full path, file name included
    std::optional<RecordDate> programDate;  // modification date; none when the file is not found
    std::optional<std::string> systemName;  // PRETTY_NAME of os-release; none when unreadable
    bool machine64 = false;                 // the machine's word size
    std::string kernelRelease;
};

// The lines of "SysInfo.txt": "Ver.… от dd.mm.yyyy" (left out without a
// program date), "Setup directory: "…"", then the system's name directly
// followed by "x64" or "x32", a space and the kernel release (an empty line
// when the system's name is unknown).
std::vector<std::string> SysInfoLines(const SysInfo& info);

// Gathers the facts of this machine for the given program file.
SysInfo CollectSysInfo(const std::filesystem::path& programFile);

// PRETTY_NAME from the text of an os-release file, unquoted; "Linux" when the
// file does not name one, as os-release prescribes.
std::string OsReleasePrettyName(std::string_view osRelease);

// Whether `uname -m` names a 64-bit machine.
bool IsMachine64(std::string_view machine);

}  // namespace vrklad
