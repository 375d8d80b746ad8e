#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

namespace vrklad {

class RegisterFile;

// The trailer that binds a record file to its name: a random 16-bit seed and
// a 32-bit sum over the records and the file name. Part of the file format.
uint32_t MixByte(uint8_t b, uint16_t seed, uint32_t sum);
// `name` is the file name without directory, UTF-8.
uint32_t MixName(std::string_view name, uint16_t seed, uint32_t sum);
// The sum of a file whose first `recordBytes` (L) bytes are records; only the
// first min(L, 65536) bytes are looked at, repeated (the file format does so).
// L is TrailerOffset. 0 when the records cannot be read.
uint32_t RecordSum(const RegisterFile& file, std::string_view name, uint16_t seed);

// Writes the trailer at TrailerOffset (nothing for an empty file); the file is
// never shortened. False on a write error.
bool SealRegister(RegisterFile& file, std::string_view name);
bool VerifyRegister(const RegisterFile& file, std::string_view name);

// Tests fix the seeds that SealRegister draws; an empty function restores
// the clock-seeded generator. A seed of 0 from the source is asked for again.
void SetSeedSourceForTesting(std::function<uint16_t()> source);

}  // namespace vrklad
