#include <gtest/gtest.h>

#include <cstdlib>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "exchange/Archiver.h"
#include "exchange/ArjListing.h"
#include "exchange/FileCommands.h"
#include "exchange/CraftedArj.h"
#include "support/TempDir.h"

namespace vrklad {
namespace {

namespace fs = std::filesystem;
using test::CraftArj;
using test::CraftedMember;
using test::ReadFile;
using test::TempDir;
using test::WriteFile;

// Every file and directory under root, relative to it ("dir/" for directories).
std::set<std::string> Tree(const fs::path& root) {
    std::set<std::string> names;
    for (const auto& e : fs::recursive_directory_iterator(root)) {
        std::string name = fs::relative(e.path(), root).string();
        if (e.is_directory() && !e.is_symlink()) name += "/";
        names.insert(name);
    }
    return names;
}

std::vector<std::string> StoredNames(const fs::path& archive) {
    const ArjListing listing = ReadArjListing(archive);
    EXPECT_TRUE(listing.ok) << listing.error;
    std::vector<std::string> names;
    for (const auto& m : listing.members) names.push_back(m.storedName);
    return names;
}

class ScopedPath {
  public:
    explicit ScopedPath(const std::string& value) {
        if (const char* old = std::getenv("PATH")) m_old = old;
        setenv("PATH", value.c_str(), 1);
    }
    ~ScopedPath() { setenv("PATH", m_old.c_str(), 1); }

  private:
    std::string m_old;
};

TEST(Archiver, RoundTripStoresNamesWithoutDirectoriesAndExtractsFlat) {
    TempDir dir;
    fs::create_directory(dir / "Export");
    std::string records;
    for (int i = 0; i < 4096; ++i) records += static_cast<char>(i * 7 % 256);
    WriteFile(dir / "Export" / "12345678.act", records);
    WriteFile(dir / "Export" / "Actual.log", "Протокол\r\n");
    WriteFile(dir / "Additional.db", std::string(3000, 'd'));

    const RunResult add =
        AddToArchive(dir.Path(), "Export/ACTUAL.ARJ",
                     {"Export/12345678.act", "Export/Actual.log", "Additional.db"});
    ASSERT_TRUE(add.started);
    EXPECT_EQ(add.exitCode, 0) << add.output;
    EXPECT_EQ(StoredNames(dir / "Export" / "ACTUAL.ARJ"),
              (std::vector<std::string>{"12345678.act", "Actual.log", "Additional.db"}));

    const ExtractResult got = ExtractArchive(dir.Path(), "Export/ACTUAL.ARJ", "PRCSSD");
    EXPECT_FALSE(got.refused) << got.refusal;
    ASSERT_TRUE(got.run.started);
    EXPECT_EQ(got.run.exitCode, 0) << got.run.output;
    EXPECT_EQ(got.files, (std::vector<std::string>{"12345678.act", "Actual.log", "Additional.db"}));
    EXPECT_EQ(Tree(dir / "PRCSSD"),
              (std::set<std::string>{"12345678.act", "Actual.log", "Additional.db"}));
    EXPECT_EQ(ReadFile(dir / "PRCSSD" / "12345678.act"), records);
    EXPECT_EQ(ReadFile(dir / "PRCSSD" / "Actual.log"), "Протокол\r\n");
}

TEST(Archiver, AddingToAnArchiveReplacesSameNamedMembers) {
    TempDir dir;
    fs::create_directories(dir / "new");
    WriteFile(dir / "a.txt", "first a");
    WriteFile(dir / "b.txt", "b");
    ASSERT_EQ(AddToArchive(dir.Path(), "BACKUP.BKP", {"a.txt", "b.txt"}).exitCode, 0);
    WriteFile(dir / "new" / "a.txt", "second a");
    WriteFile(dir / "new" / "-c.txt", "c");
    ASSERT_EQ(AddToArchive(dir.Path(), "BACKUP.BKP", {"new/a.txt", "new/-c.txt"}).exitCode, 0);

    const auto names = StoredNames(dir / "BACKUP.BKP");
    EXPECT_EQ(std::set<std::string>(names.begin(), names.end()),
              (std::set<std::string>{"a.txt", "b.txt", "-c.txt"}));
    EXPECT_EQ(names.size(), 3u);

    // Extraction replaces files of the same name and leaves the others.
    fs::create_directory(dir / "out");
    WriteFile(dir / "out" / "b.txt", "stale");
    WriteFile(dir / "out" / "keep.txt", "keep");
    const ExtractResult got =
        ExtractArchive(dir.Path(), (dir / "BACKUP.BKP").string(), (dir / "out").string());
    EXPECT_EQ(got.files, (std::vector<std::string>{"-c.txt", "a.txt", "b.txt"}));
    EXPECT_EQ(ReadFile(dir / "out" / "a.txt"), "second a");
    EXPECT_EQ(ReadFile(dir / "out" / "b.txt"), "b");
    EXPECT_EQ(ReadFile(dir / "out" / "keep.txt"), "keep");
    EXPECT_EQ(Tree(dir / "out"), (std::set<std::string>{"-c.txt", "a.txt", "b.txt", "keep.txt"}));
}

TEST(Archiver, ArchiverExitCodesReachTheCaller) {
    TempDir dir;
    WriteFile(dir / "here.txt", "here");
    const RunResult add = AddToArchive(dir.Path(), "A.ARJ", {"here.txt", "missing.txt"});
    ASSERT_TRUE(add.started);
    EXPECT_EQ(add.exitCode, 1);  // some file not found; the others are in
    EXPECT_EQ(StoredNames(dir / "A.ARJ"), std::vector<std::string>{"here.txt"});

    // A member whose data fails its CRC is dropped; the others arrive.
    std::string bytes = CraftArj({{"good.txt", "good data"}, {"bad.txt", "bad data"}});
    bytes[bytes.rfind("bad data")] = 'B';
    WriteFile(dir / "crc.arj", bytes);
    const ExtractResult got = ExtractArchive(dir.Path(), "crc.arj", "out");
    ASSERT_FALSE(got.refused) << got.refusal;
    EXPECT_EQ(got.run.exitCode, 3) << got.run.output;
    EXPECT_EQ(got.files, std::vector<std::string>{"good.txt"});
    EXPECT_EQ(Tree(dir / "out"), std::set<std::string>{"good.txt"});
}

TEST(Archiver, MissingArchiverIsNoticedByTheCaller) {
    TempDir dir;
    TempDir emptyPath;
    WriteFile(dir / "a.txt", "a");
    WriteFile(dir / "in.arj", CraftArj({{"a.txt", "a"}}));
    ScopedPath path(emptyPath.Dir().string());

    const RunResult add = AddToArchive(dir.Path(), "OUT.ARJ", {"a.txt"});
    EXPECT_FALSE(add.started);
    EXPECT_FALSE(fs::exists(dir / "OUT.ARJ"));

    const ExtractResult got = ExtractArchive(dir.Path(), "in.arj", "PRCSSD");
    EXPECT_FALSE(got.refused);
    EXPECT_FALSE(got.run.started);
    EXPECT_TRUE(got.files.empty());
    EXPECT_TRUE(fs::is_empty(dir / "PRCSSD"));
}

TEST(Archiver, ExtractionNeverLeavesItsTargetDirectory) {
    TempDir root;
    const fs::path outside = root / "outside";
    fs::create_directories(outside);
    const CraftedMember plain{"plain.txt", "plain"};
    std::string valid = CraftArj({plain, {"second.txt", "second"}});
    struct Case {
        const char* name;
        std::string archive;
        bool refused;
        std::set<std::string> target;  // what the target holds afterwards
    } cases[] = {
        {"plain members",
         CraftArj({plain, {"../../stored/path.txt", "p", 13}}),
         false,
         {"plain.txt", "path.txt"}},
        {"parent directory", CraftArj({plain, {"../up.txt", "up"}}), true, {}},
        {"two parent directories", CraftArj({plain, {"../../up2.txt", "up"}}), true, {}},
        {"absolute path", CraftArj({plain, {(outside / "abs.txt").string(), "abs"}}), true, {}},
        {"subdirectory", CraftArj({plain, {"sub/inner.txt", "in"}}), true, {}},
        {"path after the name position", CraftArj({plain, {"abc/../../x.txt", "x", 4}}), true, {}},
        {"name is dot dot", CraftArj({plain, {"x/..", "x", 2}}), true, {}},
        {"backslash path, DOS host",
         CraftArj({plain, {"a\\..\\..\\dos.txt", "d", 0, 0}}),
         false,
         {"plain.txt"}},
        {"backslash path, UNIX host",
         CraftArj({plain, {"..\\unix.txt", "u", 0, 2}}),
         false,
         {"plain.txt"}},
        {"directory member", CraftArj({plain, {"dir", "", 0, 0, 3}}), true, {}},
        {"special file member", CraftArj({plain, {"link", "", 0, 2, 6}}), true, {}},
        {"encrypted member",
         CraftArj({plain, {"secret.txt", "s", 0, 0, 0, kArjGarbled}}),
         true,
         {}},
        {"not an archive", "just some text", true, {}},
        {"truncated", valid.substr(0, valid.size() - 12), true, {}},
        {"damaged header",
         [&] {
             std::string b = valid;
             b[b.find("second.txt")] = 'S';
             return b;
         }(),
         true,
         {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TempDir dir;
        fs::create_directories(dir / "in");
        fs::create_directories(dir / "work" / "target");
        WriteFile(dir / "in" / "c.arj", c.archive);
        const ExtractResult got =
            ExtractArchive(dir.Path(), "in/c.arj", (dir / "work" / "target").string());
        EXPECT_EQ(got.refused, c.refused) << got.refusal;
        EXPECT_EQ(got.run.started, !c.refused);
        if (!c.refused) {
            EXPECT_EQ(got.run.exitCode, 0) << got.run.output;
        }
        EXPECT_EQ(std::set<std::string>(got.files.begin(), got.files.end()), c.target);

        std::set<std::string> tree = {"in/", "in/c.arj", "work/", "work/target/"};
        for (const auto& f : c.target) tree.insert("work/target/" + f);
        EXPECT_EQ(Tree(dir.Dir()), tree);
        EXPECT_TRUE(fs::is_empty(outside));
    }
}

TEST(Archiver, WildcardInArchiveNameIsRefused) {
    TempDir dir;
    WriteFile(dir / "ACTUAL*.ARJ", CraftArj({{"a.txt", "a"}}));
    const ExtractResult got = ExtractArchive(dir.Path(), "ACTUAL*.ARJ", "PRCSSD");
    EXPECT_TRUE(got.refused);
    EXPECT_FALSE(got.run.started);
}

TEST(FileCommands, DeleteAllFilesLeavesSubdirectories) {
    TempDir dir;
    WriteFile(dir / "a.act", "a");
    WriteFile(dir / "B.LOG", "b");
    WriteFile(dir / ".hidden", "h");
    fs::create_directories(dir / "sub");
    WriteFile(dir / "sub" / "inner.txt", "i");
    fs::create_directory_symlink(dir / "sub", dir / "link-to-sub");
    EXPECT_TRUE(DeleteAllFiles(dir.Dir()));
    EXPECT_EQ(Tree(dir.Dir()), (std::set<std::string>{"sub/", "sub/inner.txt"}));
    EXPECT_TRUE(DeleteAllFiles(dir / "missing"));
}

TEST(FileCommands, MoveMatchingFilesReplacesInTarget) {
    TempDir dir;
    fs::create_directories(dir / "Export" / "ARH");
    for (const char* name : {"CORRECT_2024-01-02_10-00.ARJ", "correct_old.arj", "CORRECT_.ARJ",
                             "CORRECT_1.ARJ.bak", "ACTUAL.ARJ", "XCORRECT_1.ARJ"}) {
        WriteFile(dir / "Export" / name, name);
    }
    fs::create_directories(dir / "Export" / "CORRECT_dir.ARJ");
    WriteFile(dir / "Export" / "ARH" / "CORRECT_.ARJ", "older");

    bool ok = false;
    const auto moved =
        MoveMatchingFiles(dir / "Export", "CORRECT_*.ARJ", dir / "Export" / "ARH", &ok);
    EXPECT_TRUE(ok);
    EXPECT_EQ(moved, (std::vector<std::string>{"CORRECT_.ARJ", "CORRECT_2024-01-02_10-00.ARJ",
                                               "correct_old.arj"}));
    EXPECT_EQ(ReadFile(dir / "Export" / "ARH" / "CORRECT_.ARJ"), "CORRECT_.ARJ");
    EXPECT_EQ(Tree(dir / "Export"),
              (std::set<std::string>{"ACTUAL.ARJ", "ARH/", "ARH/CORRECT_.ARJ",
                                     "ARH/CORRECT_2024-01-02_10-00.ARJ", "ARH/correct_old.arj",
                                     "CORRECT_1.ARJ.bak", "CORRECT_dir.ARJ/", "XCORRECT_1.ARJ"}));

    // A target that cannot take the files is reported.
    WriteFile(dir / "Export" / "CORRECT_2.ARJ", "2");
    MoveMatchingFiles(dir / "Export", "CORRECT_*.ARJ", dir / "no" / "such", &ok);
    EXPECT_FALSE(ok);
    EXPECT_TRUE(fs::exists(dir / "Export" / "CORRECT_2.ARJ"));
}

}  // namespace
}  // namespace vrklad
