#include "register/SettingsIni.h"

#include <fstream>
#include <iterator>
#include <optional>
#include <string_view>

#include "register/Cp1251.h"
#include "register/IniFile.h"
#include "register/SafeReplace.h"

namespace vrklad {
namespace {

std::filesystem::path IniPath(const std::filesystem::path& programDir) {
    return programDir / Settings::kFileName;
}

std::optional<std::string> ReadBytes(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return std::nullopt;
    std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (in.bad()) return std::nullopt;
    return bytes;
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// A signed 32-bit integer, decimal or "0x" hexadecimal; nothing else may follow.
std::optional<int32_t> ParseInteger(std::string_view s) {
    bool negative = false;
    if (!s.empty() && (s.front() == '-' || s.front() == '+')) {
        negative = s.front() == '-';
        s.remove_prefix(1);
    }
    int base = 10;
    if (s.size() > 2 && s[0] == '0' && (s[1] == 'x' || s[1] == 'X')) {
        base = 16;
        s.remove_prefix(2);
    }
    if (s.empty()) return std::nullopt;
    // Hexadecimal takes all 32 bits ("0xFFFFFFFF" is -1); decimal must fit.
    const int64_t limit = base == 16 ? 0xFFFFFFFFLL : (negative ? 0x80000000LL : 0x7FFFFFFFLL);
    int64_t value = 0;
    for (char c : s) {
        const int d = HexDigit(c);
        if (d < 0 || d >= base) return std::nullopt;
        value = value * base + d;
        if (value > limit) return std::nullopt;
    }
    if (negative) value = -value;
    return static_cast<int32_t>(static_cast<uint32_t>(value));
}

// dd.mm.yyyy (one-digit day and month are taken too) as midnight of that day.
std::optional<LocalDateTime> ParseDate(std::string_view s) {
    int parts[3] = {0, 0, 0};
    const size_t widths[3][2] = {{1, 2}, {1, 2}, {4, 4}};
    for (int i = 0; i < 3; ++i) {
        size_t len = 0;
        while (len < s.size() && s[len] >= '0' && s[len] <= '9') {
            // A run of digits longer than the field is refused below; it
            // must not overflow the number on the way there.
            if (len < widths[i][1]) parts[i] = parts[i] * 10 + (s[len] - '0');
            ++len;
        }
        if (len < widths[i][0] || len > widths[i][1]) return std::nullopt;
        s.remove_prefix(len);
        if (i < 2) {
            if (s.empty() || s.front() != '.') return std::nullopt;
            s.remove_prefix(1);
        }
    }
    if (!s.empty() || !IsValidDate(parts[2], parts[1], parts[0])) return std::nullopt;
    return LocalDateTime{parts[2], parts[1], parts[0], 0, 0, 0};
}

uint8_t ReadByte(const IniFile& ini, const char* section, const char* key, uint8_t fallback) {
    const auto text = ini.Value(section, key);
    const auto value = text ? ParseInteger(*text) : std::nullopt;
    return value ? static_cast<uint8_t>(*value) : fallback;  // kept in 8 bits
}

bool WriteKey(const std::filesystem::path& programDir, const std::string& section,
              const std::string& key, const std::string& value) {
    std::error_code ec;
    std::filesystem::path path = IniPath(programDir);
    if (!std::filesystem::exists(path, ec)) return false;  // never created here
    // Edit the file a link points to, not the link.
    const std::filesystem::path target = std::filesystem::canonical(path, ec);
    if (!ec) path = target;
    const std::optional<std::string> bytes = ReadBytes(path);
    if (!bytes) return false;
    IniFile ini(*bytes);
    ini.SetValue(Utf8ToCp1251(section), Utf8ToCp1251(key), Utf8ToCp1251(value));
    if (ini.Bytes() == *bytes) return true;
    return !ReplaceFileSafely(path, ini.Bytes());
}

}  // namespace

bool ReadSettings(const std::filesystem::path& programDir, Settings& out) {
    const std::filesystem::path path = IniPath(programDir);
    std::error_code ec;
    if (!std::filesystem::exists(path, ec)) return false;

    Settings s;
    s.LastDateCompress = AddHours(Now(), -720);
    // An unreadable file gives the defaults, as Windows does.
    const IniFile ini(ReadBytes(path).value_or(std::string()));
    s.TypeOrganization = ReadByte(ini, "Options", "TypeOrganization", s.TypeOrganization);
    s.MonthEndAllow = ReadByte(ini, "DateEndAllow", "MonthEndAllow", s.MonthEndAllow);
    s.DayEndAllow = ReadByte(ini, "DateEndAllow", "DayEndAllow", s.DayEndAllow);
    s.RepareDocFormat = ReadByte(ini, "Other", "RepareDocFormat", s.RepareDocFormat);
    if (const auto text = ini.Value("Other", "LastDateCompress")) {
        if (const auto date = ParseDate(*text)) s.LastDateCompress = *date;
    }
    out = s;
    return true;
}

bool WriteIniInteger(const std::filesystem::path& programDir, const std::string& section,
                     const std::string& key, int value) {
    return WriteKey(programDir, section, key, std::to_string(value));
}

bool WriteIniDate(const std::filesystem::path& programDir, const std::string& section,
                  const std::string& key, const LocalDateTime& date) {
    return WriteKey(
        programDir, section, key,
        TwoDigits(date.day) + "." + TwoDigits(date.month) + "." + std::to_string(date.year));
}

}  // namespace vrklad
