#include <gtest/gtest.h>
#include <sqlite3.h>

#include <string>
#include <vector>

#include "details/CreateDetailsDatabase.h"
#include "details/DetailsStore.h"
#include "register/FaultInjection.h"
#include "support/ScriptedOperator.h"
#include "support/TempDir.h"

namespace vrklad {
namespace {

using test::ReadFile;
using test::ScriptedOperator;
using test::TempDir;
using test::WriteFile;

const char* const kSchema = VRKLAD_SOURCE_DIR "/db/Additional.sql";
const std::string kLead = "Ошибка базы данных дополнительной информации: ";

void MakeDatabase(const std::filesystem::path& path) {
    std::string error;
    ASSERT_TRUE(CreateDetailsDatabase(path, kSchema, &error)) << error;
}

// Runs SQL on the file directly, beside the store.
int64_t CountRows(const std::filesystem::path& path, const std::string& where = "1") {
    sqlite3* db = nullptr;
    sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READONLY, nullptr);
    sqlite3_stmt* s = nullptr;
    const std::string sql = "SELECT count(*) FROM DocDetails WHERE " + where;
    int64_t n = -1;
    if (sqlite3_prepare_v2(db, sql.c_str(), -1, &s, nullptr) == SQLITE_OK &&
        sqlite3_step(s) == SQLITE_ROW) {
        n = sqlite3_column_int64(s, 0);
    }
    sqlite3_finalize(s);
    sqlite3_close(db);
    return n;
}

void RunSql(const std::filesystem::path& path, const std::string& sql) {
    sqlite3* db = nullptr;
    sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr);
    ASSERT_EQ(sqlite3_exec(db, sql.c_str(), nullptr, nullptr, nullptr), SQLITE_OK)
        << sqlite3_errmsg(db);
    sqlite3_close(db);
}

DocumentDetails Sample(int n) {
    return DocumentDetails{RecordDate{2015, 3, 7}, "ОВД района №" + std::to_string(n), 770000 + n,
                           "г. Москва"};
}

class DetailsStoreTest : public ::testing::Test {
protected:
    void SetUp() override { MakeDatabase(dir / kDetailsFileName); }

    TempDir dir;
    ScriptedOperator op;
    DetailsStore store{op};
};

TEST(DetailsStoreOpen, AbsentFileLeavesDetailsOffAndCreatesNothing) {
    TempDir dir;
    ScriptedOperator op;
    DetailsStore store(op);
    EXPECT_FALSE(store.Open(dir.Path()));
    EXPECT_FALSE(store.DetailsAvailable());
    EXPECT_FALSE(std::filesystem::exists(dir / kDetailsFileName));
    EXPECT_TRUE(op.shown.empty());

    // Every operation is skipped quietly.
    EXPECT_FALSE(store.FindDoc("1234 567890"));
    EXPECT_TRUE(store.InsertDoc("1234 567890", Sample(1)));
    EXPECT_TRUE(store.DelDoc("1234 567890"));
    DetailsStore::Transaction batch(store);
    EXPECT_TRUE(batch.Commit());
    EXPECT_TRUE(op.shown.empty());
    EXPECT_TRUE(std::filesystem::is_empty(dir.Dir()));
}

TEST(DetailsStoreOpen, UnusableFilesAreReportedWithSqliteText) {
    struct Case {
        const char* name;
        void (*make)(const std::filesystem::path&);
        const char* sqliteText;
    } cases[] = {
        {"text file", [](const std::filesystem::path& p) { WriteFile(p, std::string(4096, 'x')); },
         "file is not a database"},
        {"no details table",
         [](const std::filesystem::path& p) {
             RunSql(p, "CREATE TABLE Other (a); PRAGMA user_version = 1;");
         },
         "no such table: DocDetails"},
        {"schema version unset",
         [](const std::filesystem::path& p) {
             MakeDatabase(p);
             RunSql(p, "PRAGMA user_version = 0;");
         },
         "неподдерживаемая версия схемы 0"},
        {"newer schema version",
         [](const std::filesystem::path& p) {
             MakeDatabase(p);
             RunSql(p, "PRAGMA user_version = 7;");
         },
         "неподдерживаемая версия схемы 7"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TempDir dir;
        c.make(dir / kDetailsFileName);
        const std::string before = ReadFile(dir / kDetailsFileName);
        ScriptedOperator op;
        DetailsStore store(op);
        EXPECT_FALSE(store.Open(dir.Path()));
        EXPECT_FALSE(store.DetailsAvailable());
        ASSERT_EQ(op.shown.size(), 1u);
        EXPECT_EQ(op.shown[0].icon, Operator::Icon::Error);
        EXPECT_EQ(op.shown[0].text, kLead + c.sqliteText);
        EXPECT_EQ(ReadFile(dir / kDetailsFileName), before);
    }
}

TEST_F(DetailsStoreTest, DetailsRoundTripUnderAnyDocumentString) {
    // Quotes and SQL in a document are data, never statement text; the
    // document is kept exactly, spaces and case included.
    const std::vector<std::pair<std::string, DocumentDetails>> cases = {
        {"IV-МЮ 123456", {RecordDate{2010, 1, 31}, "УФМС", 123, "с. Ивановка"}},
        {"O'Brien 12", {RecordDate{1999, 12, 1}, "it's \"quoted\"", -5, "d'Artagnan"}},
        {"'; DROP TABLE DocDetails; --", {RecordDate{2001, 2, 3}, "x", 1, "y"}},
        {"1234 567890", {RecordDate{}, "", 0, ""}},
        {" 1234 567890", {RecordDate{2020, 6, 30}, "пробел впереди", 2147483647, ""}},
        {"1234 567890 ", {RecordDate{2020, 7, 1}, "пробел позади", -2147483647 - 1, ""}},
        {"iv-мю 123456", {RecordDate{2011, 5, 5}, "строчные", 7, ""}},
        {"\xC2\x98", {RecordDate{2012, 8, 9}, "unassigned cp1251 byte", 8, ""}},
    };
    ASSERT_TRUE(store.Open(dir.Path()));
    for (const auto& [doc, details] : cases) ASSERT_TRUE(store.InsertDoc(doc, details)) << doc;
    for (const auto& [doc, details] : cases) {
        SCOPED_TRACE(doc);
        EXPECT_EQ(store.FindDoc(doc), details);
    }
    EXPECT_EQ(CountRows(dir / kDetailsFileName), static_cast<int64_t>(cases.size()));
    EXPECT_EQ(CountRows(dir / kDetailsFileName, "D_ISSUE_DATE = '1999-12-01'"), 1);
    EXPECT_EQ(CountRows(dir / kDetailsFileName, "D_ISSUE_DATE IS NULL"), 1);

    // Deleting one touches no other, however alike they are.
    ASSERT_TRUE(store.DelDoc("1234 567890"));
    ASSERT_TRUE(store.DelDoc("O'Brien 12"));
    for (const auto& [doc, details] : cases) {
        SCOPED_TRACE(doc);
        const bool gone = doc == "1234 567890" || doc == "O'Brien 12";
        EXPECT_EQ(store.FindDoc(doc).has_value(), !gone);
    }
    EXPECT_TRUE(op.shown.empty());

    // A reconnect sees what was written.
    ASSERT_TRUE(store.Open(dir.Path()));
    EXPECT_EQ(store.FindDoc("IV-МЮ 123456"), cases[0].second);
}

TEST_F(DetailsStoreTest, ReplacingKeepsOneRowPerDocument) {
    ASSERT_TRUE(store.Open(dir.Path()));
    ASSERT_TRUE(store.InsertDoc("A'1", Sample(1)));
    ASSERT_TRUE(store.ReplaceDoc("A'1", Sample(2)));
    ASSERT_TRUE(store.InsertDoc("A'1", Sample(3)));
    EXPECT_EQ(store.FindDoc("A'1"), Sample(3));
    EXPECT_EQ(CountRows(dir / kDetailsFileName), 1);
}

TEST_F(DetailsStoreTest, FailingStatementIsShownAndReturnsFailure) {
    DetailsStore sender(op);
    ASSERT_TRUE(sender.OpenReadOnly(dir / kDetailsFileName));
    EXPECT_FALSE(sender.InsertDoc("1234 567890", Sample(1)));
    EXPECT_FALSE(sender.DelDoc("1234 567890"));
    ASSERT_EQ(op.shown.size(), 2u);
    EXPECT_EQ(op.shown[0].icon, Operator::Icon::Error);
    EXPECT_EQ(op.shown[0].text, kLead + "attempt to write a readonly database");

    // A date the schema cannot hold is refused by its check, not stored.
    op.shown.clear();
    ASSERT_TRUE(store.Open(dir.Path()));
    DocumentDetails bad = Sample(1);
    bad.issueDate.year = 12345;
    EXPECT_FALSE(store.InsertDoc("1234 567890", bad));
    ASSERT_EQ(op.shown.size(), 1u);
    EXPECT_EQ(op.shown[0].text.rfind(kLead + "CHECK constraint failed", 0), 0u) << op.shown[0].text;
    EXPECT_EQ(CountRows(dir / kDetailsFileName), 0);

    // The cached statements still work after a failure.
    EXPECT_TRUE(store.InsertDoc("1234 567890", Sample(2)));
    EXPECT_EQ(store.FindDoc("1234 567890"), Sample(2));
}

TEST_F(DetailsStoreTest, SenderDatabaseIsReadOnlyAndFoundInAnyCase) {
    TempDir incoming;
    MakeDatabase(incoming / "ADDITIONAL.DB");
    EXPECT_FALSE(FindDetailsFile(dir.Dir() / "nothing-here"));
    const auto found = FindDetailsFile(incoming.Dir());
    ASSERT_TRUE(found);
    EXPECT_EQ(found->filename(), "ADDITIONAL.DB");
    RunSql(*found, "INSERT INTO DocDetails VALUES ('5 5', '2005-05-05', 'Выдал', 55, 'Тула');");

    DetailsStore sender(op);
    ASSERT_TRUE(sender.OpenReadOnly(*found));
    EXPECT_EQ(sender.FindDoc("5 5"),
              (DocumentDetails{RecordDate{2005, 5, 5}, "Выдал", 55, "Тула"}));
    EXPECT_FALSE(sender.FindDoc("5 6"));
    EXPECT_TRUE(op.shown.empty());

    TempDir other;
    std::filesystem::create_directory(other / "additional.db");  // a directory is no database
    WriteFile(other / "additional.db.bak", "x");
    EXPECT_FALSE(FindDetailsFile(other.Dir()));
}

TEST_F(DetailsStoreTest, TransactionCommitsOrRollsBack) {
    ASSERT_TRUE(store.Open(dir.Path()));
    {
        DetailsStore::Transaction batch(store);
        ASSERT_TRUE(store.InsertDoc("kept", Sample(1)));
        {
            DetailsStore::Transaction inner(store);  // joins the outer one
            ASSERT_TRUE(store.InsertDoc("kept too", Sample(2)));
            EXPECT_TRUE(inner.Commit());
        }
        EXPECT_TRUE(batch.Commit());
    }
    {
        DetailsStore::Transaction batch(store);
        ASSERT_TRUE(store.InsertDoc("dropped", Sample(3)));
        ASSERT_TRUE(store.DelDoc("kept"));
    }  // left without commit
    EXPECT_TRUE(store.FindDoc("kept"));
    EXPECT_TRUE(store.FindDoc("kept too"));
    EXPECT_FALSE(store.FindDoc("dropped"));
    EXPECT_EQ(CountRows(dir / kDetailsFileName), 2);
    EXPECT_TRUE(op.shown.empty());
}

TEST_F(DetailsStoreTest, FailuresInsideTransactionAreShownOnce) {
    DetailsStore sender(op);
    ASSERT_TRUE(sender.OpenReadOnly(dir / kDetailsFileName));
    DetailsStore::Transaction batch(sender);
    for (int i = 0; i < 100; ++i) EXPECT_FALSE(sender.ReplaceDoc(std::to_string(i), Sample(i)));
    EXPECT_FALSE(batch.Commit());
    ASSERT_EQ(op.shown.size(), 1u);
    EXPECT_EQ(op.shown[0].text, kLead + "attempt to write a readonly database");
}

// The database's own writes pass the fault seam: a disk that fills up
// in the middle of a run, or at its commit, leaves none of the run's
// changes, and with Errors::Kept the text is the caller's to show.
TEST_F(DetailsStoreTest, FullDiskInsideRunRollsTheWholeRunBack) {
    ASSERT_TRUE(store.Open(dir.Path()));
    ASSERT_TRUE(store.InsertDoc("before", Sample(0)));
    // A run of replacements, its points counted first.
    const auto run = [&](bool& statementsOk) {
        DetailsStore::Transaction batch(store, DetailsStore::Transaction::Errors::Kept);
        statementsOk = true;
        for (int i = 0; i < 50 && statementsOk; ++i) {
            statementsOk =
                store.ReplaceDoc("doc " + std::to_string(i), Sample(i)) && store.DelDoc("before");
        }
        const bool committed = batch.Commit();
        return std::make_pair(committed, batch.Error());
    };
    bool statementsOk = false;
    fault::Arm(fault::Mode::Count);
    ASSERT_TRUE(run(statementsOk).first);
    const uint64_t points = fault::Points();
    fault::Disarm();
    ASSERT_GT(points, 3u);
    EXPECT_EQ(CountRows(dir / kDetailsFileName), 50);
    RunSql(dir / kDetailsFileName,
           "DELETE FROM DocDetails; INSERT INTO DocDetails (DOC) VALUES ('before')");

    for (const uint64_t from : {uint64_t{1}, points / 2, points}) {
        SCOPED_TRACE("disk full from point " + std::to_string(from) + " of " +
                     std::to_string(points));
        fault::Arm(fault::Mode::DiskFull, from);
        const auto [committed, error] = run(statementsOk);
        fault::Disarm();
        EXPECT_FALSE(committed);
        EXPECT_FALSE(error.empty());
        EXPECT_TRUE(op.shown.empty());  // kept for the caller
        // A rollback the full disk cut short is finished by the next open.
        store.Close();
        ASSERT_TRUE(store.Open(dir.Path()));
        EXPECT_EQ(CountRows(dir / kDetailsFileName), 1);
        EXPECT_EQ(CountRows(dir / kDetailsFileName, "DOC = 'before'"), 1);
    }
}

TEST_F(DetailsStoreTest, FullRegisterOfReplacementsInOneTransaction) {
    ASSERT_TRUE(store.Open(dir.Path()));
    ASSERT_TRUE(store.InsertDoc("IV-МЮ 000007", Sample(0)));
    {
        DetailsStore::Transaction batch(store);
        for (int i = 0; i < 65535; ++i) {
            char doc[32];
            std::snprintf(doc, sizeof doc, "IV-МЮ %06d", i);
            store.DelDoc(doc);
            store.InsertDoc(doc, Sample(i));
        }
        ASSERT_TRUE(batch.Commit());
    }
    EXPECT_EQ(CountRows(dir / kDetailsFileName), 65535);
    EXPECT_EQ(store.FindDoc("IV-МЮ 000007"), Sample(7));
    EXPECT_TRUE(op.shown.empty());
}

TEST(CreateDetailsDatabase, RefusesExistingFileAndBadScript) {
    TempDir dir;
    WriteFile(dir / "Additional.db", "keep me");
    std::string error;
    EXPECT_FALSE(CreateDetailsDatabase(dir / "Additional.db", kSchema, &error));
    EXPECT_EQ(ReadFile(dir / "Additional.db"), "keep me");

    WriteFile(dir / "bad.sql", "BEGIN; CREATE TABLE t (a); nonsense; COMMIT;");
    EXPECT_FALSE(CreateDetailsDatabase(dir / "new.db", dir / "bad.sql", &error));
    EXPECT_NE(error.find("nonsense"), std::string::npos) << error;
    EXPECT_FALSE(std::filesystem::exists(dir / "new.db"));
}

}  // namespace
}  // namespace vrklad
