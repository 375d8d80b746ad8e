#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "exchange/ExchangeNames.h"

namespace vrklad {
namespace {

TEST(ExchangeNames, BaseNameFollowsModeAndRegisterName) {
    struct Case {
        uint8_t districtMode;
        uint8_t orgType;
        std::string base;
    };
    const std::vector<Case> cases = {
        {1, 1, "R_N"},      {1, 2, "R_N"},      {1, 3, "R_N"},      {1, 4, ""}, {0, 1, "12345678"},
        {0, 2, "12345678"}, {0, 3, "12345678"}, {0, 4, "12345678"}, {0, 0, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message()
                     << "district " << int(c.districtMode) << " type " << int(c.orgType));
        ProgramConfig cfg = EmptyConfig();
        cfg.DistrictMode = c.districtMode;
        cfg.OrgType = c.orgType;
        cfg.OrgOKPO[0] = 12345678;
        EXPECT_EQ(ExchangeBaseName(cfg), c.base);
        EXPECT_EQ(ActualFileName(cfg), c.base.empty() ? "" : c.base + ".act");
        EXPECT_EQ(CorrectionsFileName(cfg), c.base.empty() ? "" : c.base + ".cor");
    }
}

TEST(ExchangeNames, CorrectionsArchiveCarriesTheMomentWithoutSeparators) {
    EXPECT_EQ(CorrectionsArchiveName({2019, 12, 9, 14, 5, 33}), "CORRECT_191209140533.ARJ");
    EXPECT_EQ(CorrectionsArchiveName({2000, 1, 2, 3, 4, 5}), "CORRECT_000102030405.ARJ");
}

}  // namespace
}  // namespace vrklad
