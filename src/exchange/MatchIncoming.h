#pragma once

#include <cstdint>
#include <string>

#include "exchange/RegisterIndexes.h"
#include "register/StudentRecord.h"

namespace vrklad {

class RegisterFile;

// The verdicts are bit values, as stored and compared by the callers.
enum MatchVerdict : uint8_t {
    MatchNew = 1,       // no register record stands for this learner: add it
    MatchUpdate = 2,    // update the register record found from the incoming one
    MatchRefused = 4,   // do not apply; the message says why
    MatchTakeOver = 8,  // a deleted or excluded record holds the document under
                        // another name: the incoming record replaces it
    MatchSame = 16,     // the register record found is already identical
};

struct MatchResult {
    MatchVerdict verdict = MatchNew;
    // The register record the verdict is about, -1 when there is none. A
    // refusal may name one too (a record changed later than the incoming one).
    int32_t target = -1;
    // UTF-8; set only for MatchRefused, empty otherwise.
    std::string message;
};

// The one decision that relates an incoming or edited record to the
// register: candidate by document (then previous document, then SNILS),
// the comparison of documents and names, and the SNILS check. Reads the
// register and both indexes and changes nothing.
MatchResult MatchIncoming(const RegisterFile& reg, const RegisterIndexes& indexes,
                          const StudentRecord& incoming);

// Name equality of the merge rules: the 46 bytes are equal, or NameSimilarity
// of the two texts is exactly 100.
bool SameName(const char (&a)[46], const char (&b)[46]);
// Document equality of the merge rules: equal once both are trimmed.
bool SameDocument(const char (&a)[16], const char (&b)[16]);

}  // namespace vrklad
