#include "exchange/CorrectionsExport.h"

#include <unistd.h>

#include <cerrno>
#include <string_view>
#include <system_error>
#include <unordered_set>
#include <vector>

#include "exchange/ExchangeFile.h"
#include "exchange/ExchangeNames.h"
#include "exchange/ExportProtocol.h"
#include "exchange/ExportSteps.h"
#include "exchange/ExportTransfer.h"
#include "exchange/FileCommands.h"
#include "register/ChangeCodes.h"
#include "register/Clock.h"
#include "register/FaultInjection.h"
#include "register/TextFile.h"
#include "rules/Documents.h"

namespace vrklad {

namespace fs = std::filesystem;

namespace {

std::string_view BytesOf(const StudentRecord& r) {
    return {reinterpret_cast<const char*>(&r), sizeof r};
}

// The records the pending file holds; none when there is no file.
bool ReadPending(const fs::path& path, std::vector<StudentRecord>& records, std::string& error) {
    std::error_code ec;
    if (!fs::exists(fs::symlink_status(path, ec))) return true;
    RegisterFile file;
    if (file.Open(path) != RegisterFile::OpenResult::Ok) {
        error = file.LastError();
        return false;
    }
    records = file.ReadAll();
    return true;
}

// The pending file as it was, kept under a second name until the new date
// is saved: when the save fails the file goes back, or the new one goes
// when there was none, so that the next export, from the same date, does
// not add the same records a second time.
class PendingBefore {
public:
    explicit PendingBefore(const fs::path& path)
        : m_path(path), m_kept(path.parent_path() / ("." + path.filename().string() + ".old")) {
        // The second name is no file of its own: dropping it changes no
        // file, so it is not a point of the fault seam.
        ::unlink(m_kept.c_str());
        if (::link(path.c_str(), m_kept.c_str()) == 0) {
            m_state = State::Kept;
        } else if (errno == ENOENT) {
            m_state = State::None;
        }
    }
    ~PendingBefore() {
        if (m_state == State::Kept) ::unlink(m_kept.c_str());
    }
    PendingBefore(const PendingBefore&) = delete;
    PendingBefore& operator=(const PendingBefore&) = delete;

    void PutBack() {
        if (m_state == State::Kept && io::Rename(m_kept.c_str(), m_path.c_str()) == 0) {
            m_state = State::Unknown;
        } else if (m_state == State::None) {
            io::Unlink(m_path.c_str());
        }
    }

private:
    // Unknown: the file system keeps no second name; the new file stays.
    enum class State { Unknown, None, Kept };
    fs::path m_path;
    fs::path m_kept;
    State m_state = State::Unknown;
};

}  // namespace

ExportResult ExportCorrections(const std::string& programDir, const RegisterFile& reg,
                               ConfigFile& config, RegisterIndexes& indexes, Operator& op) {
    ExportResult result;
    indexes.Rebuild(reg);
    const ProgramConfig& cfg = config.Data();
    const std::string correctionsName = CorrectionsFileName(cfg);
    if (correctionsName.empty()) {
        op.Error("Не удалось определить имя файла коррекций: организация не настроена");
        result.stop = ExportStop::NoFileName;
        return result;
    }
    if (!op.AskYesNo(Operator::Icon::None, "Создать файл с откорректированными записями?")) {
        result.stop = ExportStop::Declined;
        return result;
    }

    const int32_t limit = cfg.LastExchangeDate.Number();
    const fs::path exportDir = ExportDirOf(programDir);
    const fs::path correctionsPath = exportDir / correctionsName;
    std::error_code ec;
    fs::create_directories(exportDir, ec);

    std::vector<StudentRecord> file;
    std::string error;
    if (!ReadPending(correctionsPath, file, error)) {
        op.Error("Не удалось прочитать файл " + correctionsPath.string() + " (" + error + ")");
        result.stop = ExportStop::WriteFailed;
        return result;
    }

    // A record changed on the day of the last exchange may have gone out
    // already: it is added only when the file holds no identical copy. The
    // set views the records of `file`, which is never reallocated below.
    const std::vector<StudentRecord> records = reg.ReadAll();
    const size_t pending = file.size();
    file.reserve(pending + records.size());
    std::unordered_set<std::string_view> held;
    held.reserve(file.capacity());
    for (const StudentRecord& r : file) held.insert(BytesOf(r));
    uint32_t active = 0;
    for (const StudentRecord& r : records) {
        if (r.LastChange != Deleted) ++active;
        const int32_t changed = r.ChangeDate.Number();
        if (changed < limit || (changed == limit && held.count(BytesOf(r)) != 0)) continue;
        file.push_back(r);
        held.insert(BytesOf(file.back()));
    }
    result.added = static_cast<uint32_t>(file.size() - pending);
    if (file.size() > RegisterFile::kMaxRecords) {
        op.Error("Файл коррекций " + correctionsName +
                 " не может содержать более 65535 записей. Создайте файл с актуальными записями "
                 "и перенесите его на сменный носитель.");
        result.stop = ExportStop::TooManyRecords;
        return result;
    }

    // Newest first, each document once, shown as the register holds it now
    // when it still does (found by its current or its earlier document).
    const RecordDate today = Today();
    std::unordered_set<int64_t> listedDocuments;
    listedDocuments.reserve(file.size());
    std::vector<std::string> listed;
    for (auto it = file.rbegin(); it != file.rend(); ++it) {
        const StudentRecord& exported = *it;
        const int64_t key = DocumentKeyOfField(exported.DOC);
        if (!listedDocuments.insert(key).second) continue;
        const StudentRecord* shown = &exported;
        const std::optional<uint16_t> found = indexes.docs.Lookup(exported.DOC, exported.OLDDOC);
        if (found && *found < records.size()) shown = &records[*found];
        std::string line = ExportedRecordLine(*shown);
        if ((shown->LastChange & Deleted) != 0) line += "(Удаление)";
        listed.push_back(std::move(line));
        if (exported.DATEEND.Number() < today.Number()) ++result.expired;
    }
    result.records = static_cast<uint32_t>(listed.size());

    std::vector<std::string> lines = {
        ExportProtocolHeading(Now()),
        "Формирование актуальных записей БД для проведения коррекций.",
        " Количество записей в БД - " + std::to_string(active) + ".",
        "",
        "В файл коррекций занесены следующие записи:",
    };
    lines.insert(lines.end(), std::make_move_iterator(listed.begin()),
                 std::make_move_iterator(listed.end()));
    lines.push_back("");
    lines.push_back("Количество сформированных записей в файле " + correctionsName + " - " +
                    std::to_string(result.records) + ".");
    lines.push_back("Количество записей в файле БД с истекшим сроком действия льготы - " +
                    std::to_string(result.expired) + ".");

    // The log first: the pending file and the date change only once both
    // files can be written.
    const fs::path logPath = exportDir / kCorrectionsLog;
    if (const std::error_code logEc = WriteTextFile(logPath, lines)) {
        op.Error(CannotWriteText(logPath, logEc.message()));
        result.stop = ExportStop::WriteFailed;
        return result;
    }
    PendingBefore before(correctionsPath);
    if (!WriteExchangeFile(correctionsPath, file, error)) {
        op.Error(CannotWriteText(correctionsPath, error));
        result.stop = ExportStop::WriteFailed;
        return result;
    }
    if (!SaveExchangeDates(config, false, op)) {
        before.PutBack();
        result.stop = ExportStop::ConfigFailed;
        return result;
    }

    const fs::path archiveDir = ExportArchiveDirOf(programDir);
    fs::create_directories(archiveDir, ec);
    MoveMatchingFiles(exportDir, kCorrectionsArchivePattern, archiveDir);

    const std::string archiveName = CorrectionsArchiveName(Now());
    if (!PackExport(programDir, archiveName, correctionsName, kCorrectionsLog, op)) {
        result.stop = ExportStop::ArchiveFailed;
        return result;
    }
    result.archive = exportDir / archiveName;

    const std::string archiveShown = result.archive.string();
    const TransferTexts texts{
        "Файл корректировок сформирован. Желаете выгрузить файл на сменный носитель?",
        "Выбор носителя на который будет перенесен файл откорректированных записей",
        [&](const std::string& target) {
            return "Ошибка переноса файла с корректированными записями из " + archiveShown +
                   " на " + target;
        }};
    switch (OfferTransfer(op, result.archive, texts, correctionsPath, &result.archive)) {
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
