#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "exchange/MatchIncoming.h"
#include "register/StudentRecord.h"

namespace vrklad {

class DocIndex;
class RegisterFile;

// How a verdict of MatchIncoming is carried into the register by the two
// file-based callers: the processing of register-format files ("file") and
// the table import ("import"). The callers keep the counters, the processed
// marks and the protocol; these functions write the register and say what
// to count, mark, log and copy.

// File update of r (the register record at target) from in: change code of
// the fields that differ byte for byte, old FIO and DOC kept, JuniorFlag
// taken with the class, DocIndex moved to the new document, ChangeDate from
// in. The caller writes r back.
void FileUpdate(StudentRecord& r, const StudentRecord& in, uint16_t target, DocIndex& docs);

// Import update of r from in: texts compared trimmed, OKPO and ORG left
// alone, indexes untouched, ChangeDate today. The caller writes r back.
void ImportUpdate(StudentRecord& r, const StudentRecord& in);

// The incoming record as it is written when added or taking over a record.
StudentRecord FileNewRecord(const StudentRecord& in);         // ChangeDate kept from the file
StudentRecord ImportNewRecord(const StudentRecord& in);       // ChangeDate today
StudentRecord ImportTakeOverRecord(const StudentRecord& in);  // AllChanges kept as given

// Protocol messages of the failures the register itself can cause: no room
// for another record (65,535 are the most it holds), or a failed read or
// write of the register record.
inline constexpr const char* kRegisterFullMessage =
    "Превышено допустимое число записей в файле данных.";
inline constexpr const char* kRegisterIoMessage = "Ошибка чтения или записи файла данных.";

// What applying one verdict did, for the caller's bookkeeping.
struct MergeOutcome {
    // Counter increments.
    bool added = false;
    bool updated = false;
    bool unchanged = false;
    bool erroneous = false;
    // A read or write of the register itself failed (a full disk): the run
    // must stop here rather than count the record and go on.
    bool registerFailed = false;
    // The register record to mark processed (file processing only), -1 none.
    int32_t processed = -1;
    // The record index written (appended, updated, restored, replaced), -1 none.
    int32_t written = -1;
    // Appended to the caller's line prefix for the protocol; empty = no line.
    std::string protocolSuffix;
    // The document (UTF-8, DOC up to its first zero byte) whose issue details
    // are to be copied from the sender (file) or written from the row (import);
    // nothing when the verdict copies no details.
    std::optional<std::string> detailsDoc;
};

// The file column: in is the record read from the file (document already in
// canonical form where possible). New records enter DocIndex.
MergeOutcome ApplyFileVerdict(RegisterFile& reg, DocIndex& docs, const MatchResult& match,
                              const StudentRecord& in);

// The import column: nothing enters either index.
MergeOutcome ApplyImportVerdict(RegisterFile& reg, const MatchResult& match,
                                const StudentRecord& in);

}  // namespace vrklad
