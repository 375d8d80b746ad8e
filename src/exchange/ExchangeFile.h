#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "register/StudentRecord.h"

namespace vrklad {

// Writes an exchange file: the records one after another, then the checksum
// trailer under the file's own name (none for an empty file). The file is
// written beside its place under a temporary name, flushed and renamed over
// any older one, so a failed write leaves the old file as it was. At most
// 65,535 records (the trailer's place is counted in 16 bits). False with
// the system's error text on failure.
bool WriteExchangeFile(const std::filesystem::path& path, const std::vector<StudentRecord>& records,
                       std::string& error);

}  // namespace vrklad
