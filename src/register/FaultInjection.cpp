#include "register/FaultInjection.h"

#include <fcntl.h>
#include <signal.h>
#include <stdio.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>

namespace vrklad {
namespace {

std::atomic<fault::Mode> g_mode{fault::Mode::Off};
std::atomic<uint64_t> g_points{0};
std::atomic<uint64_t> g_target{0};
std::atomic<bool> g_flushesReachDisk{true};

enum class Kind { Write, Flush, Name };

enum class Verdict { Go, Fail, Crash };

Verdict Pass(Kind kind) {
    const fault::Mode mode = g_mode.load(std::memory_order_relaxed);
    if (mode == fault::Mode::Off) return Verdict::Go;
    const uint64_t point = g_points.fetch_add(1, std::memory_order_relaxed) + 1;
    const uint64_t target = g_target.load(std::memory_order_relaxed);
    switch (mode) {
        case fault::Mode::Crash:
            return point == target ? Verdict::Crash : Verdict::Go;
        case fault::Mode::FailOnce:
            return point == target ? Verdict::Fail : Verdict::Go;
        case fault::Mode::DiskFull:
            // A full disk still renames and removes.
            return point >= target && kind != Kind::Name ? Verdict::Fail : Verdict::Go;
        default:
            return Verdict::Go;
    }
}

[[noreturn]] void Die() {
    ::raise(SIGKILL);
    ::_exit(137);
}

int Failed() {
    errno = ENOSPC;
    return -1;
}

}  // namespace

namespace fault {

void Arm(Mode mode, uint64_t n) {
    g_points.store(0, std::memory_order_relaxed);
    g_target.store(n, std::memory_order_relaxed);
    g_mode.store(mode, std::memory_order_relaxed);
}

void Disarm() { g_mode.store(Mode::Off, std::memory_order_relaxed); }

uint64_t Points() { return g_points.load(std::memory_order_relaxed); }

void SetFlushesReachDisk(bool reach) { g_flushesReachDisk.store(reach, std::memory_order_relaxed); }

}  // namespace fault

namespace io {

ssize_t Pwrite(int fd, const void* data, size_t size, off_t offset) {
    switch (Pass(Kind::Write)) {
        case Verdict::Go:
            return ::pwrite(fd, data, size, offset);
        case Verdict::Fail:
            return Failed();
        case Verdict::Crash:
            // A torn write: only the first half reaches the file.
            if (size > 1) (void)::pwrite(fd, data, size / 2, offset);
            Die();
    }
    return Failed();
}

ssize_t Write(int fd, const void* data, size_t size) {
    switch (Pass(Kind::Write)) {
        case Verdict::Go:
            return ::write(fd, data, size);
        case Verdict::Fail:
            return Failed();
        case Verdict::Crash:
            if (size > 1) (void)::write(fd, data, size / 2);
            Die();
    }
    return Failed();
}

namespace {

template <typename Call>
int Guarded(Kind kind, Call call) {
    switch (Pass(kind)) {
        case Verdict::Go:
            return call();
        case Verdict::Fail:
            return Failed();
        case Verdict::Crash:
            Die();
    }
    return Failed();
}

}  // namespace

int Fsync(int fd) {
    return Guarded(Kind::Flush, [&] {
        return g_flushesReachDisk.load(std::memory_order_relaxed) ? ::fsync(fd) : 0;
    });
}

int Ftruncate(int fd, off_t size) {
    return Guarded(Kind::Write, [&] { return ::ftruncate(fd, size); });
}

int Rename(const char* from, const char* to) {
    return Guarded(Kind::Name, [&] { return ::rename(from, to); });
}

int Unlink(const char* path) {
    return Guarded(Kind::Name, [&] { return ::unlink(path); });
}

int RenameNoReplace(const char* from, const char* to) {
    return Guarded(Kind::Name, [&] {
        if (::renameat2(AT_FDCWD, from, AT_FDCWD, to, RENAME_NOREPLACE) == 0) return 0;
        if (errno != EINVAL && errno != ENOSYS) return -1;
        if (::link(from, to) != 0) return -1;
        ::unlink(from);
        return 0;
    });
}

bool WritePoint() {
    return Guarded(Kind::Write, [] { return 0; }) == 0;
}

bool FlushPoint() {
    return Guarded(Kind::Flush, [] { return 0; }) == 0;
}

bool FlushReachesDisk() { return g_flushesReachDisk.load(std::memory_order_relaxed); }

int SyncDirectory(const char* path) {
    const int fd = ::open(path, O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return -1;
    const int rc = Fsync(fd);
    const int err = errno;
    ::close(fd);
    errno = err;
    return rc;
}

}  // namespace io

}  // namespace vrklad
