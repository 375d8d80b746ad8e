#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace vrklad {

// The bytes of a Windows INI file, read and edited the way Windows does it:
// "[section]" lines, "key=value" lines, ";" comments, names compared without
// regard to ASCII case, the first matching section and key win, spaces
// around names and values do not count, one pair of quotes around a value is
// dropped. Setting a key rewrites that one line; every other byte, CR LF line
// ends, comments and unknown sections included, stays as it was.
// Names and values are the file's own bytes (cp1251 here).
class IniFile {
public:
    explicit IniFile(std::string bytes) : m_bytes(std::move(bytes)) {}

    std::optional<std::string> Value(std::string_view section, std::string_view key) const;

    // A missing key is added after the last key of its section, a missing
    // section is appended at the end; new lines end like the file's lines.
    void SetValue(std::string_view section, std::string_view key, std::string_view value);

    const std::string& Bytes() const { return m_bytes; }

private:
    std::string m_bytes;
};

}  // namespace vrklad
