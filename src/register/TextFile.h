#pragma once

#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

namespace vrklad {

// Protocols, logs, reports and lists: UTF-8 lines written as cp1251, each
// line ended by CR LF, no byte-order mark; replaces an older file safely
// (a temporary file renamed over it).
std::error_code WriteTextFile(const std::filesystem::path& path,
                              const std::vector<std::string>& lines);

// The bytes such a file holds, for callers that write elsewhere.
std::string TextFileBytes(const std::vector<std::string>& lines);

}  // namespace vrklad
