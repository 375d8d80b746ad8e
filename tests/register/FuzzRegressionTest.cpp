// Inputs the fuzz targets (fuzz/) found to break the register store, kept
// as ordinary tests next to it.
#include <gtest/gtest.h>

#include <string>

#include "register/Clock.h"
#include "register/SettingsIni.h"
#include "support/TempDir.h"

namespace vrklad {
namespace {

// A date of "VR_KLAD.INI" whose parts run to many digits is no date, and
// reading it must not overflow on the way (found by fuzz/settings_ini.cpp).
TEST(FuzzRegression, LongDigitRunsInTheCompressionDateGiveTheDefault) {
    const LocalDateTime now{2024, 3, 5, 14, 7, 9};
    SetNowForTesting(now);
    const char* const dates[] = {"777777777777772.2.2024", "1.99999999999999999999.2024",
                                 "1.2.2024000000000000000", "0000000000001.2.2024"};
    for (const char* date : dates) {
        SCOPED_TRACE(date);
        test::TempDir dir;
        test::WriteFile(dir / "VR_KLAD.INI",
                        std::string("[Other]\r\nLastDateCompress=") + date + "\r\n");
        Settings s;
        ASSERT_TRUE(ReadSettings(dir.Dir(), s));
        EXPECT_EQ(s.LastDateCompress, AddHours(now, -720));
    }
    SetNowForTesting(std::nullopt);
}

}  // namespace
}  // namespace vrklad
