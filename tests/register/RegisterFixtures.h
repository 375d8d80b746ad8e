#pragma once

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <vector>

#include "register/ChangeCodes.h"
#include "register/RegisterFile.h"
#include "register/StudentRecord.h"
#include "support/TempDir.h"

namespace vrklad::test {

// A record that tells itself apart by OKPO, agency code and change code.
inline StudentRecord MakeRecord(uint32_t okpo, uint16_t org = 1, uint16_t lastChange = Added) {
    StudentRecord r = EmptyRecord();
    r.OKPO = okpo;
    r.ORG = org;
    r.LastChange = lastChange;
    SetFieldText(r.FIO, "Иванов Иван Иванович");
    return r;
}

// Writes the records (and any extra bytes after them) as a plain file.
inline void WriteRecords(const std::filesystem::path& path,
                         const std::vector<StudentRecord>& records, const std::string& tail = {}) {
    std::string bytes(reinterpret_cast<const char*>(records.data()),
                      records.size() * sizeof(StudentRecord));
    WriteFile(path, bytes + tail);
}

// A file of `count` zero records made in one step (sparse, so big ones are cheap).
inline void WriteZeroRecords(const std::filesystem::path& path, uint64_t count) {
    WriteFile(path, {});
    ASSERT_EQ(::truncate(path.c_str(), static_cast<off_t>(count * kRecordSize)), 0);
}

inline uint64_t SizeOf(const std::filesystem::path& path) {
    return std::filesystem::file_size(path);
}

}  // namespace vrklad::test
