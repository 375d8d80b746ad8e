#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <functional>

#include "register/ChangeCodes.h"
#include "register/RegisterFile.h"
#include "register/RegisterFixtures.h"
#include "support/TempDir.h"

namespace vrklad {
namespace {

using test::MakeRecord;
using test::SizeOf;
using test::TempDir;

TEST(RegisterFile, CountsRecordsBySize) {
    struct Case {
        size_t size;
        uint32_t records;
    } cases[] = {
        {0, 0}, {6, 0}, {191, 0}, {192, 1}, {198, 1}, {3 * 192 + 100, 3}, {5 * 192 + 191, 5},
    };
    TempDir dir;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.size);
        const auto path = dir / ("r" + std::to_string(c.size));
        test::WriteFile(path, std::string(c.size, '\x5A'));
        RegisterFile reg;
        ASSERT_EQ(reg.Open(path), RegisterFile::OpenResult::Ok);
        EXPECT_EQ(reg.CountRecords(), c.records);
        EXPECT_EQ(reg.TrailerOffset(), c.records * 192u);
        EXPECT_EQ(reg.ReadAll().size(), c.records);
        StudentRecord r = EmptyRecord();
        EXPECT_FALSE(reg.Read(c.records, r));  // past the end: no record
        EXPECT_EQ(reg.Read(c.records - 1, r), c.records > 0);
    }
}

TEST(RegisterFile, OpenTellsMissingFromInUse) {
    TempDir dir;
    const auto path = dir / "12345678.sch";
    RegisterFile first;
    EXPECT_EQ(first.Open(path), RegisterFile::OpenResult::Missing);
    EXPECT_FALSE(first.LastError().empty());
    EXPECT_EQ(first.Open(dir.Dir()), RegisterFile::OpenResult::Failed);  // a directory

    ASSERT_EQ(first.Create(path), RegisterFile::OpenResult::Ok);
    RegisterFile second;
    EXPECT_EQ(second.Open(path), RegisterFile::OpenResult::InUse);
    EXPECT_EQ(second.Create(path), RegisterFile::OpenResult::InUse);
    EXPECT_FALSE(second.IsOpen());

    // Another process is refused just the same.
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        RegisterFile other;
        _exit(other.Open(path) == RegisterFile::OpenResult::InUse ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);

    first.Close();
    EXPECT_EQ(second.Open(path), RegisterFile::OpenResult::Ok);
}

TEST(RegisterFile, CreateNeverTruncatesAFileInUse) {
    TempDir dir;
    const auto path = dir / "SCHOOL.R_N";
    test::WriteRecords(path, {MakeRecord(1), MakeRecord(2)});
    RegisterFile holder;
    ASSERT_EQ(holder.Open(path), RegisterFile::OpenResult::Ok);
    RegisterFile intruder;
    EXPECT_EQ(intruder.Create(path), RegisterFile::OpenResult::InUse);
    EXPECT_EQ(SizeOf(path), 2 * 192u);

    holder.Close();
    ASSERT_EQ(intruder.Create(path), RegisterFile::OpenResult::Ok);
    EXPECT_EQ(SizeOf(path), 0u);
}

TEST(RegisterFile, AppendOverwritesTrailerAndWritesInPlace) {
    TempDir dir;
    const auto path = dir / "r";
    test::WriteRecords(path, {MakeRecord(1), MakeRecord(2)}, "TRAILR");
    RegisterFile reg;
    ASSERT_EQ(reg.Open(path), RegisterFile::OpenResult::Ok);

    uint16_t index = 0;
    ASSERT_EQ(reg.Append(MakeRecord(3), &index), RegisterFile::AppendResult::Ok);
    EXPECT_EQ(index, 2);
    EXPECT_EQ(SizeOf(path), 3 * 192u);

    ASSERT_TRUE(reg.Write(1, MakeRecord(20, 7, Deleted)));
    EXPECT_TRUE(reg.Write(3, MakeRecord(4)));   // at the end: one more record
    EXPECT_FALSE(reg.Write(5, MakeRecord(6)));  // a gap is never left
    const auto all = reg.ReadAll();
    ASSERT_EQ(all.size(), 4u);
    EXPECT_EQ(all[0].OKPO, 1u);
    EXPECT_EQ(all[1].OKPO, 20u);
    EXPECT_EQ(all[1].LastChange, Deleted);
    EXPECT_EQ(all[2].OKPO, 3u);
    EXPECT_EQ(all[3].OKPO, 4u);
    StudentRecord r = EmptyRecord();
    ASSERT_TRUE(reg.Read(2, r));
    EXPECT_TRUE(SameBytes(r, all[2]));
}

// The handle knows its file's size without asking the system each time; it
// must agree with the file after every kind of write.
TEST(RegisterFile, SizeFollowsEveryWriteThroughTheHandle) {
    TempDir dir;
    const auto path = dir / "r";
    test::WriteRecords(path, {MakeRecord(1), MakeRecord(2)}, "TRAILR");
    RegisterFile reg;
    ASSERT_EQ(reg.Open(path), RegisterFile::OpenResult::Ok);
    const char trailer[6] = {1, 2, 3, 4, 5, 6};
    struct Step {
        const char* name;
        std::function<bool()> write;
        uint64_t size;
    } steps[] = {
        {"opened", [] { return true; }, 2 * 192 + 6},
        {"written in place", [&] { return reg.Write(0, MakeRecord(5)); }, 2 * 192 + 6},
        {"appended over the trailer",
         [&] { return reg.Append(MakeRecord(3)) == RegisterFile::AppendResult::Ok; }, 3 * 192},
        {"trailer written", [&] { return reg.WriteAt(3 * 192, trailer, sizeof trailer); },
         3 * 192 + 6},
        {"written at the end", [&] { return reg.Write(3, MakeRecord(4)); }, 4 * 192},
        {"written inside", [&] { return reg.WriteAt(10, trailer, sizeof trailer); }, 4 * 192},
    };
    for (const Step& s : steps) {
        SCOPED_TRACE(s.name);
        ASSERT_TRUE(s.write());
        EXPECT_EQ(reg.FileSize(), s.size);
        EXPECT_EQ(SizeOf(path), s.size);
        EXPECT_EQ(reg.CountRecords(), s.size / 192);
    }

    RegisterFile moved(std::move(reg));
    EXPECT_EQ(moved.FileSize(), 4 * 192u);
    EXPECT_EQ(reg.FileSize(), 0u);
    moved.Close();
    ASSERT_EQ(moved.Create(path), RegisterFile::OpenResult::Ok);
    EXPECT_EQ(moved.FileSize(), 0u);
    EXPECT_EQ(moved.Append(MakeRecord(7)), RegisterFile::AppendResult::Ok);
    EXPECT_EQ(moved.CountRecords(), 1u);
}

TEST(RegisterFile, FullRegisterRefusesAppend) {
    struct Case {
        uint64_t records;
        RegisterFile::AppendResult result;
    } cases[] = {
        {65534, RegisterFile::AppendResult::Ok},
        {65535, RegisterFile::AppendResult::Full},
        {65536, RegisterFile::AppendResult::Full},  // made elsewhere; never wrap to 0
    };
    TempDir dir;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.records);
        const auto path = dir / ("full" + std::to_string(c.records));
        test::WriteZeroRecords(path, c.records);
        RegisterFile reg;
        ASSERT_EQ(reg.Open(path), RegisterFile::OpenResult::Ok);
        uint16_t index = 0;
        EXPECT_EQ(reg.Append(MakeRecord(9), &index), c.result);
        const uint64_t expected =
            c.result == RegisterFile::AppendResult::Ok ? c.records + 1 : c.records;
        EXPECT_EQ(SizeOf(path), expected * 192);
        EXPECT_FALSE(reg.Write(RegisterFile::kNoRecord, MakeRecord(9)));
        StudentRecord r = EmptyRecord();
        ASSERT_TRUE(reg.Read(0, r));
        EXPECT_EQ(r.OKPO, 0u);  // record 0 untouched
        EXPECT_LE(reg.ReadAll().size(), RegisterFile::kMaxRecords);
    }
}

TEST(RegisterFile, ClosedHandleDoesNothing) {
    RegisterFile reg;
    StudentRecord r = EmptyRecord();
    EXPECT_FALSE(reg.Read(0, r));
    EXPECT_FALSE(reg.Write(0, r));
    EXPECT_EQ(reg.Append(r), RegisterFile::AppendResult::Failed);
    EXPECT_EQ(reg.CountRecords(), 0u);
    EXPECT_TRUE(reg.ReadAll().empty());
}

}  // namespace
}  // namespace vrklad
