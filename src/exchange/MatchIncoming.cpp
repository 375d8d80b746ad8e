#include "exchange/MatchIncoming.h"

#include <cstring>

#include "register/ChangeCodes.h"
#include "register/RegisterFile.h"
#include "rules/PersonalChecks.h"
#include "rules/TrimBlanks.h"

namespace vrklad {
namespace {

// The part of the record that must match for MatchSame: OKPO through
// JuniorFlag, Reserved1 included (ORG is compared on its own).
constexpr size_t kCompared = offsetof(StudentRecord, AllChanges);
constexpr int kSimilarNames = 66;

MatchResult Refuse(int32_t target, std::string message) {
    return MatchResult{MatchRefused, target, std::move(message)};
}

// Cases a to m, for a candidate r at index target.
MatchResult Decide(const StudentRecord& r, int32_t target, const StudentRecord& in) {
    if (SameDocument(r.DOC, in.DOC)) {
        if (SameName(r.FIO, in.FIO)) {
            if (std::memcmp(&r, &in, kCompared) == 0 && r.ORG == in.ORG) {
                return {MatchSame, target, {}};  // a
            }
            if (r.ChangeDate.Number() > in.ChangeDate.Number() && !IsExcludedByBits(r.LastChange)) {
                return Refuse(
                    target,  // b
                    "Запись в БД имеет более позднюю дату изменения, чем запись в файле.");
            }
            return {MatchUpdate, target, {}};  // c
        }
        if (SameName(r.FIO, in.OLDFIO)) return {MatchUpdate, target, {}};        // d
        if (IsExcludedByBits(r.LastChange)) return {MatchTakeOver, target, {}};  // e
        return Refuse(-1, "Такой документ принадлежит \"" + FieldText(r.FIO) +   // f
                              "\" (ОКПО:" + std::to_string(in.OKPO) + ")");
    }
    if (SameDocument(r.DOC, in.OLDDOC)) {
        if (SameName(r.FIO, in.FIO)) return {MatchUpdate, target, {}};  // g
        const bool similar =
            NameSimilarity(FieldText(in.FIO), FieldText(in.OLDFIO)) >= kSimilarNames;
        if (SameName(r.FIO, in.OLDFIO)) {
            return similar ? MatchResult{MatchUpdate, target, {}} : MatchResult{};  // h, i
        }
        if (similar || in.OLDFIO[0] == 0) return {};  // j, k
        return Refuse(-1, "Недопустимая операция редактирования:  " + FieldText(in.OLDDOC) +  // l
                              " " + FieldText(in.OLDFIO) + " изменили на " + FieldText(in.DOC) +
                              " " + FieldText(in.FIO) + ".");
    }
    return {};  // m
}

}  // namespace

bool SameName(const char (&a)[46], const char (&b)[46]) {
    return std::memcmp(a, b, sizeof a) == 0 || NameSimilarity(FieldText(a), FieldText(b)) == 100;
}

bool SameDocument(const char (&a)[16], const char (&b)[16]) {
    return TrimBlanks(FieldBytes(a)) == TrimBlanks(FieldBytes(b));
}

MatchResult MatchIncoming(const RegisterFile& reg, const RegisterIndexes& indexes,
                          const StudentRecord& in) {
    MatchResult result;

    // A document hit decides the candidate even when it names no record;
    // only a document that finds nothing falls back to the SNILS.
    std::optional<uint16_t> candidate = indexes.docs.Lookup(in.DOC, in.OLDDOC);
    if (!candidate) candidate = indexes.snils.Lookup(in.SNILS);
    StudentRecord r;
    if (candidate && *candidate != DocIndex::kNoRecord && reg.Read(*candidate, r)) {
        result = Decide(r, *candidate, in);
    }

    if (result.verdict == MatchRefused || result.verdict == MatchSame || in.SNILS == 0) {
        return result;
    }
    const std::optional<uint16_t> owner = indexes.snils.Lookup(in.SNILS);
    StudentRecord r2;
    if (owner && *owner != SnilsIndex::kNoRecord && *owner != result.target &&
        reg.Read(*owner, r2)) {
        result.verdict = MatchRefused;
        result.message = "Такой СНИЛС уже есть в БД и принадлежит:  " + FieldText(r2.DOC) + " " +
                         FieldText(r2.FIO) + " (ОКПО:" + std::to_string(r2.OKPO) + ")";
    }
    return result;
}

}  // namespace vrklad
