#include "exchange/IncomingFile.h"

#include <strings.h>

#include "exchange/ProcessArchive.h"
#include "register/ProgramConfig.h"

namespace vrklad {

namespace fs = std::filesystem;

namespace {

constexpr const char* kTextFiles = "Текстовый файл с разделителями (txt,csv)";
constexpr const char* kTextPatterns = "*.txt;*.csv";
constexpr const char* kArchivePattern = "ACTUAL*.ARJ";

std::string OwnRegisterExtension(const ProgramConfig& config) {
    return fs::path(RegisterFileName(config)).extension().string();
}

}  // namespace

std::vector<Operator::FileFilter> LoadFileFilters(const ProgramConfig& config) {
    if (config.DistrictMode == 1) {
        return {{"Файл актуальных записей из уч. заведения ", kArchivePattern}};
    }
    switch (config.OrgType) {
        case 1:
        case 2:
        case 3:
            return {
                {kTextFiles, kTextPatterns},
                {"Импорт из файла другого учебного заведения", "*" + OwnRegisterExtension(config)}};
        case 4:
            return {{kTextFiles, kTextPatterns},
                    {"Файл актуальных записей с факутельтетов ", kArchivePattern}};
        default:
            return {};
    }
}

IncomingKind IncomingKindOf(const fs::path& path, const ProgramConfig& config) {
    const std::string ext = path.extension().string();
    if (strcasecmp(ext.c_str(), ".arj") == 0) return IncomingKind::Archive;
    const std::string own = OwnRegisterExtension(config);
    if (!own.empty() && strcasecmp(ext.c_str(), own.c_str()) == 0) return IncomingKind::RecordFile;
    return IncomingKind::Table;
}

IncomingResult ProcessIncomingFile(const fs::path& path, const std::string& programDir,
                                   RegisterFile& reg, ConfigFile& config, const Settings& settings,
                                   DetailsStore& details, RegisterIndexes& indexes, Operator& op,
                                   const ImportCallback& import) {
    switch (IncomingKindOf(path, config.Data())) {
        case IncomingKind::Archive:
            return ProcessArchive(path, programDir, reg, config, settings, details, indexes, op);
        case IncomingKind::RecordFile:
            return ProcessRecordFile(path, programDir, reg, config, settings, details, indexes, op);
        case IncomingKind::Table:
            break;
    }
    if (!import) return {};
    return import(path);
}

}  // namespace vrklad
