#include "register/IniFile.h"

#include <vector>

namespace vrklad {
namespace {

// One physical line: [begin, end) is its text, [end, next) its line end.
struct Line {
    size_t begin;
    size_t end;
    size_t next;
};

enum class Kind { Other, Section, Key };

struct Parsed {
    Kind kind = Kind::Other;
    std::string_view name;  // section or key name, trimmed
    size_t valueBegin = 0;  // key lines: offset in the file where the value starts
};

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

std::string_view Trim(std::string_view s) {
    while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
    while (!s.empty() && IsBlank(s.back())) s.remove_suffix(1);
    return s;
}

char AsciiUpper(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

bool SameName(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        if (AsciiUpper(a[i]) != AsciiUpper(b[i])) return false;
    }
    return true;
}

std::vector<Line> SplitLines(const std::string& bytes) {
    std::vector<Line> lines;
    size_t pos = 0;
    // A byte-order mark from an editor does not belong to the first line's text.
    if (bytes.compare(0, 3, "\xEF\xBB\xBF") == 0) pos = 3;
    while (pos < bytes.size()) {
        const size_t nl = bytes.find('\n', pos);
        if (nl == std::string::npos) {
            // A last line cut after its CR still ends there.
            const size_t end = bytes.back() == '\r' ? bytes.size() - 1 : bytes.size();
            lines.push_back({pos, end, bytes.size()});
            break;
        }
        const size_t end = nl > pos && bytes[nl - 1] == '\r' ? nl - 1 : nl;
        lines.push_back({pos, end, nl + 1});
        pos = nl + 1;
    }
    return lines;
}

Parsed ParseLine(const std::string& bytes, const Line& line) {
    const std::string_view text(bytes.data() + line.begin, line.end - line.begin);
    const std::string_view trimmed = Trim(text);
    Parsed p;
    if (trimmed.empty() || trimmed.front() == ';') return p;
    if (trimmed.front() == '[') {
        std::string_view name = trimmed.substr(1);
        name = name.substr(0, name.find(']'));
        p.kind = Kind::Section;
        p.name = Trim(name);
        return p;
    }
    const size_t eq = text.find('=');
    if (eq == std::string_view::npos) return p;
    p.kind = Kind::Key;
    p.name = Trim(text.substr(0, eq));
    size_t v = eq + 1;
    while (v < text.size() && IsBlank(text[v])) ++v;
    p.valueBegin = line.begin + v;
    return p;
}

std::string_view LineEndOf(const std::string& bytes, const std::vector<Line>& lines) {
    for (const Line& l : lines) {
        // A CR the file was cut after is no line end to copy.
        if (l.next > l.end && bytes[l.next - 1] == '\n') {
            return std::string_view(bytes).substr(l.end, l.next - l.end);
        }
    }
    return "\r\n";
}

// What completes the file's last line before a line is added after it:
// nothing, the LF a lone CR lacks, or a whole line end.
std::string LineEndMissing(const std::string& bytes, std::string_view eol) {
    if (bytes.empty() || bytes.back() == '\n') return "";
    if (bytes.back() == '\r') return "\n";
    return std::string(eol);
}

// Where the section and its key stand, for reading and writing alike.
struct Location {
    std::optional<size_t> section;  // index of the header line
    std::optional<size_t> key;      // index of the key line
    size_t lastInSection = 0;       // header or last key line of the section
};

Location Find(const std::string& bytes, const std::vector<Line>& lines, std::string_view section,
              std::string_view key) {
    Location loc;
    for (size_t i = 0; i < lines.size(); ++i) {
        const Parsed p = ParseLine(bytes, lines[i]);
        if (p.kind == Kind::Section) {
            if (loc.section) break;  // the first matching section ends here
            if (SameName(p.name, section)) {
                loc.section = i;
                loc.lastInSection = i;
            }
        } else if (p.kind == Kind::Key && loc.section) {
            loc.lastInSection = i;
            if (SameName(p.name, key)) {
                loc.key = i;
                break;
            }
        }
    }
    return loc;
}

}  // namespace

std::optional<std::string> IniFile::Value(std::string_view section, std::string_view key) const {
    const std::vector<Line> lines = SplitLines(m_bytes);
    const Location loc = Find(m_bytes, lines, section, key);
    if (!loc.key) return std::nullopt;
    const Line& line = lines[*loc.key];
    const size_t begin = ParseLine(m_bytes, line).valueBegin;
    std::string_view value = Trim(std::string_view(m_bytes).substr(begin, line.end - begin));
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
        value.back() == value.front()) {
        value = value.substr(1, value.size() - 2);
    }
    return std::string(value);
}

void IniFile::SetValue(std::string_view section, std::string_view key, std::string_view value) {
    const std::vector<Line> lines = SplitLines(m_bytes);
    const std::string eol(LineEndOf(m_bytes, lines));
    const Location loc = Find(m_bytes, lines, section, key);

    if (loc.key) {
        const Line& line = lines[*loc.key];
        const size_t begin = ParseLine(m_bytes, line).valueBegin;
        m_bytes.replace(begin, line.end - begin, value);
        return;
    }

    std::string added = std::string(key) + "=" + std::string(value) + eol;
    size_t at = m_bytes.size();
    if (loc.section) {
        at = lines[loc.lastInSection].next;
        if (at == m_bytes.size()) added.insert(0, LineEndMissing(m_bytes, eol));
    } else {
        added.insert(0, LineEndMissing(m_bytes, eol) + "[" + std::string(section) + "]" + eol);
    }
    m_bytes.insert(at, added);
}

}  // namespace vrklad
