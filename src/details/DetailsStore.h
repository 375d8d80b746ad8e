#pragma once

#include <filesystem>
#include <optional>
#include <string>

#include "details/DocumentDetails.h"
#include "register/Operator.h"
#include "register/StudentRecord.h"

struct sqlite3;
struct sqlite3_stmt;

namespace vrklad {

// The database's file name in ProgramDir and inside archives.
inline constexpr const char* kDetailsFileName = "Additional.db";

// The schema version (PRAGMA user_version) this program reads and writes.
inline constexpr int kDetailsSchemaVersion = 1;

// The file named "additional.db" in any letter case directly in dir, as
// archives from other installations may carry it; nothing when absent.
std::optional<std::filesystem::path> FindDetailsFile(const std::filesystem::path& dir);

// The key under which a record's details are kept: its document field as
// stored (up to the first zero byte, untrimmed), in UTF-8.
inline std::string DetailsDocument(const StudentRecord& r) { return FieldText(r.DOC); }

// The side database of document issue details (SQLite). It is only ever
// opened, never created: while no database is connected every operation is
// skipped. A failing statement is shown through the operator with SQLite's
// text and the call returns failure.
class DetailsStore {
  public:
    explicit DetailsStore(Operator& op);
    ~DetailsStore();
    DetailsStore(const DetailsStore&) = delete;
    DetailsStore& operator=(const DetailsStore&) = delete;

    // (Re)connects to ProgramDir + "Additional.db" when that file exists.
    // A file that is no usable details database is reported and left
    // unconnected. Returns DetailsAvailable().
    bool Open(const std::string& programDir);

    // Connects read-only to another installation's database, for one
    // incoming run. Returns DetailsAvailable().
    bool OpenReadOnly(const std::filesystem::path& path);

    void Close();
    bool DetailsAvailable() const { return m_db != nullptr; }

    // The details kept for the document; nothing when there are none, when
    // no database is connected or when the lookup failed (after a message).
    std::optional<DocumentDetails> FindDoc(const std::string& doc);

    // Removes the document's details. True when done or skipped.
    bool DelDoc(const std::string& doc);

    // Stores the document's details, replacing any kept before, so that a
    // document never has two rows. True when done or skipped.
    bool InsertDoc(const std::string& doc, const DocumentDetails& details);

    // The details replacement of record saving and merging.
    bool ReplaceDoc(const std::string& doc, const DocumentDetails& details) {
        return InsertDoc(doc, details);
    }

    // One transaction around a run of many changes; rolled back unless
    // committed. Inside a transaction only the first failure is shown, so
    // that a broken disk does not bring up one message per record; with
    // Errors::Kept it is not shown but kept for the caller, who stops its
    // run and says so in one message of its own. A transaction begun while
    // another is open joins it.
    class Transaction {
      public:
        enum class Errors { Shown, Kept };
        explicit Transaction(DetailsStore& store, Errors errors = Errors::Shown);
        ~Transaction();
        Transaction(const Transaction&) = delete;
        Transaction& operator=(const Transaction&) = delete;

        // Whether a statement inside the transaction has failed so far.
        bool Failed() const;
        // Makes the changes permanent. False when the commit failed or a
        // statement inside the transaction failed.
        bool Commit();
        // The database's text of the first failure (Errors::Kept only).
        const std::string& Error() const { return m_error; }

      private:
        DetailsStore& m_store;
        bool m_owner = false;
        bool m_beginFailed = false;
        std::string m_error;
    };

  private:
    bool Connect(const std::filesystem::path& path, int flags);
    bool CheckSchema();
    bool Prepare(const char* sql, sqlite3_stmt** statement);
    bool Run(sqlite3_stmt* statement);
    bool Execute(const char* sql);
    void ShowError(const std::string& text);
    void ShowSqliteError();

    bool BeginBatch(bool keepErrors);
    bool CommitBatch(std::string* error);
    void RollbackBatch();

    Operator& m_operator;
    sqlite3* m_db = nullptr;
    sqlite3_stmt* m_find = nullptr;
    sqlite3_stmt* m_delete = nullptr;
    sqlite3_stmt* m_insert = nullptr;
    bool m_inBatch = false;
    bool m_batchFailed = false;
    bool m_batchKeepsErrors = false;
    std::string m_batchError;
};

}  // namespace vrklad
