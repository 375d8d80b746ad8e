#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "register/RecordDate.h"

namespace vrklad {

struct ProgramConfig;

// The installation values the checks depend on.
struct SchoolYear {
    uint8_t orgType = 0;
    uint8_t maxKlass = 0;
    uint8_t monthEndAllow = 9;
    uint8_t dayEndAllow = 30;
};

bool CheckSnils(int64_t snils);
bool IsFioValid(std::string_view fio);                // UTF-8
int NameSimilarity(std::string_view a, std::string_view b);  // 0..100
bool CheckKlass(int16_t number, uint8_t maxKlass, std::string& message);
bool CheckAgencyCode(std::string_view text, const ProgramConfig& config, std::string& message);
// Compares with the current moment of the clock seam.
bool CheckBenefitEnd(std::string& message, uint8_t klass, RecordDate end, const SchoolYear& year);
bool AllDigits(std::string_view text);

}  // namespace vrklad
