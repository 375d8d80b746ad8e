#pragma once

#include <cstdint>
#include <filesystem>
#include <string>

#include "register/Clock.h"

namespace vrklad {

// The options of "VR_KLAD.INI", as held in memory (integers in 8 bits).
struct Settings {
    static constexpr const char* kFileName = "VR_KLAD.INI";

    uint8_t TypeOrganization = 0;
    uint8_t MonthEndAllow = 9;
    uint8_t DayEndAllow = 30;
    LocalDateTime LastDateCompress;  // default: now minus 720 hours
    uint8_t RepareDocFormat = 0;
};

// False when the file is missing (nothing is read then).
bool ReadSettings(const std::filesystem::path& programDir, Settings& out);

// Write one key in place, keeping every other line of the file byte for byte.
// The file is never created: false when it is missing.
bool WriteIniInteger(const std::filesystem::path& programDir, const std::string& section,
                     const std::string& key, int value);
// Writes the date part as dd.mm.yyyy.
bool WriteIniDate(const std::filesystem::path& programDir, const std::string& section,
                  const std::string& key, const LocalDateTime& date);

}  // namespace vrklad
