#include "exchange/ExchangeFile.h"

#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <system_error>

#include "register/Checksum.h"
#include "register/FaultInjection.h"
#include "register/RegisterFile.h"

namespace vrklad {

namespace fs = std::filesystem;

bool WriteExchangeFile(const fs::path& path, const std::vector<StudentRecord>& records,
                       std::string& error) {
    if (records.size() > RegisterFile::kMaxRecords) {
        error = std::strerror(EFBIG);
        return false;
    }
    const std::string name = path.filename().string();
    const fs::path temporary = path.parent_path() / ("." + name + ".new");

    RegisterFile file;
    if (file.Create(temporary) != RegisterFile::OpenResult::Ok) {
        error = file.LastError();
        ::unlink(temporary.c_str());  // made, but could not be emptied
        return false;
    }
    errno = 0;
    const bool written = file.WriteAt(0, records.data(), records.size() * sizeof(StudentRecord)) &&
                         SealRegister(file, name) && file.Sync();
    const int writeErrno = errno != 0 ? errno : EIO;
    file.Close();
    const bool renamed = written && io::Rename(temporary.c_str(), path.c_str()) == 0;
    if (!renamed) {
        error = std::strerror(written ? errno : writeErrno);
        ::unlink(temporary.c_str());
        return false;
    }
    io::SyncDirectory(path.has_parent_path() ? path.parent_path().c_str() : ".");
    return true;
}

}  // namespace vrklad
