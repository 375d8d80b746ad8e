#pragma once

#include "register/Clock.h"

namespace vrklad {

class Operator;
class Session;

// The work file of compaction and repair in ProgramDir, left in place.
inline constexpr const char* kWorkFileName = "NewDataFile";

enum class CompactionResult {
    Compacted,  // the register now holds only the kept records
    Declined,   // the user stopped at the question; nothing changed
    Failed,     // not done, after a message; the register is as it was
};

// "Сжатие БД": drops the records marked deleted or excluded. Asks first when
// a dropped record changed on or after the last exchange (its deletion may
// not have gone out yet). The register is replaced by a new file renamed
// over it, never rewritten in place, and the share of records dropped is
// reported from the file reopened afterwards.
CompactionResult CompactRegister(Session& session, Operator& op);

// Every record whose document is valid gets its canonical form; the others
// stay as they are. Replaces the register like compaction, moves the
// document details to the new spelling, and marks the repair as done in
// the settings. False (the register unchanged) when it could not be done.
bool RepairDocumentFormat(Session& session, Operator& op);

// True when the last compaction lies 720 hours or more back.
bool CompactionDue(const LocalDateTime& lastCompress, const LocalDateTime& now);

// The timer's first tick after a successful start: the compaction reminder,
// then the one-time document repair while it has not yet succeeded.
void StartupMaintenance(Session& session, Operator& op);

}  // namespace vrklad
