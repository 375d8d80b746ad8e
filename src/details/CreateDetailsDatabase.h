#pragma once

#include <filesystem>
#include <string>

namespace vrklad {

// Makes an empty details database at `path` from the schema script
// (db/Additional.sql of the source tree), in one transaction. Refuses to
// touch an existing file. The program itself never calls this: it is for the
// installation and the tests. On failure `error` gets the reason.
bool CreateDetailsDatabase(const std::filesystem::path& path,
                           const std::filesystem::path& schemaSqlPath,
                           std::string* error = nullptr);

}  // namespace vrklad
