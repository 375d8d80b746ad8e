#include "exchange/DelimitedTextReader.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "register/Cp1251.h"

namespace vrklad {
namespace {

constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";

TableReadResult Failure(TableReadResult::Status status, std::string error) {
    TableReadResult out;
    out.status = status;
    out.error = std::move(error);
    return out;
}

TableReadResult Malformed(uint32_t line, const char* what) {
    return Failure(TableReadResult::Status::Malformed,
                   "Строка " + std::to_string(line) + ": " + what);
}

// One pass over the text; the delimiters are ASCII, so UTF-8 multi-byte
// characters never get in the way.
class Parser {
public:
    explicit Parser(std::string_view text) : m_text(text) {}

    TableReadResult Run() {
        TableReadResult out;
        out.status = TableReadResult::Status::Ok;
        out.table.rows.reserve(static_cast<size_t>(std::count(m_text.begin(), m_text.end(), '\n')));
        bool haveHeader = false;
        while (m_pos < m_text.size()) {
            if (SkipEmptyLine()) continue;
            const uint32_t start = m_line;
            std::vector<std::string> values;
            if (const char* error = ReadRecord(values)) return Malformed(m_errorLine, error);
            if (!haveHeader) {
                out.table.columns = std::move(values);
                haveHeader = true;
            } else {
                out.table.rows.push_back({start, std::move(values)});
            }
        }
        return out;
    }

private:
    bool AtLineEnd(size_t at, size_t* length) const {
        if (at < m_text.size() && m_text[at] == '\n') {
            *length = 1;
            return true;
        }
        if (at + 1 < m_text.size() && m_text[at] == '\r' && m_text[at + 1] == '\n') {
            *length = 2;
            return true;
        }
        return false;
    }

    bool SkipEmptyLine() {
        size_t length = 0;
        if (!AtLineEnd(m_pos, &length)) return false;
        m_pos += length;
        ++m_line;
        return true;
    }

    // Reads the values of one record up to and including its line end;
    // returns the error text, or nullptr.
    const char* ReadRecord(std::vector<std::string>& values) {
        for (;;) {
            std::string value;
            bool more = false;
            const char* error = m_pos < m_text.size() && m_text[m_pos] == '"'
                                    ? ReadQuoted(value, more)
                                    : ReadPlain(value, more);
            if (error != nullptr) return error;
            values.push_back(std::move(value));
            if (!more) return nullptr;
        }
    }

    // `more`: a ";" followed, another value of this record comes.
    const char* ReadPlain(std::string& value, bool& more) {
        size_t end = m_text.find_first_of(";\n", m_pos);
        if (end == std::string_view::npos) end = m_text.size();
        size_t valueEnd = end;
        if (end < m_text.size() && m_text[end] == '\n' && valueEnd > m_pos &&
            m_text[valueEnd - 1] == '\r') {
            --valueEnd;
        }
        value.assign(m_text.substr(m_pos, valueEnd - m_pos));
        more = end < m_text.size() && m_text[end] == ';';
        if (end < m_text.size() && m_text[end] == '\n') ++m_line;
        m_pos = std::min(end + 1, m_text.size());
        return nullptr;
    }

    const char* ReadQuoted(std::string& value, bool& more) {
        const uint32_t opened = m_line;
        ++m_pos;
        for (;;) {
            const size_t quote = m_text.find('"', m_pos);
            if (quote == std::string_view::npos) {
                m_errorLine = opened;
                return "значение в кавычках не закрыто.";
            }
            const std::string_view part = m_text.substr(m_pos, quote - m_pos);
            m_line += static_cast<uint32_t>(std::count(part.begin(), part.end(), '\n'));
            value.append(part);
            m_pos = quote + 1;
            if (m_pos < m_text.size() && m_text[m_pos] == '"') {
                value += '"';  // a doubled quote stands for one
                ++m_pos;
                continue;
            }
            break;
        }
        more = false;
        size_t length = 0;
        if (m_pos >= m_text.size()) return nullptr;
        if (m_text[m_pos] == ';') {
            more = true;
            ++m_pos;
            return nullptr;
        }
        if (AtLineEnd(m_pos, &length)) {
            m_pos += length;
            ++m_line;
            return nullptr;
        }
        m_errorLine = m_line;
        return "после закрывающей кавычки допустимы только \";\" и конец строки.";
    }

    std::string_view m_text;
    size_t m_pos = 0;
    uint32_t m_line = 1;
    uint32_t m_errorLine = 0;
};

}  // namespace

TableReadResult ParseDelimitedText(std::string_view bytes) {
    if (bytes.substr(0, kUtf8Bom.size()) == kUtf8Bom)
        return Parser(bytes.substr(kUtf8Bom.size())).Run();
    const std::string text = Cp1251ToUtf8(bytes);
    return Parser(text).Run();
}

TableReadResult ReadDelimitedText(const std::filesystem::path& path) {
    int fd;
    do {
        // Not blocking: a named pipe picked by mistake must not hang the program.
        fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0) return Failure(TableReadResult::Status::Unreadable, std::strerror(errno));

    struct stat st {};
    if (::fstat(fd, &st) < 0) {
        const int err = errno;
        ::close(fd);
        return Failure(TableReadResult::Status::Unreadable, std::strerror(err));
    }
    if (!S_ISREG(st.st_mode)) {
        ::close(fd);
        return Failure(TableReadResult::Status::Unreadable, "это не обычный файл");
    }
    if (static_cast<uint64_t>(st.st_size) > kMaxDelimitedTextSize) {
        ::close(fd);
        return Failure(
            TableReadResult::Status::Malformed,
            "Файл слишком велик для списка учащихся (" + std::to_string(st.st_size) + " байт).");
    }

    std::string bytes(static_cast<size_t>(st.st_size), '\0');
    size_t have = 0;
    while (have < bytes.size()) {
        const ssize_t got = ::read(fd, bytes.data() + have, bytes.size() - have);
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) {
            const int err = errno;
            ::close(fd);
            return Failure(TableReadResult::Status::Unreadable, std::strerror(err));
        }
        if (got == 0) break;  // shortened meanwhile: what is there
        have += static_cast<size_t>(got);
    }
    ::close(fd);
    bytes.resize(have);
    return ParseDelimitedText(bytes);
}

}  // namespace vrklad
