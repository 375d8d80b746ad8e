#include "register/SafeReplace.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <string>

namespace vrklad {
namespace {

std::error_code LastError() { return {errno, std::generic_category()}; }

bool WriteAll(int fd, std::string_view bytes) {
    const char* p = bytes.data();
    size_t left = bytes.size();
    while (left > 0) {
        const ssize_t put = ::write(fd, p, left);
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

}  // namespace

std::error_code ReplaceFileSafely(const std::filesystem::path& path, std::string_view bytes) {
    const std::filesystem::path dir =
        path.has_parent_path() ? path.parent_path() : std::filesystem::path(".");
    std::string temp = (dir / ("." + path.filename().string() + ".XXXXXX")).string();
    const int fd = ::mkostemp(temp.data(), O_CLOEXEC);
    if (fd < 0) return LastError();

    std::error_code error;
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
    if (::fchmod(fd, mode) < 0 || !WriteAll(fd, bytes) || ::fsync(fd) < 0) error = LastError();
    if (::close(fd) < 0 && !error) error = LastError();
    if (!error && ::rename(temp.c_str(), path.c_str()) < 0) error = LastError();
    if (error) {
        ::unlink(temp.c_str());
        return error;
    }

    // The rename itself must reach the disk too.
    const int dirFd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dirFd >= 0) {
        ::fsync(dirFd);
        ::close(dirFd);
    }
    return {};
}

}  // namespace vrklad
