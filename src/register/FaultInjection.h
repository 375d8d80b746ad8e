#pragma once

#include <sys/types.h>

#include <cstddef>
#include <cstdint>

namespace vrklad {

// Every write, flush, rename, removal and truncation the core makes on the
// files of an installation goes through the wrappers below, so that tests
// can stop the program at any one of them (as a power cut or a kill would)
// or make it fail (as a full disk would). Unarmed, each wrapper is the
// plain system call after one test of a flag. Only tests arm the seam.
namespace fault {

enum class Mode {
    Off,
    Count,     // only counts the points passed
    Crash,     // kills the process with SIGKILL at point n; a write stops half way
    FailOnce,  // point n fails with ENOSPC, the others work
    DiskFull,  // from point n on, every write, flush and truncation fails with ENOSPC
};

// Starts counting the points from 0; `n` counts from 1.
void Arm(Mode mode, uint64_t n = 0);
void Disarm();
// The points passed since Arm.
uint64_t Points();

// Whether a flush that passes its point reaches the disk (the default).
// Tests that make many runs on throwaway files, and cut no power, may skip
// the waits; the flushes still count as points and can still fail.
void SetFlushesReachDisk(bool reach);

}  // namespace fault

namespace io {

// pwrite(2), write(2), fsync(2), ftruncate(2), rename(2), unlink(2).
ssize_t Pwrite(int fd, const void* data, size_t size, off_t offset);
ssize_t Write(int fd, const void* data, size_t size);
int Fsync(int fd);
int Ftruncate(int fd, off_t size);
int Rename(const char* from, const char* to);
int Unlink(const char* path);
// rename(2) that refuses an existing target (EEXIST). File systems without
// RENAME_NOREPLACE get link + unlink, which refuses one just as well.
int RenameNoReplace(const char* from, const char* to);
// Flushes a directory, so that the renames and removals in it reach the disk.
int SyncDirectory(const char* path);

// For writers that make their own system calls (SQLite, for the details
// database): one write or flush point, passed just before the call. False,
// with errno ENOSPC, when the call is to fail; at a crash point the
// process dies before the call.
bool WritePoint();
bool FlushPoint();
// Whether such a writer is to make the flush itself (see SetFlushesReachDisk).
bool FlushReachesDisk();

}  // namespace io

}  // namespace vrklad
