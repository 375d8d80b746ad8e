#pragma once

#include <vector>

#include "register/Operator.h"
#include "register/ProgramConfig.h"

namespace vrklad {

// The entries of the organization selection dialog: OrgTable rows from 0 up
// to OrgCount − 1, stopping at the first row whose OKPO is 0; each reads
// "12345678(123)" and stands for its OKPO.
std::vector<Operator::OrgItem> OrganizationItems(const ProgramConfig& config);

}  // namespace vrklad
