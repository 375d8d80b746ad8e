#include "exchange/ExchangeFile.h"

#include <cerrno>
#include <cstring>
#include <system_error>

#include "register/Checksum.h"
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
        return false;
    }
    errno = 0;
    const bool written = file.WriteAt(0, records.data(), records.size() * sizeof(StudentRecord)) &&
                         SealRegister(file, name) && file.Sync();
    const int writeErrno = errno != 0 ? errno : EIO;
    file.Close();
    std::error_code ec;
    if (written) fs::rename(temporary, path, ec);
    if (!written || ec) {
        error = written ? ec.message() : std::strerror(writeErrno);
        std::error_code ignored;
        fs::remove(temporary, ignored);
        return false;
    }
    return true;
}

}  // namespace vrklad
