#include "details/DetailsStore.h"

#include <sqlite3.h>

#include <cstdio>
#include <limits>
#include <system_error>

#include "details/SqliteFaultSeam.h"

namespace vrklad {

namespace {

const char* const kErrorLead = "Ошибка базы данных дополнительной информации: ";

const char* const kFindSql =
    "SELECT D_ISSUE_DATE, D_ISSUER, D_ISSUER_CODE, D_PLACE_OF_BIRTH FROM DocDetails "
    "WHERE DOC = ?1 LIMIT 1";
const char* const kDeleteSql = "DELETE FROM DocDetails WHERE DOC = ?1";
const char* const kInsertSql =
    "INSERT OR REPLACE INTO DocDetails "
    "(DOC, D_ISSUE_DATE, D_ISSUER, D_ISSUER_CODE, D_PLACE_OF_BIRTH) VALUES (?1, ?2, ?3, ?4, ?5)";

// Leaves a cached statement ready for its next use whichever way a call ends.
class StatementUse {
  public:
    explicit StatementUse(sqlite3_stmt* s) : m_s(s) {}
    ~StatementUse() {
        sqlite3_reset(m_s);
        sqlite3_clear_bindings(m_s);
    }
    StatementUse(const StatementUse&) = delete;
    StatementUse& operator=(const StatementUse&) = delete;

  private:
    sqlite3_stmt* m_s;
};

// The string stays alive until the statement is reset, so no copy is needed.
int BindText(sqlite3_stmt* s, int index, const std::string& text) {
    return sqlite3_bind_text(s, index, text.data(), static_cast<int>(text.size()), SQLITE_STATIC);
}

std::string ColumnText(sqlite3_stmt* s, int column) {
    const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(s, column));
    if (text == nullptr) return {};
    return std::string(text, static_cast<size_t>(sqlite3_column_bytes(s, column)));
}

std::string IsoDate(const RecordDate& d) {
    char text[32];
    std::snprintf(text, sizeof text, "%04u-%02u-%02u", unsigned{d.year}, unsigned{d.month},
                  unsigned{d.day});
    return text;
}

// 'YYYY-MM-DD'; anything else (a foreign or hand-edited file) reads as no date.
RecordDate ParseIsoDate(const std::string& text) {
    if (text.size() != 10 || text[4] != '-' || text[7] != '-') return {};
    int value[3] = {0, 0, 0};
    const int start[3] = {0, 5, 8};
    const int length[3] = {4, 2, 2};
    for (int part = 0; part < 3; ++part) {
        for (int i = 0; i < length[part]; ++i) {
            const char c = text[static_cast<size_t>(start[part] + i)];
            if (c < '0' || c > '9') return {};
            value[part] = value[part] * 10 + (c - '0');
        }
    }
    return RecordDate{static_cast<uint16_t>(value[0]), static_cast<uint8_t>(value[1]),
                      static_cast<uint8_t>(value[2])};
}

int32_t ClampToInt32(sqlite3_int64 value) {
    if (value < std::numeric_limits<int32_t>::min()) return std::numeric_limits<int32_t>::min();
    if (value > std::numeric_limits<int32_t>::max()) return std::numeric_limits<int32_t>::max();
    return static_cast<int32_t>(value);
}

}  // namespace

std::optional<std::filesystem::path> FindDetailsFile(const std::filesystem::path& dir) {
    static const std::string wanted = "additional.db";
    std::error_code ec;
    for (std::filesystem::directory_iterator it(dir, ec), end; !ec && it != end; it.increment(ec)) {
        const std::string name = it->path().filename().string();
        if (name.size() != wanted.size()) continue;
        bool same = true;
        for (size_t i = 0; i < name.size() && same; ++i) {
            char c = name[i];
            if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
            same = c == wanted[i];
        }
        std::error_code typeEc;
        if (same && it->is_regular_file(typeEc)) return it->path();
    }
    return std::nullopt;
}

DetailsStore::DetailsStore(Operator& op) : m_operator(op) {}

DetailsStore::~DetailsStore() { Close(); }

bool DetailsStore::Open(const std::string& programDir) {
    Close();
    const std::filesystem::path path = std::filesystem::path(programDir) / kDetailsFileName;
    std::error_code ec;
    if (!std::filesystem::is_regular_file(path, ec)) return false;
    // Never SQLITE_OPEN_CREATE: a missing database means no details, not an empty one.
    return Connect(path, SQLITE_OPEN_READWRITE);
}

bool DetailsStore::OpenReadOnly(const std::filesystem::path& path) {
    Close();
    return Connect(path, SQLITE_OPEN_READONLY);
}

bool DetailsStore::Connect(const std::filesystem::path& path, int flags) {
    sqlite3* db = nullptr;
    const int rc = sqlite3_open_v2(path.c_str(), &db, flags, SqliteFaultSeamVfs());
    if (rc != SQLITE_OK) {
        const std::string text = db != nullptr ? sqlite3_errmsg(db) : sqlite3_errstr(rc);
        sqlite3_close(db);
        ShowError(text);
        return false;
    }
    m_db = db;
    // Another copy of the program may hold the file for a moment.
    sqlite3_busy_timeout(m_db, 2000);
    // The details of a full register take some 16 MB; in SQLite's default
    // page cache of 2 MB a run over all of them reads, and inside a
    // transaction spills, the same pages again and again. The cache only
    // takes memory for the pages actually used.
    sqlite3_exec(m_db, "PRAGMA cache_size = -32768", nullptr, nullptr, nullptr);
    // The default rollback journal keeps the whole database in the one file
    // after every commit, which is what the archives pick up.
    if (!CheckSchema() || !Prepare(kFindSql, &m_find) || !Prepare(kDeleteSql, &m_delete) ||
        !Prepare(kInsertSql, &m_insert)) {
        Close();
        return false;
    }
    return true;
}

bool DetailsStore::CheckSchema() {
    sqlite3_stmt* s = nullptr;
    if (!Prepare("PRAGMA user_version", &s)) return false;
    int version = -1;
    const int rc = sqlite3_step(s);
    if (rc == SQLITE_ROW) version = sqlite3_column_int(s, 0);
    if (rc != SQLITE_ROW) ShowSqliteError();
    sqlite3_finalize(s);
    if (rc != SQLITE_ROW) return false;
    if (version != kDetailsSchemaVersion) {
        ShowError("неподдерживаемая версия схемы " + std::to_string(version));
        return false;
    }
    return true;
}

void DetailsStore::Close() {
    for (sqlite3_stmt** s : {&m_find, &m_delete, &m_insert}) {
        sqlite3_finalize(*s);
        *s = nullptr;
    }
    // An open transaction is rolled back by the close.
    sqlite3_close(m_db);
    m_db = nullptr;
    m_inBatch = false;
    m_batchFailed = false;
}

bool DetailsStore::Prepare(const char* sql, sqlite3_stmt** statement) {
    if (sqlite3_prepare_v3(m_db, sql, -1, SQLITE_PREPARE_PERSISTENT, statement, nullptr) ==
        SQLITE_OK) {
        return true;
    }
    ShowSqliteError();
    *statement = nullptr;
    return false;
}

bool DetailsStore::Run(sqlite3_stmt* statement) {
    const int rc = sqlite3_step(statement);
    if (rc == SQLITE_DONE || rc == SQLITE_ROW) return true;
    ShowSqliteError();
    return false;
}

bool DetailsStore::Execute(const char* sql) {
    if (sqlite3_exec(m_db, sql, nullptr, nullptr, nullptr) == SQLITE_OK) return true;
    ShowSqliteError();
    return false;
}

void DetailsStore::ShowError(const std::string& text) {
    if (m_inBatch) {
        if (m_batchFailed) return;
        m_batchFailed = true;
        if (m_batchKeepsErrors) {
            m_batchError = text;
            return;
        }
    }
    m_operator.Error(kErrorLead + text);
}

void DetailsStore::ShowSqliteError() { ShowError(sqlite3_errmsg(m_db)); }

std::optional<DocumentDetails> DetailsStore::FindDoc(const std::string& doc) {
    if (m_db == nullptr) return std::nullopt;
    StatementUse use(m_find);
    BindText(m_find, 1, doc);
    const int rc = sqlite3_step(m_find);
    if (rc == SQLITE_DONE) return std::nullopt;
    if (rc != SQLITE_ROW) {
        ShowSqliteError();
        return std::nullopt;
    }
    DocumentDetails details;
    details.issueDate = ParseIsoDate(ColumnText(m_find, 0));
    details.issuer = ColumnText(m_find, 1);
    details.issuerCode = ClampToInt32(sqlite3_column_int64(m_find, 2));
    details.placeOfBirth = ColumnText(m_find, 3);
    return details;
}

bool DetailsStore::DelDoc(const std::string& doc) {
    if (m_db == nullptr) return true;
    StatementUse use(m_delete);
    BindText(m_delete, 1, doc);
    return Run(m_delete);
}

bool DetailsStore::InsertDoc(const std::string& doc, const DocumentDetails& details) {
    if (m_db == nullptr) return true;
    StatementUse use(m_insert);
    const std::string date =
        details.issueDate.IsZero() ? std::string() : IsoDate(details.issueDate);
    BindText(m_insert, 1, doc);
    if (date.empty()) {
        sqlite3_bind_null(m_insert, 2);
    } else {
        BindText(m_insert, 2, date);
    }
    BindText(m_insert, 3, details.issuer);
    sqlite3_bind_int(m_insert, 4, details.issuerCode);
    BindText(m_insert, 5, details.placeOfBirth);
    return Run(m_insert);
}

bool DetailsStore::BeginBatch(bool keepErrors) {
    if (!Execute("BEGIN")) return false;
    m_inBatch = true;
    m_batchFailed = false;
    m_batchKeepsErrors = keepErrors;
    m_batchError.clear();
    return true;
}

bool DetailsStore::CommitBatch(std::string* error) {
    if (m_db == nullptr || !m_inBatch) return false;
    bool ok = !m_batchFailed;
    if (!ok) {
        // A statement failed: nothing of the run may stay.
        if (sqlite3_get_autocommit(m_db) == 0) {
            sqlite3_exec(m_db, "ROLLBACK", nullptr, nullptr, nullptr);
        }
    } else if (sqlite3_get_autocommit(m_db) != 0) {
        // SQLite itself ended the transaction after a severe error (full
        // disk, I/O); that error has been shown already.
        ok = false;
    } else if (!Execute("COMMIT")) {
        sqlite3_exec(m_db, "ROLLBACK", nullptr, nullptr, nullptr);
        ok = false;
    }
    if (error != nullptr) *error = m_batchError;
    m_inBatch = false;
    m_batchFailed = false;
    m_batchKeepsErrors = false;
    m_batchError.clear();
    return ok;
}

void DetailsStore::RollbackBatch() {
    if (m_db == nullptr || !m_inBatch) return;
    if (sqlite3_get_autocommit(m_db) == 0) {
        sqlite3_exec(m_db, "ROLLBACK", nullptr, nullptr, nullptr);
    }
    m_inBatch = false;
    m_batchFailed = false;
    m_batchKeepsErrors = false;
    m_batchError.clear();
}

DetailsStore::Transaction::Transaction(DetailsStore& store, Errors errors) : m_store(store) {
    if (!m_store.DetailsAvailable() || m_store.m_inBatch) return;
    m_owner = m_store.BeginBatch(errors == Errors::Kept);
    m_beginFailed = !m_owner;
}

DetailsStore::Transaction::~Transaction() {
    if (m_owner) m_store.RollbackBatch();
}

bool DetailsStore::Transaction::Failed() const {
    return m_beginFailed || (m_store.m_inBatch && m_store.m_batchFailed);
}

bool DetailsStore::Transaction::Commit() {
    if (!m_owner) return !Failed();
    m_owner = false;
    return m_store.CommitBatch(&m_error);
}

}  // namespace vrklad
