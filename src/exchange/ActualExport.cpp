#include "exchange/ActualExport.h"

#include <system_error>
#include <vector>

#include "exchange/ExchangeFile.h"
#include "exchange/ExchangeNames.h"
#include "exchange/ExportProtocol.h"
#include "exchange/ExportSteps.h"
#include "exchange/ExportTransfer.h"
#include "register/ChangeCodes.h"
#include "register/Clock.h"
#include "register/TextFile.h"

namespace vrklad {

namespace fs = std::filesystem;

ExportResult ExportActual(const std::string& programDir, const RegisterFile& reg,
                          ConfigFile& config, Operator& op) {
    ExportResult result;
    const ProgramConfig& cfg = config.Data();
    const std::string actualName = ActualFileName(cfg);
    const std::string correctionsName = CorrectionsFileName(cfg);
    if (actualName.empty()) {
        op.Error(
            "Не удалось определить имя файла с актуальными записями: организация не настроена");
        result.stop = ExportStop::NoFileName;
        return result;
    }
    if (!op.AskYesNo(Operator::Icon::None, "Создать файл с актуальными записями?")) {
        result.stop = ExportStop::Declined;
        return result;
    }

    const fs::path exportDir = ExportDirOf(programDir);
    const fs::path actualPath = exportDir / actualName;
    std::error_code ec;
    fs::create_directories(exportDir, ec);
    if (fs::exists(fs::symlink_status(actualPath, ec))) {
        if (!fs::remove(actualPath, ec) || ec) {
            op.Error("Ошибка удаления старого файла с актуальными записями");
            result.stop = ExportStop::WriteFailed;
            return result;
        }
    }

    const RecordDate today = Today();
    const std::vector<StudentRecord> stored = reg.ReadAll();
    std::vector<StudentRecord> records;
    records.reserve(stored.size());
    std::vector<std::string> listed;
    for (const StudentRecord& r : stored) {
        if (IsExcludedByValue(r.LastChange)) continue;
        StudentRecord& copy = records.emplace_back(r);
        copy.JuniorFlag = (cfg.OrgType == 1 && copy.KlassNumber < 9) ? 1 : 0;
        listed.push_back(ExportedRecordLine(copy));
        if (copy.DATEEND.Number() < today.Number()) ++result.expired;
    }
    result.records = static_cast<uint32_t>(records.size());

    std::string error;
    if (!WriteExchangeFile(actualPath, records, error)) {
        op.Error(CannotWriteText(actualPath, error));
        result.stop = ExportStop::WriteFailed;
        return result;
    }

    std::vector<std::string> lines = {
        ExportProtocolHeading(Now()),
        "Формирование актуальных записей БД для проведения коррекций.",
        "Количество записей в БД - " + std::to_string(result.records) + ".",
        "",
        "В файл занесены следующие записи:",
    };
    lines.insert(lines.end(), std::make_move_iterator(listed.begin()),
                 std::make_move_iterator(listed.end()));
    lines.push_back("");
    lines.push_back("Количество сформированных записей в файле " + actualName + " - " +
                    std::to_string(result.records) + ".");
    lines.push_back("Количество записей в файле БД с истекшим сроком действия льготы - " +
                    std::to_string(result.expired) + ".");
    const fs::path logPath = exportDir / kActualLog;
    if (const std::error_code logEc = WriteTextFile(logPath, lines)) {
        op.Error(CannotWriteText(logPath, logEc.message()));
        result.stop = ExportStop::WriteFailed;
        return result;
    }

    if (!SaveExchangeDates(config, true, op)) {
        result.stop = ExportStop::ConfigFailed;
        return result;
    }

    // A failing archiver is told at once: otherwise it would show only as a
    // failed move later, or not at all.
    if (!PackExport(programDir, kActualArchive, actualName, kActualLog, op)) {
        result.stop = ExportStop::ArchiveFailed;
        return result;
    }
    result.archive = exportDir / kActualArchive;

    const std::string archiveShown = (exportDir / kActualArchive).string();
    const TransferTexts texts{
        "Файл актуальных записей сформирован. Желаете выгрузить файл на сменный носитель?",
        "Выбор носителя на который будет перенесен файл актуальных записей",
        [&](const std::string& target) {
            return "Ошибка переноса файла" + archiveShown + "с актуальными записями на " + target;
        }};
    switch (
        OfferTransfer(op, result.archive, texts, exportDir / correctionsName, &result.archive)) {
        case TransferOutcome::Declined:
            result.stop = ExportStop::NotMoved;
            break;
        case TransferOutcome::Cancelled:
            result.stop = ExportStop::FolderCancelled;
            break;
        case TransferOutcome::Moved:
            result.stop = ExportStop::Moved;
            break;
        case TransferOutcome::Failed:
            result.stop = ExportStop::MoveFailed;
            break;
    }
    return result;
}

}  // namespace vrklad
