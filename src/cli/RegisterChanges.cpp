#include "cli/RegisterChanges.h"

#include <fstream>

#include "register/ChangeCodes.h"
#include "register/RegisterFile.h"

namespace vrklad {

RegisterChanges CompareRegisters(const std::vector<StudentRecord>& before,
                                 const std::vector<StudentRecord>& after) {
    RegisterChanges c;
    c.before = static_cast<uint32_t>(before.size());
    c.after = static_cast<uint32_t>(after.size());
    size_t i = 0;
    size_t j = 0;
    while (i < before.size() && j < after.size()) {
        const StudentRecord& old = before[i];
        const StudentRecord& now = after[j];
        if (SameBytes(old, now)) {
            ++i;
            ++j;
        } else if (before.size() - i > after.size() - j && IsExcludedByBits(old.LastChange)) {
            ++c.deleted;
            ++i;
        } else {
            const bool markedDeleted =
                (old.LastChange & Deleted) == 0 && (now.LastChange & Deleted);
            ++(markedDeleted ? c.deleted : c.changed);
            ++i;
            ++j;
        }
    }
    c.deleted += static_cast<uint32_t>(before.size() - i);
    c.added += static_cast<uint32_t>(after.size() - j);
    return c;
}

std::vector<StudentRecord> ReadRegisterRecords(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    if (!in) return {};
    in.seekg(0, std::ios::end);
    const std::streamoff size = in.tellg();
    if (size <= 0) return {};
    size_t count = static_cast<size_t>(size) / kRecordSize;
    if (count > RegisterFile::kMaxRecords) count = RegisterFile::kMaxRecords;
    std::vector<StudentRecord> records(count);
    in.seekg(0);
    in.read(reinterpret_cast<char*>(records.data()),
            static_cast<std::streamsize>(count * kRecordSize));
    records.resize(static_cast<size_t>(in.gcount()) / kRecordSize);
    return records;
}

}  // namespace vrklad
