#include "register/TextFile.h"

#include "register/Cp1251.h"
#include "register/SafeReplace.h"

namespace vrklad {

std::string TextFileBytes(const std::vector<std::string>& lines) {
    std::string bytes;
    for (const auto& line : lines) {
        bytes += Utf8ToCp1251(line);
        bytes += "\r\n";
    }
    return bytes;
}

std::error_code WriteTextFile(const std::filesystem::path& path,
                              const std::vector<std::string>& lines) {
    return ReplaceFileSafely(path, TextFileBytes(lines));
}

}  // namespace vrklad
