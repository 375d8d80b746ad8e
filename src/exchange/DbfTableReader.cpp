#include "exchange/DbfTableReader.h"

#include <shapefil.h>
#include <sys/stat.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>
#include <string_view>

#include "register/Cp1251.h"
#include "rules/PersonalChecks.h"

namespace vrklad {
namespace {

// shapelib's file hooks carry no context: the real path and the last error
// of the one open in progress are kept per thread.
thread_local const std::filesystem::path* t_realPath = nullptr;
thread_local std::string t_error;

bool EndsWithNoCase(std::string_view name, std::string_view suffix) {
    if (name.size() < suffix.size()) return false;
    name = name.substr(name.size() - suffix.size());
    for (size_t i = 0; i < suffix.size(); ++i) {
        char c = name[i];
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
        if (c != suffix[i]) return false;
    }
    return true;
}

// shapelib asks for the name with ".dbf" (and ".cpg" for the code page,
// which we do not use: the files are Windows-1251).
SAFile OpenHook(const char* name, const char* access) {
    if (t_realPath == nullptr || !EndsWithNoCase(name, ".dbf")) return nullptr;
    if (std::strchr(access, 'w') != nullptr || std::strchr(access, '+') != nullptr) return nullptr;
    return reinterpret_cast<SAFile>(std::fopen(t_realPath->c_str(), "rb"));
}

int RemoveHook(const char*) { return -1; }  // the reader deletes nothing

void ErrorHook(const char* message) { t_error = message; }

class DbfHandle {
public:
    explicit DbfHandle(const std::filesystem::path& path) {
        SAHooks hooks;
        SASetupDefaultHooks(&hooks);
        hooks.FOpen = OpenHook;
        hooks.Remove = RemoveHook;
        hooks.Error = ErrorHook;
        t_realPath = &path;
        t_error.clear();
        m_handle = DBFOpenLL("table.dbf", "rb", &hooks);
        t_realPath = nullptr;
    }
    ~DbfHandle() {
        if (m_handle != nullptr) DBFClose(m_handle);
    }
    DbfHandle(const DbfHandle&) = delete;
    DbfHandle& operator=(const DbfHandle&) = delete;

    DBFHandle get() const { return m_handle; }

private:
    DBFHandle m_handle = nullptr;
};

TableReadResult Failure(TableReadResult::Status status, std::string error) {
    TableReadResult out;
    out.status = status;
    out.error = std::move(error);
    return out;
}

// "YYYYMMDD" as "DD.MM.YYYY".
std::string DateValue(std::string_view stored) {
    if (stored.size() != 8 || !AllDigits(stored)) return std::string(stored);
    std::string out;
    out.append(stored.substr(6, 2)).append(".").append(stored.substr(4, 2)).append(".");
    out.append(stored.substr(0, 4));
    return out;
}

// A whole number loses its zero decimal places; anything else stays.
std::string NumberValue(std::string_view stored) {
    const size_t dot = stored.find('.');
    if (dot == std::string_view::npos) return std::string(stored);
    const std::string_view fraction = stored.substr(dot + 1);
    if (fraction.find_first_not_of('0') != std::string_view::npos) return std::string(stored);
    return std::string(stored.substr(0, dot));
}

}  // namespace

TableReadResult ReadDbfTable(const std::filesystem::path& path) {
    // shapelib reports a missing or unreadable file no better than a bad one.
    if (std::FILE* probe = std::fopen(path.c_str(), "rb")) {
        std::fclose(probe);
    } else {
        return Failure(TableReadResult::Status::Unreadable, std::strerror(errno));
    }
    struct stat st {};
    if (::stat(path.c_str(), &st) < 0 || !S_ISREG(st.st_mode))
        return Failure(TableReadResult::Status::Unreadable, "это не обычный файл");

    DbfHandle dbf(path);
    if (dbf.get() == nullptr) {
        std::string error = "Файл не является таблицей dBase.";
        if (!t_error.empty()) error += " " + Cp1251ToUtf8(t_error);
        return Failure(TableReadResult::Status::Malformed, error);
    }
    DBFHandle h = dbf.get();
    const int records = DBFGetRecordCount(h);
    const int fields = DBFGetFieldCount(h);
    const uint64_t needed = uint64_t(h->nHeaderLength) +
                            uint64_t(h->nRecordLength) * uint64_t(records < 0 ? 0 : records);
    if (records < 0 || fields <= 0 || needed > static_cast<uint64_t>(st.st_size)) {
        return Failure(TableReadResult::Status::Malformed,
                       "Файл dBase повреждён: заголовок не соответствует размеру файла.");
    }

    TableReadResult out;
    out.status = TableReadResult::Status::Ok;
    std::vector<char> types(static_cast<size_t>(fields));
    for (int f = 0; f < fields; ++f) {
        char name[XBASE_FLDNAME_LEN_READ + 1] = {};
        DBFGetFieldInfo(h, f, name, nullptr, nullptr);
        out.table.columns.push_back(Cp1251ToUtf8(name));
        types[static_cast<size_t>(f)] = DBFGetNativeFieldType(h, f);
    }

    out.table.rows.reserve(static_cast<size_t>(records));
    for (int i = 0; i < records; ++i) {
        if (DBFIsRecordDeleted(h, i)) continue;
        ImportedTable::Row row;
        row.source = static_cast<uint32_t>(i) + 1;
        row.values.reserve(static_cast<size_t>(fields));
        for (int f = 0; f < fields; ++f) {
            const char* raw = DBFReadStringAttribute(h, i, f);
            if (raw == nullptr) {
                return Failure(TableReadResult::Status::Malformed,
                               "Запись " + std::to_string(i + 1) + ": не удалось прочитать.");
            }
            const std::string_view stored = raw;
            // Blank fields, and the "*" and "00000000" some writers put for none.
            if (DBFIsAttributeNULL(h, i, f)) {
                row.values.emplace_back();
                continue;
            }
            switch (types[static_cast<size_t>(f)]) {
                case 'D':
                    row.values.push_back(DateValue(stored));
                    break;
                case 'N':
                case 'F':
                    row.values.push_back(NumberValue(stored));
                    break;
                default:
                    row.values.push_back(Cp1251ToUtf8(stored));
                    break;
            }
        }
        out.table.rows.push_back(std::move(row));
    }
    return out;
}

}  // namespace vrklad
