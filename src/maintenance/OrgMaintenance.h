#pragma once

#include <cstdint>

#include "register/Operator.h"

namespace vrklad {

class Session;

// The "Организации" submenu: the identity of the organization(s) the
// register serves. Every learner record touched gets its change code and
// today's ChangeDate, so the change reaches the transport operator with the
// next corrections export. The changed records replace the register as a
// whole (a new file renamed over it), so a write that fails (a full disk)
// changes no record and no configuration, after a message naming the file
// and the system's error. Each asking version puts its question through
// the Operator and calls the version that takes the answer; the batch tool
// calls the latter directly. All return true when something was changed
// and saved.

// "Заменить ОКПО" (single organization only): every record takes the new
// OKPO with LastChange OrgChanged (deleted and excluded records take the
// code but stay deleted, OrgChanged only joining AllChanges); the register
// moves to the name that follows from the new code and the configuration
// is saved. Refused with a message, before any record changes, when a file
// of the new name already exists. Cancel (0) or the current code change
// nothing and say nothing.
bool ReplaceOkpo(Session& session, Operator& op);
bool ReplaceOkpo(Session& session, Operator& op, uint32_t newOkpo);

// "Заменить код агенства" (single organization only): every record whose
// ORG differs takes the new code, marked as above; OwnAgency and
// OrgTable row 0 follow, and the configuration is saved. Cancel (0) changes
// nothing.
bool ReplaceAgency(Session& session, Operator& op);
bool ReplaceAgency(Session& session, Operator& op, uint32_t newAgency);

// "Удалить организацию" (district mode only): after the confirmation, every
// record of the OKPO is marked Deleted (they stay in the file until
// compaction), its OrgTable rows are cleared, the table is recounted and the
// configuration saved. The version with the OKPO still asks the question;
// an OKPO that is not in the organization list is refused with a message.
bool DeleteOrganization(Session& session, Operator& op);
bool DeleteOrganization(Session& session, Operator& op, uint32_t okpo);

}  // namespace vrklad
