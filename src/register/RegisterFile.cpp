#include "register/RegisterFile.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "register/FaultInjection.h"

namespace vrklad {
namespace {

std::string ErrnoText(int err) { return std::strerror(err); }

// pread/pwrite may stop short or be interrupted; both loop to the full size.
bool ReadFully(int fd, uint64_t offset, void* data, size_t size) {
    auto* p = static_cast<char*>(data);
    while (size > 0) {
        const ssize_t got = ::pread(fd, p, size, static_cast<off_t>(offset));
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) return false;
        p += got;
        size -= static_cast<size_t>(got);
        offset += static_cast<uint64_t>(got);
    }
    return true;
}

bool WriteFully(int fd, uint64_t offset, const void* data, size_t size) {
    const auto* p = static_cast<const char*>(data);
    while (size > 0) {
        const ssize_t put = io::Pwrite(fd, p, size, static_cast<off_t>(offset));
        if (put < 0 && errno == EINTR) continue;
        if (put <= 0) {
            if (put == 0) errno = EIO;
            return false;
        }
        p += put;
        size -= static_cast<size_t>(put);
        offset += static_cast<uint64_t>(put);
    }
    return true;
}

}  // namespace

RegisterFile::~RegisterFile() { Close(); }

RegisterFile::RegisterFile(RegisterFile&& other) noexcept
    : m_fd(other.m_fd),
      m_size(other.m_size),
      m_path(std::move(other.m_path)),
      m_lastError(std::move(other.m_lastError)) {
    other.m_fd = -1;
    other.m_size.reset();
}

RegisterFile& RegisterFile::operator=(RegisterFile&& other) noexcept {
    if (this != &other) {
        Close();
        m_fd = other.m_fd;
        m_size = other.m_size;
        m_path = std::move(other.m_path);
        m_lastError = std::move(other.m_lastError);
        other.m_fd = -1;
        other.m_size.reset();
    }
    return *this;
}

RegisterFile::OpenResult RegisterFile::OpenWith(const std::filesystem::path& path, int flags,
                                                bool truncate) {
    Close();
    m_path = path;
    m_lastError.clear();
    int fd;
    do {
        fd = ::open(path.c_str(), flags | O_RDWR | O_CLOEXEC, 0666);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0) {
        const int err = errno;
        m_lastError = ErrnoText(err);
        return err == ENOENT ? OpenResult::Missing : OpenResult::Failed;
    }
    // The lock belongs to this open file description, so a second open in the
    // same process is refused just like one from another copy of the program.
    int rc;
    do {
        rc = ::flock(fd, LOCK_EX | LOCK_NB);
    } while (rc < 0 && errno == EINTR);
    if (rc < 0) {
        const int err = errno;
        ::close(fd);
        m_lastError = ErrnoText(err);
        return err == EWOULDBLOCK ? OpenResult::InUse : OpenResult::Failed;
    }
    // Truncate only once the lock is ours: never cut a register another copy holds.
    if (truncate && io::Ftruncate(fd, 0) < 0) {
        m_lastError = ErrnoText(errno);
        ::close(fd);
        return OpenResult::Failed;
    }
    m_fd = fd;
    return OpenResult::Ok;
}

RegisterFile::OpenResult RegisterFile::Open(const std::filesystem::path& path) {
    return OpenWith(path, 0, false);
}

RegisterFile::OpenResult RegisterFile::Create(const std::filesystem::path& path) {
    return OpenWith(path, O_CREAT, true);
}

void RegisterFile::Close() {
    if (m_fd >= 0) {
        ::close(m_fd);  // releases the lock
        m_fd = -1;
    }
    m_size.reset();
}

uint64_t RegisterFile::FileSize() const {
    if (m_fd < 0) return 0;
    if (m_size) return *m_size;
    struct stat st {};
    if (::fstat(m_fd, &st) < 0) return 0;
    m_size = static_cast<uint64_t>(st.st_size);
    return *m_size;
}

bool RegisterFile::WriteAndTrack(uint64_t offset, const void* data, size_t size) {
    if (!Written(WriteFully(m_fd, offset, data, size))) {
        m_size.reset();
        return false;
    }
    if (m_size && offset + size > *m_size) m_size = offset + size;
    return true;
}

uint32_t RegisterFile::CountRecords() const {
    return static_cast<uint32_t>(std::min<uint64_t>(FileSize() / kRecordSize, UINT32_MAX));
}

uint64_t RegisterFile::TrailerOffset() const {
    return uint64_t{static_cast<uint16_t>(CountRecords())} * kRecordSize;
}

bool RegisterFile::Read(uint32_t index, StudentRecord& out) const {
    if (m_fd < 0 || index >= kMaxRecords || index >= CountRecords()) return false;
    return ReadFully(m_fd, uint64_t{index} * kRecordSize, &out, kRecordSize);
}

bool RegisterFile::Write(uint32_t index, const StudentRecord& record) {
    // Writing at CountRecords extends the file by one record; further out
    // would leave a gap of undefined records.
    if (m_fd < 0 || index >= kMaxRecords || index > CountRecords()) return false;
    return WriteAndTrack(uint64_t{index} * kRecordSize, &record, kRecordSize);
}

bool RegisterFile::Written(bool ok) {
    if (!ok) m_lastError = ErrnoText(errno);
    return ok;
}

RegisterFile::AppendResult RegisterFile::Append(const StudentRecord& record, uint16_t* index) {
    if (m_fd < 0) return AppendResult::Failed;
    const uint32_t n = CountRecords();
    if (n >= kMaxRecords) return AppendResult::Full;
    if (!WriteAndTrack(uint64_t{n} * kRecordSize, &record, kRecordSize)) {
        return AppendResult::Failed;
    }
    if (index != nullptr) *index = static_cast<uint16_t>(n);
    return AppendResult::Ok;
}

std::vector<StudentRecord> RegisterFile::ReadAll() const {
    const uint32_t n = std::min(CountRecords(), kMaxRecords);
    std::vector<StudentRecord> records(n);
    if (n > 0 && !ReadFully(m_fd, 0, records.data(), size_t{n} * kRecordSize)) records.clear();
    return records;
}

bool RegisterFile::ReadRange(uint32_t first, StudentRecord* out, uint32_t count) const {
    if (m_fd < 0 || uint64_t{first} + count > std::min(CountRecords(), kMaxRecords)) return false;
    return count == 0 ||
           ReadFully(m_fd, uint64_t{first} * kRecordSize, out, size_t{count} * kRecordSize);
}

bool RegisterFile::ReadAt(uint64_t offset, void* data, size_t size) const {
    return m_fd >= 0 && ReadFully(m_fd, offset, data, size);
}

bool RegisterFile::WriteAt(uint64_t offset, const void* data, size_t size) {
    return m_fd >= 0 && WriteAndTrack(offset, data, size);
}

bool RegisterFile::Sync() { return m_fd >= 0 && Written(io::Fsync(m_fd) == 0); }

bool RegisterFile::MoveTo(const std::filesystem::path& to, bool replace) {
    if (m_fd < 0) return false;
    const int rc = replace ? io::Rename(m_path.c_str(), to.c_str())
                           : io::RenameNoReplace(m_path.c_str(), to.c_str());
    if (!Written(rc == 0)) return false;
    m_path = to;
    // The new name must reach the disk too; the move itself is done.
    const std::filesystem::path dir = to.has_parent_path() ? to.parent_path() : ".";
    io::SyncDirectory(dir.c_str());
    return true;
}

}  // namespace vrklad
