#include "exchange/ExportSteps.h"

#include <system_error>
#include <vector>

#include "details/DetailsStore.h"
#include "exchange/Archiver.h"
#include "exchange/ExchangeNames.h"
#include "register/Clock.h"

namespace vrklad {

namespace fs = std::filesystem;

std::string CannotWriteText(const fs::path& path, const std::string& error) {
    return "Не удалось записать файл " + path.string() + " (" + error + ")";
}

bool SaveExchangeDates(ConfigFile& config, bool actual, Operator& op) {
    ProgramConfig& data = config.Data();
    const RecordDate oldActual = data.LastActualDate;
    const RecordDate oldExchange = data.LastExchangeDate;
    const RecordDate today = Today();
    if (actual) data.LastActualDate = today;
    data.LastExchangeDate = today;
    try {
        config.Save();
        return true;
    } catch (const ConfigError& e) {
        data.LastActualDate = oldActual;
        data.LastExchangeDate = oldExchange;
        op.Error(e.Message());
        return false;
    }
}

bool PackExport(const std::string& programDir, const std::string& archiveName,
                const std::string& recordFile, const std::string& logFile, Operator& op) {
    const std::string exportDir = std::string(kExportDir) + "/";
    std::vector<std::string> members = {exportDir + recordFile, exportDir + logFile};
    // The archiver gives up on a file that is not there; the database is
    // optional.
    std::error_code ec;
    if (fs::is_regular_file(fs::path(programDir) / kDetailsFileName, ec)) {
        members.push_back(kDetailsFileName);
    }
    const fs::path archive = ExportDirOf(programDir) / archiveName;
    const RunResult run = AddToArchive(programDir, exportDir + archiveName, members);
    if (run.started && run.exitCode == 0 && fs::is_regular_file(archive, ec)) return true;
    op.Error("Ошибка создания файла " + archive.string());
    return false;
}

}  // namespace vrklad
