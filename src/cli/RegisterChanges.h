#pragma once

#include <cstdint>
#include <filesystem>
#include <vector>

#include "register/StudentRecord.h"

namespace vrklad {

// How a register's records went between two states of its file. Every record
// is one of: kept as it was, new, changed, or deleted (marked deleted, or
// dropped from the file as compaction drops the records marked so).
struct RegisterChanges {
    uint32_t before = 0;
    uint32_t after = 0;
    uint32_t added = 0;
    uint32_t changed = 0;
    uint32_t deleted = 0;
    friend bool operator==(const RegisterChanges&, const RegisterChanges&) = default;
};

// Records keep their places except when compaction drops the deleted and
// excluded ones, keeping the order of the rest: the two lists are walked side
// by side, a record that is not the same as its counterpart counting as
// dropped when it was excluded and the old list has more left than the new
// one, else as changed (or deleted, when its change code became Deleted).
// Records past the end of the old list are new. One pass, no search.
RegisterChanges CompareRegisters(const std::vector<StudentRecord>& before,
                                 const std::vector<StudentRecord>& after);

// The records of a register file, read without taking its lock (the file
// size div 192, at most 65,535); none when the file is missing.
std::vector<StudentRecord> ReadRegisterRecords(const std::filesystem::path& file);

}  // namespace vrklad
