#include "details/CreateDetailsDatabase.h"

#include <sqlite3.h>

#include <fstream>
#include <iterator>
#include <system_error>

namespace vrklad {

bool CreateDetailsDatabase(const std::filesystem::path& path,
                           const std::filesystem::path& schemaSqlPath, std::string* error) {
    auto fail = [error](const std::string& text) {
        if (error != nullptr) *error = text;
        return false;
    };
    std::error_code ec;
    if (std::filesystem::exists(path, ec)) return fail(path.string() + " already exists");

    std::ifstream in(schemaSqlPath, std::ios::binary);
    if (!in) return fail("cannot read " + schemaSqlPath.string());
    const std::string sql((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());

    sqlite3* db = nullptr;
    if (sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr) !=
        SQLITE_OK) {
        const std::string text = db != nullptr ? sqlite3_errmsg(db) : "cannot open";
        sqlite3_close(db);
        std::filesystem::remove(path, ec);
        return fail(text);
    }
    // The script holds its own BEGIN and COMMIT; a failure part way leaves
    // the transaction open, and closing rolls it back.
    char* message = nullptr;
    const bool ok = sqlite3_exec(db, sql.c_str(), nullptr, nullptr, &message) == SQLITE_OK;
    const std::string text = message != nullptr ? message : "";
    sqlite3_free(message);
    sqlite3_close(db);
    if (!ok) {
        std::filesystem::remove(path, ec);
        return fail(text);
    }
    return true;
}

}  // namespace vrklad
