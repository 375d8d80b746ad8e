#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "register/StudentRecord.h"

namespace vrklad {

// A file of 192-byte StudentRecords followed by the 6-byte checksum trailer,
// held through one exclusive read/write handle: open(O_RDWR) + flock(LOCK_EX |
// LOCK_NB), so a second open from this or another process fails with InUse.
// Used for the register itself and for the exchange and copy files.
class RegisterFile {
public:
    static constexpr uint32_t kMaxRecords = 65535;  // indexes are 16-bit; 0xFFFF = none
    static constexpr uint16_t kNoRecord = 0xFFFF;

    enum class OpenResult { Ok, Missing, InUse, Failed };

    RegisterFile() = default;
    ~RegisterFile();
    RegisterFile(const RegisterFile&) = delete;
    RegisterFile& operator=(const RegisterFile&) = delete;
    RegisterFile(RegisterFile&& other) noexcept;
    RegisterFile& operator=(RegisterFile&& other) noexcept;

    // Opens an existing file.
    OpenResult Open(const std::filesystem::path& path);
    // Creates an empty file (truncating an existing one) and opens it. The
    // file is truncated only after the lock is held.
    OpenResult Create(const std::filesystem::path& path);
    void Close();
    bool IsOpen() const { return m_fd >= 0; }
    const std::filesystem::path& Path() const { return m_path; }
    // The errno text of the last failed open, write or flush, for messages.
    const std::string& LastError() const { return m_lastError; }

    uint64_t FileSize() const;
    // File size div 192; 0 when not open.
    uint32_t CountRecords() const;
    // (CountRecords as unsigned 16-bit) × 192.
    uint64_t TrailerOffset() const;

    // Record i at i × 192; false past the end, for index 0xFFFF and beyond,
    // or when not open. Write also takes index CountRecords (extending the
    // file by one record), never further.
    bool Read(uint32_t index, StudentRecord& out) const;
    bool Write(uint32_t index, const StudentRecord& record);

    enum class AppendResult { Ok, Full, Failed };
    // Writes at CountRecords × 192, over the trailer. Refused (Full) when the
    // file already holds 65,535 records.
    AppendResult Append(const StudentRecord& record, uint16_t* index = nullptr);

    // All records in one read, for operations that walk the whole register;
    // at most the 65,535 addressable ones, empty on a read error.
    std::vector<StudentRecord> ReadAll() const;
    // Records first .. first + count - 1 in one read, for walking the whole
    // register through a small buffer; false when any of them is not there
    // (see Read) or on a read error.
    bool ReadRange(uint32_t first, StudentRecord* out, uint32_t count) const;

    // Raw access for the checksum trailer.
    bool ReadAt(uint64_t offset, void* data, size_t size) const;
    bool WriteAt(uint64_t offset, const void* data, size_t size);
    bool Sync();

    // Moves the file to `to`, keeping this handle and its lock, so that no
    // other copy can take the file under either name. Without `replace` an
    // existing file of that name is refused. False, with LastError, when the
    // file stays where it was.
    bool MoveTo(const std::filesystem::path& to, bool replace);

private:
    bool Written(bool ok);
    OpenResult OpenWith(const std::filesystem::path& path, int flags, bool truncate);
    bool WriteAndTrack(uint64_t offset, const void* data, size_t size);

    int m_fd = -1;
    // The file's size while the handle is open: every record access checks
    // it, and nothing but this handle changes the locked file. Set by the
    // first FileSize, moved on by writes, dropped after a failed write
    // (which may have written part of its bytes).
    mutable std::optional<uint64_t> m_size;
    std::filesystem::path m_path;
    std::string m_lastError;
};

}  // namespace vrklad
