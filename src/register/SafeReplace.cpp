#include "register/SafeReplace.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <string>

#include "register/FaultInjection.h"

namespace vrklad {
namespace {

constexpr std::string_view kTemporarySuffix = ".XXXXXX";

std::error_code LastError() { return {errno, std::generic_category()}; }

bool WriteAll(int fd, std::string_view bytes) {
    const char* p = bytes.data();
    size_t left = bytes.size();
    while (left > 0) {
        const ssize_t put = io::Write(fd, p, left);
        if (put < 0 && errno == EINTR) continue;
        if (put <= 0) {
            if (put == 0) errno = EIO;
            return false;
        }
        p += put;
        left -= static_cast<size_t>(put);
    }
    return true;
}

std::filesystem::path DirectoryOf(const std::filesystem::path& path) {
    return path.has_parent_path() ? path.parent_path() : std::filesystem::path(".");
}

}  // namespace

int CreateTemporaryBeside(const std::filesystem::path& path, std::string& temp) {
    temp = (DirectoryOf(path) / ("." + path.filename().string())).string();
    temp += kTemporarySuffix;
    const int fd = ::mkostemp(temp.data(), O_CLOEXEC);
    if (fd < 0) return -1;
    struct stat old {};
    mode_t mode;
    if (::stat(path.c_str(), &old) == 0) {
        mode = old.st_mode & 07777;
    } else {
        // What open(O_CREAT, 0666) would have given, not mkstemp's 0600.
        const mode_t mask = ::umask(0);
        ::umask(mask);
        mode = 0666 & ~mask;
    }
    if (::fchmod(fd, mode) < 0) {
        const int err = errno;
        ::close(fd);
        ::unlink(temp.c_str());
        errno = err;
        return -1;
    }
    return fd;
}

bool IsTemporaryOf(std::string_view name, std::string_view of) {
    return name.size() == 1 + of.size() + kTemporarySuffix.size() && name[0] == '.' &&
           name.substr(1, of.size()) == of && name[1 + of.size()] == '.';
}

std::error_code ReplaceFileSafely(const std::filesystem::path& path, std::string_view bytes) {
    std::string temp;
    const int fd = CreateTemporaryBeside(path, temp);
    if (fd < 0) return LastError();

    std::error_code error;
    if (!WriteAll(fd, bytes) || io::Fsync(fd) < 0) error = LastError();
    if (::close(fd) < 0 && !error) error = LastError();
    if (!error && io::Rename(temp.c_str(), path.c_str()) < 0) error = LastError();
    if (error) {
        ::unlink(temp.c_str());
        return error;
    }

    // The rename itself must reach the disk too; the file is in place already.
    io::SyncDirectory(DirectoryOf(path).c_str());
    return {};
}

}  // namespace vrklad
