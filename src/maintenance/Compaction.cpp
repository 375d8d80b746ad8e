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

std::string_view BytesOf(const std::vector<StudentRecord>& records) {
    return {reinterpret_cast<const char*>(records.data()), records.size() * sizeof(StudentRecord)};
}

// The new register goes in by rename: written beside it, sealed, flushed,
// renamed over it, held locked by this copy all the while.
std::string PutInPlace(Session& session, const std::vector<StudentRecord>& records) {
    return session.ReplaceRegister(records);
}

std::string WorkFileFailure(const std::error_code& ec) {
    return std::string("Не удалось записать файл ") + kWorkFileName + " (" + ec.message() + ").";
}

std::string ReplaceFailure(const Session& session, const std::string& error) {
    return "Не удалось заменить файл данных " + session.RegisterName() + " (" + error +
           "). Файл данных не изменён.";
}

// A repaired document keeps its issue details under its new spelling.
// Returns the old spellings copied.
std::vector<std::string> CopyDetails(DetailsStore& details,
                                     const std::unordered_map<std::string, std::string>& renamed) {
    std::vector<std::string> copied;
    if (!details.DetailsAvailable() || renamed.empty()) return copied;
    DetailsStore::Transaction transaction(details);
    for (const auto& [from, to] : renamed) {
        if (details.FindDoc(to)) continue;  // the new spelling has its own details
        if (const std::optional<DocumentDetails> found = details.FindDoc(from)) {
            if (details.InsertDoc(to, *found)) copied.push_back(from);
        }
    }
    if (!transaction.Commit()) copied.clear();
    return copied;
}

void DropDetails(DetailsStore& details, const std::vector<std::string>& docs) {
    if (!details.DetailsAvailable() || docs.empty()) return;
    DetailsStore::Transaction transaction(details);
    for (const std::string& doc : docs) details.DelDoc(doc);
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
    std::vector<StudentRecord> kept;
    kept.reserve(records->size());
    bool pending = false;
    for (const StudentRecord& r : *records) {
        if (!IsExcludedByBits(r.LastChange)) {
            kept.push_back(r);
        } else if (r.ChangeDate.Number() >= lastExchange) {
            pending = true;
        }
    }
    if (const std::error_code ec =
            ReplaceFileSafely(session.ProgramDir() / kWorkFileName, BytesOf(kept))) {
        op.Error(WorkFileFailure(ec) + kNotDone);
        return CompactionResult::Failed;
    }
    if (pending && !op.AskYesNo(Operator::Icon::Question, kPendingQuestion)) {
        return CompactionResult::Declined;
    }

    const uint32_t before = static_cast<uint32_t>(records->size());
    if (const std::string error = PutInPlace(session, kept); !error.empty()) {
        op.Error(ReplaceFailure(session, error) + kNotDone);
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

    std::unordered_map<std::string, std::string> renamed;  // old -> new spelling, UTF-8
    for (StudentRecord& r : *records) {
        const std::string doc = FieldBytes(r.DOC);
        std::string canonical = doc;
        std::string message;
        if (CanonicalDocumentCp1251(canonical, message)) {
            if (canonical != doc) renamed.emplace(Cp1251ToUtf8(doc), Cp1251ToUtf8(canonical));
            SetFieldBytes(r.DOC, canonical);
        }
    }

    constexpr const char* kNotDone = " Исправление формата документов не выполнено.";
    if (const std::error_code ec =
            ReplaceFileSafely(session.ProgramDir() / kWorkFileName, BytesOf(*records))) {
        op.Warn(WorkFileFailure(ec) + kNotDone);
        return false;
    }
    // The details are copied to the new spellings before the register takes
    // them and the old rows go only afterwards, so a crash in between leaves
    // every record's details findable; a row left under a spelling no record
    // has any more does no harm.
    const std::vector<std::string> copied = CopyDetails(session.Details(), renamed);
    if (const std::string error = PutInPlace(session, *records); !error.empty()) {
        op.Warn(ReplaceFailure(session, error) + kNotDone);
        return false;
    }
    DropDetails(session.Details(), copied);
    session.IniSettings().RepareDocFormat = 1;
    WriteIniInteger(session.ProgramDir(), "Other", "RepareDocFormat", 1);
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
