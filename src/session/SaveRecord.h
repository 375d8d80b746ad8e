#pragma once

#include <cstdint>

#include "register/Operator.h"
#include "session/RecordEditing.h"

namespace vrklad {

class Session;

// What "Сохранить" came to.
struct SaveOutcome {
    enum class Kind {
        Refused,   // a check or the verdict refused it: nothing written, mode unchanged
        Declined,  // the operator did not let it replace a deleted record
        Written,
    };
    Kind kind = Kind::Refused;
    // The record written, or the one the verdict named when declined; -1 none.
    int32_t index = -1;
    // The SNILS field is to be emptied (its length check failed).
    bool clearSnils = false;
};

// Saves the entered values: the checks with their messages, the record
// built for a new learner (adding) or from the stored record at
// `selectedIndex` (changing), the decision of MatchIncoming and its verdict,
// the write, the issue details. After a write, and after a declined
// replacement, the organizations are recounted and the lookup indexes
// rebuilt; the caller reloads its list and confirms.
SaveOutcome SaveEnteredRecord(Session& session, Operator& op, bool adding, int32_t selectedIndex,
                              const EnteredRecord& entered);

inline constexpr const char* kSavedMessage = "Изменения сохранены!";

}  // namespace vrklad
