#include "exchange/ExchangeNames.h"

namespace vrklad {

std::string ExchangeBaseName(const ProgramConfig& config) {
    if (config.DistrictMode == 1 && config.OrgType != 4) return "R_N";
    const std::string registerName = RegisterFileName(config);
    return registerName.substr(0, registerName.rfind('.'));
}

std::string ActualFileName(const ProgramConfig& config) {
    const std::string base = ExchangeBaseName(config);
    return base.empty() ? std::string() : base + ".act";
}

std::string CorrectionsFileName(const ProgramConfig& config) {
    const std::string base = ExchangeBaseName(config);
    return base.empty() ? std::string() : base + ".cor";
}

std::string CorrectionsArchiveName(const LocalDateTime& at) {
    return "CORRECT_" + TwoDigits(at.year % 100) + TwoDigits(at.month) + TwoDigits(at.day) +
           TwoDigits(at.hour) + TwoDigits(at.minute) + TwoDigits(at.second) + ".ARJ";
}

std::filesystem::path ExportDirOf(const std::string& programDir) {
    return std::filesystem::path(programDir) / kExportDir;
}

std::filesystem::path ExportArchiveDirOf(const std::string& programDir) {
    return ExportDirOf(programDir) / kExportArchiveDir;
}

}  // namespace vrklad
