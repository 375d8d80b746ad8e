#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "register/Checksum.h"
#include "register/RegisterFile.h"
#include "register/RegisterFixtures.h"
#include "support/TempDir.h"

namespace vrklad {
namespace {

using test::SizeOf;
using test::TempDir;

// Fixes the seed drawn by SealRegister for one test.
class FixedSeed {
public:
    explicit FixedSeed(uint16_t seed) {
        SetSeedSourceForTesting([seed] { return seed; });
    }
    ~FixedSeed() { SetSeedSourceForTesting({}); }
};

// Records whose every byte differs from its neighbours, so that a moved or
// repeated window shows up in the sum.
std::string PatternBytes(size_t size) {
    std::string bytes(size, '\0');
    for (size_t i = 0; i < size; ++i) bytes[i] = static_cast<char>((i * 7 + i / 251) & 0xFF);
    return bytes;
}

// The sum the slow way, byte after byte, as the file format defines it.
uint32_t SlowSum(const std::string& file, uint64_t length, const std::string& name, uint16_t seed) {
    const uint64_t window = std::min<uint64_t>(length, 65536);
    uint32_t sum = 0;
    for (uint64_t j = 0; j < length; ++j) {
        sum = MixByte(static_cast<uint8_t>(file[j % window]), seed, sum);
    }
    return MixName(name, seed, sum);
}

TEST(Checksum, MixByte) {
    struct Case {
        uint8_t b;
        uint16_t seed;
        uint32_t sum;
        uint32_t expected;
    } cases[] = {
        {2, 0x00FF, 0, 21845},  // 1 + 4 + ... + 4^7
        {0, 0x00FF, 0, 1},      // only b^0 is not 0
        {2, 0x0003, 10, 15},    // 10 + 1 + 2·2
        {9, 0xFF00, 77, 77},    // the high byte of the seed takes no part
        {7, 0xFF55, 0, 7568149},
        {255, 0x0080, 0, 1971552128},          // 128 · 255^7 modulo 2^32
        {200, 0x00FF, 0xFFFFFFF0, 172229249},  // the sum wraps
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << int(c.b) << " seed " << c.seed);
        EXPECT_EQ(MixByte(c.b, c.seed, c.sum), c.expected);
    }
}

TEST(Checksum, MixName) {
    struct Case {
        const char* name;
        uint16_t seed;
        uint32_t sum;
        uint32_t expected;
    } cases[] = {
        {"SCHOOL.R_N", 3, 0, 1652},  // 918 for SCHOOL, 734 for .r_n
        {"school.r_n", 3, 0, 1652},  // the base is upper-cased, the extension lower-cased
        {"School.R_n", 3, 0, 1652},     {"12345678.sch", 3, 0, 1580},
        {"12345678.SCH", 3, 0, 1580},   {"12345679.sch", 3, 0, 1582},  // one digit of the OKPO part
        {"noext", 0xA5, 7, 7},  // no "." at all: nothing is mixed
        {"a.b.C", 3, 0, 423},   // base up to the first ".", extension from the last
        {".sch", 0xA5, 7, 3380940707u}, {"x.", 0xA5, 7, 1801598489},
        {"Школа.Sch", 3, 0, 3031},  // Cyrillic letters keep their case
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(MixName(c.name, c.seed, c.sum), c.expected);
    }
}

TEST(Checksum, WorkedExampleTrailer) {
    TempDir dir;
    const auto path = dir / "SCHOOL.R_N";
    test::WriteRecords(path, {EmptyRecord()});
    RegisterFile reg;
    ASSERT_EQ(reg.Open(path), RegisterFile::OpenResult::Ok);
    FixedSeed seed(3);
    EXPECT_EQ(RecordSum(reg, "SCHOOL.R_N", 3), 1844u);
    ASSERT_TRUE(SealRegister(reg, "SCHOOL.R_N"));
    EXPECT_EQ(test::ReadFile(path).substr(192), std::string("\x03\x00\x34\x07\x00\x00", 6));
    EXPECT_TRUE(VerifyRegister(reg, "SCHOOL.R_N"));
}

TEST(Checksum, RecordSumMatchesByteAfterByteDefinition) {
    // Below, at and beyond the 65,536-byte window, and not a multiple of it.
    const uint32_t counts[] = {1, 341, 342, 400, 1000};
    TempDir dir;
    for (uint32_t n : counts) {
        SCOPED_TRACE(n);
        const std::string bytes = PatternBytes(n * 192);
        const auto path = dir / ("r" + std::to_string(n));
        test::WriteFile(path, bytes);
        RegisterFile reg;
        ASSERT_EQ(reg.Open(path), RegisterFile::OpenResult::Ok);
        for (uint16_t seed : {uint16_t{1}, uint16_t{0x00FF}, uint16_t{0xBEEF}}) {
            EXPECT_EQ(RecordSum(reg, "123.sch", seed), SlowSum(bytes, n * 192, "123.sch", seed));
        }
    }
}

TEST(Checksum, SealSizes) {
    struct Case {
        const char* what;
        size_t records;
        std::string tail;
        size_t sizeAfter;
    } cases[] = {
        {"empty register", 0, "", 0},
        {"unsealed", 3, "", 3 * 192 + 6},
        {"sealed before", 3, "ABCDEF", 3 * 192 + 6},
        {"short tail", 3, "AB", 3 * 192 + 6},
        {"longer tail is kept", 3, "ABCDEFGHIJ", 3 * 192 + 10},
    };
    TempDir dir;
    FixedSeed seed(0x1234);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const auto path = dir / "12345678.sch";
        test::WriteRecords(path, std::vector<StudentRecord>(c.records, test::MakeRecord(5)),
                           c.tail);
        RegisterFile reg;
        ASSERT_EQ(reg.Open(path), RegisterFile::OpenResult::Ok);
        EXPECT_TRUE(SealRegister(reg, "12345678.sch"));
        EXPECT_EQ(SizeOf(path), c.sizeAfter);
        if (c.records > 0) {
            EXPECT_EQ(test::ReadFile(path).substr(c.records * 192, 2), "\x34\x12");
            EXPECT_EQ(test::ReadFile(path).substr(c.records * 192 + 6),
                      c.tail.substr(std::min<size_t>(6, c.tail.size())));
            EXPECT_TRUE(VerifyRegister(reg, "12345678.sch"));
        }
    }
}

TEST(Checksum, WhatVerificationNotices) {
    // 400 records: more than the 65,536 bytes that take part in the sum.
    const std::string name = "12345678.sch";
    struct Case {
        const char* what;
        int64_t offset;  // byte to change, -1 for none
        const char* verifyAs;
        bool verifies;
    } cases[] = {
        {"untouched", -1, "12345678.sch", true},
        {"first byte", 0, "12345678.sch", false},
        {"last byte of the window", 65535, "12345678.sch", false},
        {"last 128 bytes of record 341", 341 * 192 + 64, "12345678.sch", true},
        {"record 342", 342 * 192 + 10, "12345678.sch", true},
        {"last record", 399 * 192 + 191, "12345678.sch", true},
        {"extension in capitals", -1, "12345678.SCH", true},
        {"other OKPO", -1, "12345679.sch", false},
        {"other extension", -1, "12345678.stu", false},
        {"moved into a directory name", -1, "12345678", false},
    };
    TempDir dir;
    const FixedSeed seed(0x2B37);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const auto path = dir / name;
        test::WriteFile(path, PatternBytes(400 * 192));
        RegisterFile reg;
        ASSERT_EQ(reg.Open(path), RegisterFile::OpenResult::Ok);
        ASSERT_TRUE(SealRegister(reg, name));
        if (c.offset >= 0) {
            uint8_t b = 0;
            ASSERT_TRUE(reg.ReadAt(c.offset, &b, 1));
            b ^= 0x5A;
            ASSERT_TRUE(reg.WriteAt(c.offset, &b, 1));
        }
        EXPECT_EQ(VerifyRegister(reg, c.verifyAs), c.verifies);
    }
}

TEST(Checksum, BrokenTrailersNeverVerify) {
    // Seed 3 over one zero record gives the sum 1844 (0x734).
    const std::string record(192, '\0');
    struct Case {
        const char* what;
        std::string tail;
    } cases[] = {
        {"no trailer", ""},
        {"cut short", std::string("\x03\x00\x34\x07", 4)},
        {"seed 0", std::string("\x00\x00\x34\x07\x00\x00", 6)},
        {"wrong sum", std::string("\x03\x00\x35\x07\x00\x00", 6)},
    };
    TempDir dir;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const auto path = dir / "SCHOOL.R_N";
        test::WriteFile(path, record + c.tail);
        RegisterFile reg;
        ASSERT_EQ(reg.Open(path), RegisterFile::OpenResult::Ok);
        EXPECT_FALSE(VerifyRegister(reg, "SCHOOL.R_N"));
    }
    const auto path = dir / "SCHOOL.R_N";
    test::WriteFile(path, record + std::string("\x03\x00\x34\x07\x00\x00", 6));
    RegisterFile reg;
    ASSERT_EQ(reg.Open(path), RegisterFile::OpenResult::Ok);
    EXPECT_TRUE(VerifyRegister(reg, "SCHOOL.R_N"));  // the same bytes, whole
    EXPECT_FALSE(VerifyRegister(RegisterFile(), "SCHOOL.R_N"));
}

TEST(Checksum, SeedsFromTheClockAndFromTests) {
    TempDir dir;
    const auto path = dir / "PTU.R_N";
    test::WriteRecords(path, {test::MakeRecord(1), test::MakeRecord(2)});
    RegisterFile reg;
    ASSERT_EQ(reg.Open(path), RegisterFile::OpenResult::Ok);
    for (int i = 0; i < 20; ++i) {
        ASSERT_TRUE(SealRegister(reg, "PTU.R_N"));
        uint16_t seed = 0;
        ASSERT_TRUE(reg.ReadAt(2 * 192, &seed, 2));
        EXPECT_NE(seed, 0);
        EXPECT_TRUE(VerifyRegister(reg, "PTU.R_N"));
    }

    // A source stuck at 0 fails the seal instead of writing seed 0 or hanging.
    const std::string before = test::ReadFile(path);
    SetSeedSourceForTesting([] { return uint16_t{0}; });
    EXPECT_FALSE(SealRegister(reg, "PTU.R_N"));
    SetSeedSourceForTesting({});
    EXPECT_EQ(test::ReadFile(path), before);
}

TEST(Checksum, FullRegisterSealsAndVerifies) {
    TempDir dir;
    const auto path = dir / "STUD.R_N";
    test::WriteZeroRecords(path, RegisterFile::kMaxRecords);
    RegisterFile reg;
    ASSERT_EQ(reg.Open(path), RegisterFile::OpenResult::Ok);
    FixedSeed seed(0x00FF);
    ASSERT_TRUE(SealRegister(reg, "STUD.R_N"));
    EXPECT_EQ(SizeOf(path), 65535u * 192 + 6);
    EXPECT_TRUE(VerifyRegister(reg, "STUD.R_N"));
    // Each of the 65,535 × 192 zero bytes adds 1.
    EXPECT_EQ(RecordSum(reg, "STUD.R_N", 0x00FF), MixName("STUD.R_N", 0x00FF, 65535u * 192));
}

}  // namespace
}  // namespace vrklad

namespace vrklad {
namespace {

TEST(Checksum, DrawnSeedsAlwaysReachTheContent) {
    // A low seed byte of 0 or 1 would give a sum that ignores every record byte.
    test::TempDir dir;
    const auto path = dir / "SCHOOL.R_N";
    test::WriteFile(path, std::string(192, '\x07'));
    RegisterFile reg;
    ASSERT_EQ(reg.Open(path), RegisterFile::OpenResult::Ok);
    for (int i = 0; i < 3000; ++i) {
        ASSERT_TRUE(SealRegister(reg, "SCHOOL.R_N"));
        uint8_t low = 0;
        ASSERT_TRUE(reg.ReadAt(192, &low, 1));
        ASSERT_NE(low & 0xFE, 0) << "seal " << i;
    }
}

}  // namespace
}  // namespace vrklad
