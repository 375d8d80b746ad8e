#include "maintenance/Compaction.h"

#include <string>
#include <string_view>
#include <system_error>
#include <unordered_map>
#include <vector>

#include "details/DetailsStore.h"
#include "register/ChangeCodes.h"
#include "register/Operator.h"
#include "register/RegisterFile.h"
#include "register/SafeReplace.h"
#include "register/SettingsIni.h"
#include "register/StudentRecord.h"
#include "rules/Documents.h"
#include "session/Session.h"

namespace vrklad {
namespace {

constexpr const char* kPendingQuestion =
    "Перед выполнением данной операции, необходимо сформировать файл корректировок\n"
    "чтобы записи, помеченные на удаление, были обновлены в БД Корвалена.\n"
    "Если файл уже был сформирован нажмите \"Yes\".";
constexpr const char* kReminder =
    "Сжатие БД выполнялось более 30 дней назад. Рекомендуется выполнить!";

// Every record of the open register, or nothing when not all of them could
// be read: a short read must never become a shorter register.
std::optional<std::vector<StudentRecord>> ReadWholeRegister(const Session& session) {
    const RegisterFile& reg = session.Register();
    std::vector<StudentRecord> records = reg.ReadAll();
    if (records.size() != reg.CountRecords()) return std::nullopt;
    return records;
}

void AppendRecord(std::string& bytes, const StudentRecord& r) {
    bytes.append(reinterpret_cast<const char*>(&r), sizeof r);
}

// The new register goes in by rename: written beside it, flushed, renamed
// over it. The old file stays locked by this copy until then, so no other
// copy can take it in between; afterwards the register is opened again.
std::error_code PutInPlace(Session& session, std::string_view bytes) {
    return ReplaceFileSafely(session.Register().Path(), bytes);
}

std::string WorkFileFailure(const std::error_code& ec) {
    return std::string("Не удалось записать файл ") + kWorkFileName + " (" + ec.message() + ").";
}

std::string ReplaceFailure(const Session& session, const std::error_code& ec) {
    return "Не удалось заменить файл данных " + session.RegisterName() + " (" + ec.message() +
           "). Файл данных не изменён.";
}

// A repaired document keeps its issue details under its new spelling.
void MoveDetails(DetailsStore& details,
                 const std::unordered_map<std::string, std::string>& renamed) {
    if (!details.DetailsAvailable() || renamed.empty()) return;
    DetailsStore::Transaction transaction(details);
    for (const auto& [from, to] : renamed) {
        if (details.FindDoc(to)) continue;  // the new spelling has its own details
        if (const std::optional<DocumentDetails> found = details.FindDoc(from)) {
            details.InsertDoc(to, *found);
            details.DelDoc(from);
        }
    }
    transaction.Commit();
}

}  // namespace

CompactionResult CompactRegister(Session& session, Operator& op) {
    constexpr const char* kNotDone = " Сжатие БД не выполнено.";
    if (!session.RegisterUsable()) {
        op.Error(std::string("Файл данных не открыт.") + kNotDone);
        return CompactionResult::Failed;
    }
    const std::optional<std::vector<StudentRecord>> records = ReadWholeRegister(session);
    if (!records) {
        op.Error("Не удалось прочитать файл данных " + session.RegisterName() + "." + kNotDone);
        return CompactionResult::Failed;
    }

    const int32_t lastExchange = session.Config().LastExchangeDate.Number();
    std::string kept;
    kept.reserve(records->size() * kRecordSize);
    bool pending = false;
    for (const StudentRecord& r : *records) {
        if (!IsExcludedByBits(r.LastChange)) {
            AppendRecord(kept, r);
        } else if (r.ChangeDate.Number() >= lastExchange) {
            pending = true;
        }
    }
    if (const std::error_code ec = ReplaceFileSafely(session.ProgramDir() / kWorkFileName, kept)) {
        op.Error(WorkFileFailure(ec) + kNotDone);
        return CompactionResult::Failed;
    }
    if (pending && !op.AskYesNo(Operator::Icon::Question, kPendingQuestion)) {
        return CompactionResult::Declined;
    }

    const uint32_t before = static_cast<uint32_t>(records->size());
    if (const std::error_code ec = PutInPlace(session, kept)) {
        op.Error(ReplaceFailure(session, ec) + kNotDone);
        return CompactionResult::Failed;
    }
    // The reopen tells the user itself when the register cannot be used.
    if (session.ReopenRegister(op) != Session::RegisterState::Open) {
        return CompactionResult::Failed;
    }
    const uint32_t after = session.Register().CountRecords();
    const uint32_t dropped = before > after ? before - after : 0;
    const uint64_t percent = uint64_t{dropped} * 100 / (before == 0 ? 1 : before);
    op.Plain("Сжатие выполнено на " + std::to_string(percent) + "%.");
    return CompactionResult::Compacted;
}

bool RepairDocumentFormat(Session& session, Operator& op) {
    if (!session.RegisterUsable()) return false;
    std::optional<std::vector<StudentRecord>> records = ReadWholeRegister(session);
    if (!records) return false;

    std::string bytes;
    bytes.reserve(records->size() * kRecordSize);
    std::unordered_map<std::string, std::string> renamed;  // old -> new spelling, UTF-8
    for (StudentRecord& r : *records) {
        const std::string doc = FieldBytes(r.DOC);
        std::string canonical = doc;
        std::string message;
        if (CanonicalDocumentCp1251(canonical, message)) {
            if (canonical != doc) renamed.emplace(Cp1251ToUtf8(doc), Cp1251ToUtf8(canonical));
            SetFieldBytes(r.DOC, canonical);
        }
        AppendRecord(bytes, r);
    }

    constexpr const char* kNotDone = " Исправление формата документов не выполнено.";
    if (const std::error_code ec = ReplaceFileSafely(session.ProgramDir() / kWorkFileName, bytes)) {
        op.Warn(WorkFileFailure(ec) + kNotDone);
        return false;
    }
    if (const std::error_code ec = PutInPlace(session, bytes)) {
        op.Warn(ReplaceFailure(session, ec) + kNotDone);
        return false;
    }
    session.IniSettings().RepareDocFormat = 1;
    WriteIniInteger(session.ProgramDir(), "Other", "RepareDocFormat", 1);
    session.ReopenRegister(op);
    MoveDetails(session.Details(), renamed);
    return true;
}

bool CompactionDue(const LocalDateTime& lastCompress, const LocalDateTime& now) {
    // Seconds are the finest step here: a value defaulted to "720 hours ago"
    // when the settings were read is still due a moment later in the same
    // second.
    return ToSeconds(lastCompress) <= ToSeconds(AddHours(now, -720));
}

void StartupMaintenance(Session& session, Operator& op) {
    if (CompactionDue(session.IniSettings().LastDateCompress, Now()) &&
        op.AskYesNo(Operator::Icon::Question, kReminder)) {
        // Declining at the compaction's own question counts as an answer to
        // the reminder; a compaction that failed does not.
        if (CompactRegister(session, op) != CompactionResult::Failed) {
            const LocalDateTime now = Now();
            WriteIniDate(session.ProgramDir(), "Other", "LastDateCompress", now);
            session.IniSettings().LastDateCompress = StartOfDay(DateOf(now));
        }
    }
    if (session.IniSettings().RepareDocFormat == 0) RepairDocumentFormat(session, op);
}

}  // namespace vrklad
