#include "session/OrganizationItems.h"

#include <algorithm>
#include <string>

namespace vrklad {

std::vector<Operator::OrgItem> OrganizationItems(const ProgramConfig& config) {
    std::vector<Operator::OrgItem> items;
    const int rows = std::min<int>(config.OrgCount, ProgramConfig::kMaxOrgs);
    for (int i = 0; i < rows && config.OrgOKPO[i] != 0; ++i) {
        const auto okpo = static_cast<uint32_t>(config.OrgOKPO[i]);
        items.push_back(
            {std::to_string(okpo) + "(" + std::to_string(config.OrgAgency[i]) + ")", okpo});
    }
    return items;
}

}  // namespace vrklad
