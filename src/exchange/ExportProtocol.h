#pragma once

#include <string>

#include "register/Clock.h"
#include "register/StudentRecord.h"

namespace vrklad {

// Pieces shared by the protocols of the actual-records and corrections
// exports; UTF-8, written out as cp1251.

// A tab, "Протокол от " and the moment as "DD-mm-YYYY hh:mm:ss".
std::string ExportProtocolHeading(const LocalDateTime& at);

// One exported record: DOC;OKPO(ORG);YYYY-MM-DD;FIO, the text fields up to
// their first zero byte.
std::string ExportedRecordLine(const StudentRecord& r);

}  // namespace vrklad
