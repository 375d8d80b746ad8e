#include "exchange/ImportTable.h"

#include <sys/stat.h>

#include <array>
#include <cerrno>
#include <cstring>
#include <ctime>
#include <new>
#include <optional>
#include <system_error>

#include "details/DetailsStore.h"
#include "exchange/DbfTableReader.h"
#include "exchange/DelimitedTextReader.h"
#include "exchange/ImportRow.h"
#include "exchange/IncomingFailure.h"
#include "exchange/MatchIncoming.h"
#include "exchange/RecordUpdate.h"
#include "exchange/RegisterIndexes.h"
#include "register/Operator.h"
#include "register/ProgramConfig.h"
#include "register/RegisterFile.h"
#include "register/RegisterWorkCopy.h"
#include "register/SettingsIni.h"
#include "register/TextFile.h"

namespace vrklad {
namespace {

// The schema line of each column, in column order.
constexpr std::array<const char*, kImportColumnCount> kSchemaColumnLines = {
    "Col1=ORG integer",
    "Col2=DOC Text Width 15",
    "Col3=FIO Text Width 46",
    "Col4=DBIRTH Text Width 10",
    "Col5=BILET Text Width 10",
    "Col6=KLASS Text Width 10",
    "Col7=DATEEND Text Width 10",
    "Col8=SNILS Text Width 15",
    "Col9=PersSex Text Width 1",
    "Col10=IssueDate Text Width 10",
    "Col11=Issuer Text Width 255",
    "Col12=IssuerCode integer",
    "Col13=PlaceOfBirth  Text Width 255",
    "Col14=OLDDOC Text Width 15",
    "Col15=OLDFIO Text Width 46",
};

enum class TableKind { Text, Dbase, Unknown };

TableKind KindOf(const std::filesystem::path& path) {
    std::string ext = path.extension().string();
    for (char& c : ext)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    if (ext == ".txt" || ext == ".csv") return TableKind::Text;
    if (ext == ".dbf") return TableKind::Dbase;
    return TableKind::Unknown;
}

std::optional<RecordDate> ModificationDate(const std::filesystem::path& path, int& error) {
    struct stat st {};
    if (::stat(path.c_str(), &st) < 0) {
        error = errno;
        return std::nullopt;
    }
    std::tm tm{};
    const std::time_t t = st.st_mtime;
    if (localtime_r(&t, &tm) == nullptr) {
        error = EOVERFLOW;
        return std::nullopt;
    }
    return RecordDate{static_cast<uint16_t>(tm.tm_year + 1900), static_cast<uint8_t>(tm.tm_mon + 1),
                      static_cast<uint8_t>(tm.tm_mday)};
}

// The schema file beside a text table. Our reader does not need it; it is
// kept for whoever looks into the directory during the run, so a directory
// that cannot be written (read-only media) does not stop the import.
class SchemaIni {
public:
    explicit SchemaIni(const std::filesystem::path& table)
        : m_path(table.parent_path() / kSchemaIniName), m_fileName(table.filename().string()) {}
    ~SchemaIni() { Remove(); }
    SchemaIni(const SchemaIni&) = delete;
    SchemaIni& operator=(const SchemaIni&) = delete;

    void Write(const ImportColumns* found) {
        if (!WriteTextFile(m_path, SchemaIniLines(m_fileName, found))) m_written = true;
    }
    void Remove() {
        if (!m_written) return;
        std::error_code ignored;
        std::filesystem::remove(m_path, ignored);
        m_written = false;
    }

private:
    std::filesystem::path m_path;
    std::string m_fileName;
    bool m_written = false;
};

TableReadResult ReadTable(TableKind kind, const std::filesystem::path& path) {
    try {
        return kind == TableKind::Text ? ReadDelimitedText(path) : ReadDbfTable(path);
    } catch (const std::bad_alloc&) {
        TableReadResult out;
        out.status = TableReadResult::Status::Malformed;
        out.error = "Недостаточно памяти, чтобы прочитать файл.";
        return out;
    }
}

void ShowReadFailure(const TableReadResult& read, const std::filesystem::path& path, Operator& op) {
    if (read.status == TableReadResult::Status::Unreadable) {
        op.Error("Не удалось прочитать файл " + path.string() + "\n" + read.error);
    } else {
        op.Error(std::string(kImportBadFormat) + "\n" + read.error);
    }
}

}  // namespace

std::vector<std::string> SchemaIniLines(const std::string& fileName, const ImportColumns* found) {
    std::vector<std::string> lines = {"[" + fileName + "]", "ColNameHeader=True",
                                      "Format=Delimited(;)"};
    if (found != nullptr) {
        for (int c = 0; c < kImportColumnCount; ++c)
            if (found->Has(static_cast<ImportColumn>(c))) lines.push_back(kSchemaColumnLines[c]);
    }
    return lines;
}

ImportTableResult ImportTable(const std::filesystem::path& path,
                              const std::filesystem::path& programDir, RegisterFile& reg,
                              ConfigFile& config, const Settings& settings, uint8_t maxKlass,
                              DetailsStore& details, RegisterIndexes& indexes, Operator& op) {
    ImportTableResult result;

    // 1. Indexes, and the file's date for every row.
    indexes.Rebuild(reg);
    int dateError = 0;
    const std::optional<RecordDate> fileDate = ModificationDate(path, dateError);
    if (!fileDate) {
        op.Error("Не удалось прочитать файл " + path.string() + "\n" + std::strerror(dateError));
        return result;
    }

    // 2, 3. The table, read whole before anything is written, and its columns.
    const TableKind kind = KindOf(path);
    if (kind == TableKind::Unknown) {
        op.Error(kImportBadFormat);
        return result;
    }
    std::optional<SchemaIni> schema;
    if (kind == TableKind::Text) {
        schema.emplace(path);
        schema->Write(nullptr);
    }
    const TableReadResult read = ReadTable(kind, path);
    if (!read.ok()) {
        ShowReadFailure(read, path, op);
        return result;
    }
    const ImportedTable& table = read.table;
    const ImportColumns columns = ImportColumns::Find(table);
    if (schema) schema->Write(&columns);
    if (!columns.HasRequired()) {
        op.Error(kImportBadFormat);
        return result;
    }
    result.imported = true;

    // 4. The protocol's head.
    const ProgramConfig& cfg = config.Data();
    const ImportRules rules{
        cfg, SchoolYear{cfg.OrgType, maxKlass, settings.MonthEndAllow, settings.DayEndAllow},
        *fileDate};
    result.rows = table.rows.size();
    std::vector<std::string> lines = {
        "Загрузка данных из файла " + path.filename().string() + " в файл данных.",
        "Записей в файле -  " + std::to_string(result.rows), ""};
    lines.reserve(lines.size() + table.rows.size() + 8);
    op.ShowProgress(0, true);

    // 5. Every row, in file order, written to a copy of the register that
    // takes its place only once the whole run and its protocol are written:
    // a failed write stops the run with the register as it was.
    const std::string fileName = path.filename().string();
    const std::string registerName = reg.Path().filename().string();
    RegisterWorkCopy copy;
    if (const std::string error = copy.Begin(reg); !error.empty()) {
        op.ShowProgress(0, false);
        op.Error(RegisterWriteStopped(registerName, error, fileName));
        result.imported = false;
        return result;
    }
    RegisterFile& work = copy.File();
    const auto stopped = [&](const std::string& text) {
        copy.Discard();
        indexes.Rebuild(reg);
        op.ShowProgress(0, false);
        op.Error(text);
        result.imported = false;
        return result;
    };

    const bool withDetails = columns.HasDetails();
    DetailsStore::Transaction transaction(details, DetailsStore::Transaction::Errors::Kept);
    uint64_t position = 0;
    uint64_t r = 0;
    for (const ImportedTable::Row& source : table.rows) {
        ++r;
        const uint64_t percent = r * 100 / result.rows;
        if (percent > position) {
            position = percent;
            op.ShowProgress(static_cast<int>(percent), true);
        }

        const ImportedRow row = ImportRow(source.values, columns, rules, source.source);
        if (!row.ok()) {
            lines.push_back(row.prefix + row.failure);
            ++result.erroneous;
            continue;
        }
        const MatchResult match = MatchIncoming(work, indexes, row.record);
        const MergeOutcome outcome = ApplyImportVerdict(work, match, row.record);
        if (outcome.registerFailed) {
            const std::string error =
                work.LastError().empty() ? std::strerror(EIO) : work.LastError();
            return stopped(RegisterWriteStopped(registerName, error, fileName));
        }
        if (outcome.added) ++result.added;
        if (outcome.updated) ++result.updated;
        if (outcome.unchanged) ++result.unchanged;
        if (outcome.erroneous) ++result.erroneous;
        if (!outcome.protocolSuffix.empty()) lines.push_back(row.prefix + outcome.protocolSuffix);

        if (withDetails && outcome.detailsDoc) {
            const RowDetails rowDetails = ImportRowDetails(source.values, columns);
            if (rowDetails.details) {
                if (!details.ReplaceDoc(*outcome.detailsDoc, *rowDetails.details)) {
                    transaction.Commit();  // rolls back, and gives the database's text
                    return stopped(DetailsWriteStopped(transaction.Error(), fileName));
                }
            } else if (!rowDetails.failure.empty()) {
                lines.push_back(row.prefix + rowDetails.failure);
            }
        }
    }
    if (transaction.Failed()) {
        transaction.Commit();
        return stopped(DetailsWriteStopped(transaction.Error(), fileName));
    }

    // 6. The protocol's end.
    op.ShowProgress(0, false);
    lines.push_back("");
    lines.push_back("Добавлено новых записей: " + std::to_string(result.added));
    lines.push_back("Обновлено записей : " + std::to_string(result.updated));
    lines.push_back("Ошибочных записей : " + std::to_string(result.erroneous));
    lines.push_back("Записей без изменений  : " + std::to_string(result.unchanged));

    // 7. Saved, then the details and the register take the run, then the
    // protocol is shown. A protocol of changes that were not made goes.
    const std::filesystem::path protocol = programDir / kImportProtocolName;
    if (const std::error_code error = WriteTextFile(protocol, lines)) {
        return stopped(ProtocolWriteStopped(protocol.string(), error.message(), fileName));
    }
    const auto unlisted = [&](const std::string& text) {
        std::error_code ignored;
        std::filesystem::remove(protocol, ignored);
        return stopped(text);
    };
    if (!transaction.Commit()) return unlisted(DetailsWriteStopped(transaction.Error(), fileName));
    if (const std::string error = copy.Commit(reg); !error.empty()) {
        return unlisted(RegisterWriteStopped(registerName, error, fileName));
    }
    result.protocol = protocol;
    errno = 0;
    if (!op.OpenInViewer(protocol.string())) {
        op.Warn("Не удалось открыть файл протокола. Код ошибки " + std::to_string(errno));
    }

    // 8. The schema file goes when the SchemaIni does.
    return result;
}

}  // namespace vrklad
