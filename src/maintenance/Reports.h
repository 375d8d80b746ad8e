#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "register/Operator.h"

namespace vrklad {

class RegisterFile;
class Session;
struct ProgramConfig;

// The "Отчеты" submenu: two small text reports in "Export/", opened in the
// desktop's viewer. A viewer that cannot be started gets a warning; the
// report stays written either way.
inline constexpr const char* kOrgReportFile = "Export/RepOrg.txt";
inline constexpr const char* kKlassReportFile = "Export/RepKlass.txt";

// "По организациям": the OrgTable with its counts as the last recount left
// them; the register is not read.
std::vector<std::string> OrganizationReportLines(const ProgramConfig& config);
bool ReportByOrganizations(Session& session, Operator& op);

// "По классам": active learners (LastChange neither 8 nor 4) by class
// number 1..12 and letter (none, or one of the 32 capitals А..Я; lower case
// counts as its capital), of one organization or of all. Records whose
// class or letter has no place in that table are counted in one line
// "Прочие" after the class lines instead of being lost. The total line
// shows the OrgTable count of the organization (row 0 for all).
std::vector<std::string> ClassReportLines(const ProgramConfig& config, const RegisterFile& reg,
                                          std::optional<uint32_t> okpo);
// With more than one organization in the table the operator chooses one;
// cancelling writes nothing.
bool ReportByClasses(Session& session, Operator& op);
// For the batch tool: all records, or those of `okpo`, which must be an
// organization of the table.
bool ReportByClasses(Session& session, Operator& op, std::optional<uint32_t> okpo);

}  // namespace vrklad
