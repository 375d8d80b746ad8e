#include "exchange/RecordUpdate.h"

#include <cstring>

#include "exchange/DocIndex.h"
#include "register/ChangeCodes.h"
#include "register/Clock.h"
#include "register/RegisterFile.h"
#include "rules/Documents.h"
#include "rules/TrimBlanks.h"

namespace vrklad {
namespace {

template <size_t N>
bool SameField(const char (&a)[N], const char (&b)[N]) {
    return std::memcmp(a, b, N) == 0;
}

template <size_t N>
bool SameTrimmed(const char (&a)[N], const char (&b)[N]) {
    return TrimBlanks(FieldBytes(a)) == TrimBlanks(FieldBytes(b));
}

template <size_t N>
void Copy(char (&to)[N], const char (&from)[N]) {
    std::memcpy(to, from, N);
}

void CopyKlass(StudentRecord& r, const StudentRecord& in) {
    r.KlassNumber = in.KlassNumber;
    r.KlassLetter = in.KlassLetter;
    r.JuniorFlag = in.JuniorFlag;
}

// The protocol's lead-in of a record not applied, per caller.
constexpr const char* kFileLead = " - запись не обработана: ";
constexpr const char* kImportLead = " - Ошибка: ";

// A refusal the register itself causes, written like the verdict's own.
void Fail(MergeOutcome& out, const char* lead, const char* message) {
    out.erroneous = true;
    out.registerFailed = message == kRegisterIoMessage;
    out.protocolSuffix = std::string(lead) + message;
}

void Append(RegisterFile& reg, const StudentRecord& record, MergeOutcome& out, const char* lead) {
    uint16_t index = 0;
    switch (reg.Append(record, &index)) {
        case RegisterFile::AppendResult::Ok:
            out.added = true;
            out.written = index;
            return;
        case RegisterFile::AppendResult::Full:
            return Fail(out, lead, kRegisterFullMessage);
        case RegisterFile::AppendResult::Failed:
            return Fail(out, lead, kRegisterIoMessage);
    }
}

}  // namespace

void FileUpdate(StudentRecord& r, const StudentRecord& in, uint16_t target, DocIndex& docs) {
    r.AllChanges |= r.LastChange;
    uint16_t code = 0;
    if (!SameField(r.FIO, in.FIO)) {
        code |= FioChanged;
        Copy(r.OLDFIO, r.FIO);
        Copy(r.FIO, in.FIO);
    }
    if (!SameField(r.BILET, in.BILET)) {
        code |= BiletChanged;
        Copy(r.BILET, in.BILET);
    }
    if (r.KlassNumber != in.KlassNumber || r.KlassLetter != in.KlassLetter) {
        code |= KlassChanged;
        CopyKlass(r, in);
    }
    if (!SameField(r.DOC, in.DOC)) {
        docs.Remove(r.DOC);
        docs.Insert(DocumentKeyOfField(in.DOC), target);
        code |= DocChanged;
        Copy(r.OLDDOC, r.DOC);
        Copy(r.DOC, in.DOC);
    }
    if (r.SNILS != in.SNILS) {
        code |= DocChanged;
        r.SNILS = in.SNILS;
    }
    r.PersSex = in.PersSex;
    if (r.DBIRTH != in.DBIRTH) {
        code |= BirthChanged;
        r.DBIRTH = in.DBIRTH;
    }
    if (r.DATEEND != in.DATEEND) {
        code |= DateEndChanged;
        r.DATEEND = in.DATEEND;
    }
    if (r.OKPO != in.OKPO || r.ORG != in.ORG) {
        code |= OrgChanged;
        r.OKPO = in.OKPO;
        r.ORG = in.ORG;
    }
    r.LastChange = code;
    r.ChangeDate = in.ChangeDate;
}

void ImportUpdate(StudentRecord& r, const StudentRecord& in) {
    r.AllChanges |= r.LastChange;
    uint16_t code = 0;
    if (!SameTrimmed(r.FIO, in.FIO)) {
        code |= FioChanged;
        Copy(r.OLDFIO, r.FIO);
        Copy(r.FIO, in.FIO);
    }
    if (!SameTrimmed(r.BILET, in.BILET)) {
        code |= BiletChanged;
        Copy(r.BILET, in.BILET);
    }
    if (r.SNILS != in.SNILS) {
        code |= DocChanged;
        r.SNILS = in.SNILS;
    }
    r.PersSex = in.PersSex;
    if (r.KlassNumber != in.KlassNumber || r.KlassLetter != in.KlassLetter) {
        code |= KlassChanged;
        CopyKlass(r, in);
    }
    if (!SameTrimmed(r.DOC, in.DOC)) {
        code |= DocChanged;
        Copy(r.OLDDOC, r.DOC);
        Copy(r.DOC, in.DOC);
    }
    if (r.DBIRTH != in.DBIRTH) {
        code |= BirthChanged;
        r.DBIRTH = in.DBIRTH;
    }
    if (r.DATEEND != in.DATEEND) {
        code |= DateEndChanged;
        r.DATEEND = in.DATEEND;
    }
    r.LastChange = code;
    r.ChangeDate = Today();
}

StudentRecord FileNewRecord(const StudentRecord& in) {
    StudentRecord r = in;
    r.AllChanges = 0;
    r.LastChange = Added;
    std::memset(r.OLDFIO, 0, sizeof r.OLDFIO);
    std::memset(r.OLDDOC, 0, sizeof r.OLDDOC);
    return r;
}

StudentRecord ImportNewRecord(const StudentRecord& in) {
    StudentRecord r = FileNewRecord(in);
    r.ChangeDate = Today();
    return r;
}

StudentRecord ImportTakeOverRecord(const StudentRecord& in) {
    StudentRecord r = in;
    r.LastChange = Added;
    r.ChangeDate = Today();
    std::memset(r.OLDFIO, 0, sizeof r.OLDFIO);
    std::memset(r.OLDDOC, 0, sizeof r.OLDDOC);
    return r;
}

MergeOutcome ApplyFileVerdict(RegisterFile& reg, DocIndex& docs, const MatchResult& match,
                              const StudentRecord& in) {
    MergeOutcome out;
    if (match.verdict == MatchRefused) {
        out.processed = match.target;
        out.erroneous = true;
        out.protocolSuffix = kFileLead + match.message;
        return out;
    }
    if (match.verdict == MatchNew) {
        Append(reg, FileNewRecord(in), out, kFileLead);
        if (out.added) {
            docs.Insert(DocumentKeyOfField(in.DOC), static_cast<uint16_t>(out.written));
            out.processed = out.written;
            out.detailsDoc = FieldText(in.DOC);
        }
        return out;
    }

    const auto target = static_cast<uint16_t>(match.target);
    StudentRecord r;
    if (match.target < 0 || !reg.Read(target, r)) {
        Fail(out, kFileLead, kRegisterIoMessage);
        return out;
    }
    out.processed = match.target;
    bool write = true;
    switch (match.verdict) {
        case MatchUpdate:
            FileUpdate(r, in, target, docs);
            out.updated = true;
            break;
        case MatchSame:
            out.unchanged = true;
            write = (r.LastChange & Deleted) != 0;
            if (write) {
                r.LastChange &= static_cast<uint16_t>(~Deleted);
                out.updated = true;
                out.protocolSuffix = " - восстановление удаленной записи";
            }
            break;
        case MatchTakeOver:
            r = FileNewRecord(in);  // the document is the same: index entries stay
            out.added = true;
            break;
        default:
            break;
    }
    if (!write) return out;
    if (!reg.Write(target, r)) {
        out.added = out.updated = out.unchanged = false;
        Fail(out, kFileLead, kRegisterIoMessage);
        return out;
    }
    out.written = match.target;
    out.detailsDoc = FieldText(in.DOC);
    return out;
}

MergeOutcome ApplyImportVerdict(RegisterFile& reg, const MatchResult& match,
                                const StudentRecord& in) {
    MergeOutcome out;
    if (match.verdict == MatchRefused) {
        out.erroneous = true;
        out.protocolSuffix = kImportLead + match.message;
        return out;
    }
    if (match.verdict == MatchNew) {
        Append(reg, ImportNewRecord(in), out, kImportLead);
        if (out.added) out.detailsDoc = FieldText(in.DOC);
        return out;
    }

    const auto target = static_cast<uint16_t>(match.target);
    StudentRecord r;
    if (match.target < 0 || !reg.Read(target, r)) {
        Fail(out, kImportLead, kRegisterIoMessage);
        return out;
    }
    if (match.verdict == MatchSame && (r.LastChange & Deleted) == 0) {
        out.unchanged = true;
        out.detailsDoc = FieldText(r.DOC);
        return out;
    }
    if (match.verdict == MatchTakeOver) {
        r = ImportTakeOverRecord(in);
        out.added = true;
    } else {  // MatchUpdate, or MatchSame of a deleted record, which restores it
        ImportUpdate(r, in);
        out.updated = true;
    }
    if (!reg.Write(target, r)) {
        out.added = out.updated = false;
        Fail(out, kImportLead, kRegisterIoMessage);
        return out;
    }
    out.written = match.target;
    out.detailsDoc = FieldText(r.DOC);
    return out;
}

}  // namespace vrklad
