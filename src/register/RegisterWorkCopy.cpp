#include "register/RegisterWorkCopy.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <vector>

#include "register/Checksum.h"
#include "register/SafeReplace.h"

namespace vrklad {
namespace {

std::string ErrorOf(const RegisterFile& file) {
    return file.LastError().empty() ? std::strerror(errno ? errno : EIO) : file.LastError();
}

}  // namespace

std::string RegisterWorkCopy::Begin(const RegisterFile& reg) {
    Discard();
    if (!reg.IsOpen()) return std::strerror(EBADF);
    const std::vector<StudentRecord> records = reg.ReadAll();
    if (records.size() != std::min(reg.CountRecords(), RegisterFile::kMaxRecords)) {
        return std::strerror(EIO);
    }
    const int fd = CreateTemporaryBeside(reg.Path(), m_temp);
    if (fd < 0) {
        const std::string error = std::strerror(errno);
        m_temp.clear();
        return error;
    }
    // Locked through its own handle before the descriptor that made it goes,
    // like the register.
    const RegisterFile::OpenResult opened = m_file.Open(m_temp);
    ::close(fd);
    errno = 0;
    if (opened != RegisterFile::OpenResult::Ok ||
        (!records.empty() &&
         !m_file.WriteAt(0, records.data(), records.size() * sizeof(StudentRecord)))) {
        const std::string error = ErrorOf(m_file);
        Discard();
        return error;
    }
    return {};
}

std::string RegisterWorkCopy::Commit(RegisterFile& reg) {
    if (!m_file.IsOpen()) return std::strerror(EBADF);
    errno = 0;
    const std::string name = reg.Path().filename().string();
    if (!SealRegister(m_file, name) || !m_file.Sync() || !m_file.MoveTo(reg.Path(), true)) {
        const std::string error = ErrorOf(m_file);
        Discard();
        return error;
    }
    reg = std::move(m_file);
    m_temp.clear();
    return {};
}

void RegisterWorkCopy::Discard() {
    m_file.Close();
    if (!m_temp.empty()) {
        ::unlink(m_temp.c_str());
        m_temp.clear();
    }
}

}  // namespace vrklad
