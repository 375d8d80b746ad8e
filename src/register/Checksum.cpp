#include "register/Checksum.h"

#include <algorithm>
#include <array>
#include <chrono>
#include <optional>
#include <random>
#include <vector>

#include "register/Cp1251.h"
#include "register/RegisterFile.h"

namespace vrklad {
namespace {

constexpr uint64_t kSumWindow = 65536;  // only this many record bytes take part, repeated
constexpr size_t kTrailerSize = 6;

std::function<uint16_t()>& SeedSource() {
    static std::function<uint16_t()> source;
    return source;
}

// A fresh seed from a clock-seeded generator, drawn the way existing files
// were sealed: seed in [0, r) with r itself in [0, 65535), until non-zero.
// Only the low 8 bits of the seed enter the sum, and bit 0 adds the same 1
// for every byte, so a seed whose low byte is 0 or 1 would make the sum blind
// to the content; such seeds are drawn again (any non-zero seed reads back
// the same way).
uint16_t DrawSeed() {
    std::mt19937 gen(static_cast<uint32_t>(
        std::chrono::high_resolution_clock::now().time_since_epoch().count()));
    std::uniform_int_distribution<uint32_t> range(0, 65534);
    for (;;) {
        const uint32_t r = range(gen);
        if (r < 2) continue;
        const uint32_t seed = std::uniform_int_distribution<uint32_t>(0, r - 1)(gen);
        if ((seed & 0xFE) != 0) return static_cast<uint16_t>(seed);
    }
}

std::optional<uint16_t> NextSeed() {
    if (!SeedSource()) return DrawSeed();
    // A test source that keeps answering 0 must not hang the seal.
    for (int attempt = 0; attempt < 64; ++attempt) {
        if (const uint16_t seed = SeedSource()(); seed != 0) return seed;
    }
    return std::nullopt;
}

// MixByte(b, seed, 0) for every byte value, so that the record sum costs one
// addition per distinct buffer position.
std::array<uint32_t, 256> MixTable(uint16_t seed) {
    std::array<uint32_t, 256> table{};
    for (unsigned b = 0; b < 256; ++b) table[b] = MixByte(static_cast<uint8_t>(b), seed, 0);
    return table;
}

std::optional<uint32_t> ComputeRecordSum(const RegisterFile& file, std::string_view name,
                                         uint16_t seed) {
    const uint64_t length = file.TrailerOffset();
    const uint64_t window = std::min(length, kSumWindow);
    std::vector<uint8_t> buffer(window);
    if (window > 0 && !file.ReadAt(0, buffer.data(), buffer.size())) return std::nullopt;

    // Byte j of the mixed sequence is buffer[j mod B]; addition is commutative
    // modulo 2^32, so each buffer position counts (L div B) times, and once
    // more when it lies below L mod B.
    uint32_t sum = 0;
    if (window > 0) {
        const auto table = MixTable(seed);
        const uint64_t rounds = length / window;
        const uint64_t rest = length % window;
        uint32_t whole = 0;
        uint32_t head = 0;
        for (uint64_t i = 0; i < window; ++i) {
            if (i == rest) head = whole;
            whole += table[buffer[i]];
        }
        sum = static_cast<uint32_t>(whole * static_cast<uint32_t>(rounds)) + head;
    }
    return MixName(name, seed, sum);
}

void PutLe(uint8_t* out, uint64_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) out[i] = static_cast<uint8_t>(value >> (8 * i));
}

uint64_t GetLe(const uint8_t* in, int bytes) {
    uint64_t value = 0;
    for (int i = 0; i < bytes; ++i) value |= uint64_t{in[i]} << (8 * i);
    return value;
}

}  // namespace

uint32_t MixByte(uint8_t b, uint16_t seed, uint32_t sum) {
    uint32_t power = 1;  // b^k modulo 2^32
    for (unsigned k = 0; k < 8; ++k) {
        sum += (seed & (1u << k)) * power;
        power *= b;
    }
    return sum;
}

uint32_t MixName(std::string_view name, uint16_t seed, uint32_t sum) {
    const std::string bytes = Utf8ToCp1251(name);

    const size_t firstDot = bytes.find('.');
    if (firstDot != std::string::npos) {
        for (size_t i = 0; i < firstDot; ++i) {
            char c = bytes[i];
            if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
            sum = MixByte(static_cast<uint8_t>(c), seed, sum);
        }
    }

    const size_t lastDot = bytes.rfind('.');
    if (lastDot != std::string::npos) {
        for (size_t i = lastDot; i < bytes.size(); ++i) {
            char c = bytes[i];
            if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
            sum = MixByte(static_cast<uint8_t>(c), seed, sum);
        }
    }
    return sum;
}

uint32_t RecordSum(const RegisterFile& file, std::string_view name, uint16_t seed) {
    return ComputeRecordSum(file, name, seed).value_or(0);
}

bool SealRegister(RegisterFile& file, std::string_view name) {
    if (!file.IsOpen()) return false;
    const uint64_t offset = file.TrailerOffset();
    if (offset == 0) return true;  // an empty register carries no trailer
    const std::optional<uint16_t> seed = NextSeed();
    if (!seed) return false;
    const std::optional<uint32_t> sum = ComputeRecordSum(file, name, *seed);
    if (!sum) return false;
    uint8_t trailer[kTrailerSize];
    PutLe(trailer, *seed, 2);
    PutLe(trailer + 2, *sum, 4);
    return file.WriteAt(offset, trailer, sizeof trailer);
}

bool VerifyRegister(const RegisterFile& file, std::string_view name) {
    uint8_t trailer[kTrailerSize];
    if (!file.ReadAt(file.TrailerOffset(), trailer, sizeof trailer)) return false;
    const auto seed = static_cast<uint16_t>(GetLe(trailer, 2));
    if (seed == 0) return false;
    const std::optional<uint32_t> sum = ComputeRecordSum(file, name, seed);
    return sum && *sum == static_cast<uint32_t>(GetLe(trailer + 2, 4));
}

void SetSeedSourceForTesting(std::function<uint16_t()> source) { SeedSource() = std::move(source); }

}  // namespace vrklad
