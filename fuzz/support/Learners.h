#pragma once

#include <cstdint>
#include <filesystem>
#include <vector>

#include "register/StudentRecord.h"

namespace vrklad::fuzz {

inline constexpr int32_t kOwnOkpo = 12345678;
inline constexpr uint16_t kOwnAgency = 5;
inline constexpr int32_t kSenderOkpo = 87654321;
inline constexpr uint16_t kSenderAgency = 7;

// Learner n of an organization, as the program writes one.
StudentRecord Learner(uint32_t n, int32_t okpo, uint16_t agency);

void WriteRecords(const std::filesystem::path& path, const std::vector<StudentRecord>& records);

}  // namespace vrklad::fuzz
