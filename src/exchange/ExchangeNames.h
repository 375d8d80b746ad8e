#pragma once

#include <filesystem>
#include <string>

#include "register/Clock.h"
#include "register/ProgramConfig.h"

namespace vrklad {

// The exchange directories under ProgramDir and the fixed names in them.
inline constexpr const char* kExportDir = "Export";
inline constexpr const char* kExportArchiveDir = "ARH";  // inside Export
inline constexpr const char* kActualArchive = "ACTUAL.ARJ";
inline constexpr const char* kActualLog = "Actual.log";
inline constexpr const char* kCorrectionsLog = "Correct.log";
inline constexpr const char* kCorrectionsArchivePattern = "CORRECT_*.ARJ";

// "R_N" at a district office (other than a university); otherwise the
// register file's name without its extension. Empty when the configuration
// gives the register no name.
std::string ExchangeBaseName(const ProgramConfig& config);
// Base + ".act" and base + ".cor"; empty when the base is.
std::string ActualFileName(const ProgramConfig& config);
std::string CorrectionsFileName(const ProgramConfig& config);

// "CORRECT_YYmmDDHHMMSS.ARJ" for the moment given.
std::string CorrectionsArchiveName(const LocalDateTime& at);

// ProgramDir/Export and ProgramDir/Export/ARH.
std::filesystem::path ExportDirOf(const std::string& programDir);
std::filesystem::path ExportArchiveDirOf(const std::string& programDir);

}  // namespace vrklad
