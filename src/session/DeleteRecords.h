#pragma once

#include <cstdint>
#include <vector>

#include "register/StudentRecord.h"

namespace vrklad {

class Session;

// Marks the record deleted: the history keeps its last change, LastChange
// becomes exactly Deleted, ChangeDate today.
void MarkDeleted(StudentRecord& record);

// Marks the records at these indexes deleted, removes their documents'
// issue details and recounts the organizations. The records stay in the
// file until compaction.
void DeleteRecords(Session& session, const std::vector<uint16_t>& indexes);

}  // namespace vrklad
