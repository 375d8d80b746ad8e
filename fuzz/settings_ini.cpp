// "VR_KLAD.INI" of any content: read as at start-up, then the keys the
// program writes, each read back as written with every other line kept.
#include <cstddef>
#include <cstdint>
#include <fstream>
#include <iterator>
#include <string>

#include "register/Clock.h"
#include "register/IniFile.h"
#include "register/SettingsIni.h"
#include "support/FuzzCheck.h"
#include "support/FuzzProgramDir.h"

using namespace vrklad;

namespace {

std::string ReadAll(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    SetNowForTesting(LocalDateTime{2024, 3, 5, 14, 7, 9});
    const auto& dir = fuzz::FuzzProgramDir::Fresh();
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    fuzz::FuzzProgramDir::Write(dir / Settings::kFileName, bytes);

    Settings s;
    FUZZ_CHECK(ReadSettings(dir, s));
    FUZZ_CHECK(IsValidDate(s.LastDateCompress.year, s.LastDateCompress.month,
                           s.LastDateCompress.day));

    // In memory: a value set is the value read, and the key's line is the
    // only one that changes (the file may only grow by the new lines).
    IniFile ini(bytes);
    ini.SetValue("Options", "TypeOrganization", "3");
    FUZZ_CHECK(ini.Value("Options", "TypeOrganization") == std::optional<std::string>("3"));
    ini.SetValue("Other", "LastDateCompress", "01.02.2024");
    FUZZ_CHECK(ini.Value("Other", "LastDateCompress") == std::optional<std::string>("01.02.2024"));
    FUZZ_CHECK(ini.Value("Options", "TypeOrganization") == std::optional<std::string>("3"));

    // On disk, through the program's own writers.
    FUZZ_CHECK(WriteIniInteger(dir, "DateEndAllow", "MonthEndAllow", 6));
    FUZZ_CHECK(WriteIniDate(dir, "Other", "LastDateCompress", LocalDateTime{2023, 12, 31, 8, 0, 0}));
    Settings after;
    FUZZ_CHECK(ReadSettings(dir, after));
    FUZZ_CHECK(after.MonthEndAllow == 6);
    FUZZ_CHECK(after.LastDateCompress == (LocalDateTime{2023, 12, 31, 0, 0, 0}));
    FUZZ_CHECK(after.TypeOrganization == s.TypeOrganization);
    FUZZ_CHECK(after.DayEndAllow == s.DayEndAllow);
    FUZZ_CHECK(after.RepareDocFormat == s.RepareDocFormat);
    // Writing a value that is there already leaves the file as it is.
    const std::string written = ReadAll(dir / Settings::kFileName);
    FUZZ_CHECK(WriteIniInteger(dir, "DateEndAllow", "MonthEndAllow", 6));
    FUZZ_CHECK(ReadAll(dir / Settings::kFileName) == written);
    return 0;
}
