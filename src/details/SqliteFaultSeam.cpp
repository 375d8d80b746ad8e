#include "details/SqliteFaultSeam.h"

#include <sqlite3.h>

#include <mutex>

#include "register/FaultInjection.h"

namespace vrklad {
namespace {

constexpr const char* kName = "vrklad-fault-seam";

// Our file, with the platform layer's own file right behind it.
struct SeamFile {
    sqlite3_file base;
    sqlite3_file* real;
};

sqlite3_vfs* Platform(sqlite3_vfs* vfs) { return static_cast<sqlite3_vfs*>(vfs->pAppData); }
sqlite3_file* Real(sqlite3_file* f) { return reinterpret_cast<SeamFile*>(f)->real; }
const sqlite3_io_methods& Methods(sqlite3_file* f) { return *Real(f)->pMethods; }

int Close(sqlite3_file* f) { return Methods(f).xClose(Real(f)); }
int Read(sqlite3_file* f, void* data, int size, sqlite3_int64 offset) {
    return Methods(f).xRead(Real(f), data, size, offset);
}
int Write(sqlite3_file* f, const void* data, int size, sqlite3_int64 offset) {
    if (!io::WritePoint()) return SQLITE_FULL;
    return Methods(f).xWrite(Real(f), data, size, offset);
}
int Truncate(sqlite3_file* f, sqlite3_int64 size) {
    if (!io::WritePoint()) return SQLITE_IOERR_TRUNCATE;
    return Methods(f).xTruncate(Real(f), size);
}
int Sync(sqlite3_file* f, int flags) {
    if (!io::FlushPoint()) return SQLITE_IOERR_FSYNC;
    if (!io::FlushReachesDisk()) return SQLITE_OK;
    return Methods(f).xSync(Real(f), flags);
}
int FileSize(sqlite3_file* f, sqlite3_int64* size) { return Methods(f).xFileSize(Real(f), size); }
int Lock(sqlite3_file* f, int level) { return Methods(f).xLock(Real(f), level); }
int Unlock(sqlite3_file* f, int level) { return Methods(f).xUnlock(Real(f), level); }
int CheckReservedLock(sqlite3_file* f, int* out) {
    return Methods(f).xCheckReservedLock(Real(f), out);
}
int FileControl(sqlite3_file* f, int op, void* arg) {
    return Methods(f).xFileControl(Real(f), op, arg);
}
int SectorSize(sqlite3_file* f) { return Methods(f).xSectorSize(Real(f)); }
int DeviceCharacteristics(sqlite3_file* f) { return Methods(f).xDeviceCharacteristics(Real(f)); }
// Shared memory (WAL) and memory mapping: forwarded where the platform's
// file has them.
int ShmMap(sqlite3_file* f, int page, int size, int extend, void volatile** out) {
    if (Methods(f).iVersion < 2 || Methods(f).xShmMap == nullptr) return SQLITE_IOERR_SHMMAP;
    return Methods(f).xShmMap(Real(f), page, size, extend, out);
}
int ShmLock(sqlite3_file* f, int offset, int n, int flags) {
    if (Methods(f).iVersion < 2 || Methods(f).xShmLock == nullptr) return SQLITE_IOERR_SHMLOCK;
    return Methods(f).xShmLock(Real(f), offset, n, flags);
}
void ShmBarrier(sqlite3_file* f) {
    if (Methods(f).iVersion >= 2 && Methods(f).xShmBarrier != nullptr) {
        Methods(f).xShmBarrier(Real(f));
    }
}
int ShmUnmap(sqlite3_file* f, int deleteFlag) {
    if (Methods(f).iVersion < 2 || Methods(f).xShmUnmap == nullptr) return SQLITE_OK;
    return Methods(f).xShmUnmap(Real(f), deleteFlag);
}
int Fetch(sqlite3_file* f, sqlite3_int64 offset, int size, void** out) {
    if (Methods(f).iVersion < 3 || Methods(f).xFetch == nullptr) {
        *out = nullptr;
        return SQLITE_OK;
    }
    return Methods(f).xFetch(Real(f), offset, size, out);
}
int Unfetch(sqlite3_file* f, sqlite3_int64 offset, void* p) {
    if (Methods(f).iVersion < 3 || Methods(f).xUnfetch == nullptr) return SQLITE_OK;
    return Methods(f).xUnfetch(Real(f), offset, p);
}

const sqlite3_io_methods kMethods = {
    3,
    Close,
    Read,
    Write,
    Truncate,
    Sync,
    FileSize,
    Lock,
    Unlock,
    CheckReservedLock,
    FileControl,
    SectorSize,
    DeviceCharacteristics,
    ShmMap,
    ShmLock,
    ShmBarrier,
    ShmUnmap,
    Fetch,
    Unfetch,
};

int Open(sqlite3_vfs* vfs, sqlite3_filename name, sqlite3_file* f, int flags, int* outFlags) {
    auto* file = reinterpret_cast<SeamFile*>(f);
    file->real = reinterpret_cast<sqlite3_file*>(file + 1);
    file->real->pMethods = nullptr;
    const int rc = Platform(vfs)->xOpen(Platform(vfs), name, file->real, flags, outFlags);
    // Without methods SQLite does not close the file; neither may we.
    file->base.pMethods = file->real->pMethods != nullptr ? &kMethods : nullptr;
    return rc;
}
int Delete(sqlite3_vfs* vfs, const char* name, int syncDir) {
    return Platform(vfs)->xDelete(Platform(vfs), name, syncDir);
}
int Access(sqlite3_vfs* vfs, const char* name, int flags, int* out) {
    return Platform(vfs)->xAccess(Platform(vfs), name, flags, out);
}
int FullPathname(sqlite3_vfs* vfs, const char* name, int size, char* out) {
    return Platform(vfs)->xFullPathname(Platform(vfs), name, size, out);
}
void* DlOpen(sqlite3_vfs* vfs, const char* name) {
    return Platform(vfs)->xDlOpen(Platform(vfs), name);
}
void DlError(sqlite3_vfs* vfs, int size, char* out) {
    Platform(vfs)->xDlError(Platform(vfs), size, out);
}
void (*DlSym(sqlite3_vfs* vfs, void* handle, const char* symbol))(void) {
    return Platform(vfs)->xDlSym(Platform(vfs), handle, symbol);
}
void DlClose(sqlite3_vfs* vfs, void* handle) { Platform(vfs)->xDlClose(Platform(vfs), handle); }
int Randomness(sqlite3_vfs* vfs, int size, char* out) {
    return Platform(vfs)->xRandomness(Platform(vfs), size, out);
}
int Sleep(sqlite3_vfs* vfs, int microseconds) {
    return Platform(vfs)->xSleep(Platform(vfs), microseconds);
}
int CurrentTime(sqlite3_vfs* vfs, double* out) {
    return Platform(vfs)->xCurrentTime(Platform(vfs), out);
}
int GetLastError(sqlite3_vfs* vfs, int size, char* out) {
    return Platform(vfs)->xGetLastError(Platform(vfs), size, out);
}
int CurrentTimeInt64(sqlite3_vfs* vfs, sqlite3_int64* out) {
    return Platform(vfs)->xCurrentTimeInt64(Platform(vfs), out);
}
int SetSystemCall(sqlite3_vfs* vfs, const char* name, sqlite3_syscall_ptr call) {
    return Platform(vfs)->xSetSystemCall(Platform(vfs), name, call);
}
sqlite3_syscall_ptr GetSystemCall(sqlite3_vfs* vfs, const char* name) {
    return Platform(vfs)->xGetSystemCall(Platform(vfs), name);
}
const char* NextSystemCall(sqlite3_vfs* vfs, const char* name) {
    return Platform(vfs)->xNextSystemCall(Platform(vfs), name);
}

sqlite3_vfs g_vfs{};

}  // namespace

const char* SqliteFaultSeamVfs() {
    static std::once_flag once;
    static bool registered = false;
    std::call_once(once, [] {
        sqlite3_vfs* platform = sqlite3_vfs_find(nullptr);
        // The unix layer of every SQLite this program is built with has all
        // of these (version 3); an older one leaves the database unwrapped.
        if (platform == nullptr || platform->iVersion < 3) return;
        g_vfs.iVersion = 3;
        g_vfs.szOsFile = static_cast<int>(sizeof(SeamFile)) + platform->szOsFile;
        g_vfs.mxPathname = platform->mxPathname;
        g_vfs.zName = kName;
        g_vfs.pAppData = platform;
        g_vfs.xOpen = Open;
        g_vfs.xDelete = Delete;
        g_vfs.xAccess = Access;
        g_vfs.xFullPathname = FullPathname;
        g_vfs.xDlOpen = DlOpen;
        g_vfs.xDlError = DlError;
        g_vfs.xDlSym = DlSym;
        g_vfs.xDlClose = DlClose;
        g_vfs.xRandomness = Randomness;
        g_vfs.xSleep = Sleep;
        g_vfs.xCurrentTime = CurrentTime;
        g_vfs.xGetLastError = GetLastError;
        g_vfs.xCurrentTimeInt64 = CurrentTimeInt64;
        g_vfs.xSetSystemCall = SetSystemCall;
        g_vfs.xGetSystemCall = GetSystemCall;
        g_vfs.xNextSystemCall = NextSystemCall;
        registered = sqlite3_vfs_register(&g_vfs, /*makeDflt=*/0) == SQLITE_OK;
    });
    return registered ? kName : nullptr;
}

}  // namespace vrklad
