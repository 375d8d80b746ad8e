#include "exchange/ProcessRecordFile.h"

#include <strings.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstring>
#include <fstream>
#include <new>
#include <stdexcept>
#include <system_error>
#include <vector>

#include "details/DetailsStore.h"
#include "exchange/IncomingFailure.h"
#include "exchange/MatchIncoming.h"
#include "exchange/RecordUpdate.h"
#include "exchange/RegisterIndexes.h"
#include "register/ChangeCodes.h"
#include "register/Clock.h"
#include "register/Operator.h"
#include "register/ProgramConfig.h"
#include "register/RegisterFile.h"
#include "register/RegisterWorkCopy.h"
#include "register/SettingsIni.h"
#include "register/TextFile.h"
#include "rules/Documents.h"

namespace vrklad {

namespace fs = std::filesystem;

namespace {

std::string NameNotOkpoMessage(const std::string& name) {
    return "Имя файла \"" + name +
           "\" не является кодом ОКПО организации. Обработка файла не возможна.";
}

std::string UnreadableMessage(const fs::path& path) {
    return "Не удалось прочитать файл \"" + path.string() + "\". Обработка файла не возможна.";
}

// An exchange file is whole records followed by the checksum trailer (none
// when there are no records); a register file is the same, or records only.
// Any other length was cut short while being written or copied.
constexpr uint64_t kChecksumTrailerSize = 6;

struct RecordFileContents {
    std::vector<StudentRecord> records;
    uint64_t size = 0;  // of the whole file
    // Bytes after the last whole record that are no checksum trailer.
    uint64_t brokenTail() const {
        const uint64_t rest = size % kRecordSize;
        return rest == kChecksumTrailerSize ? 0 : rest;
    }
};

// The whole file in one read; nothing when it cannot be read. A trailer
// shorter than a record is left out.
std::optional<RecordFileContents> ReadRecords(const fs::path& path) {
    std::error_code ec;
    if (!fs::is_regular_file(path, ec)) return std::nullopt;
    const uintmax_t size = fs::file_size(path, ec);
    if (ec) return std::nullopt;
    std::ifstream in(path, std::ios::binary);
    if (!in) return std::nullopt;
    try {
        RecordFileContents contents;
        contents.size = size;
        std::vector<StudentRecord>& records = contents.records;
        records.resize(static_cast<size_t>(size / kRecordSize));
        const auto bytes = static_cast<std::streamsize>(records.size() * kRecordSize);
        in.read(reinterpret_cast<char*>(records.data()), bytes);
        if (in.gcount() != bytes) return std::nullopt;
        return contents;
    } catch (const std::bad_alloc&) {
        return std::nullopt;
    } catch (const std::length_error&) {
        return std::nullopt;
    }
}

std::string CutShortMessage(const fs::path& path, uint64_t size) {
    return "Файл \"" + path.string() + "\" повреждён или записан не полностью: его размер " +
           std::to_string(size) + " байт не составляет целых записей. Обработка файла не возможна.";
}

std::string BrokenTailLine(uint64_t tail) {
    return "Конец файла (" + std::to_string(tail) +
           " байт) не составляет целой записи и не обработан.";
}

std::string ProtocolTime(const LocalDateTime& t) {
    return std::to_string(t.year) + "-" + TwoDigits(t.month) + "-" + TwoDigits(t.day) + " " +
           TwoDigits(t.hour) + ":" + TwoDigits(t.minute) + ":" + TwoDigits(t.second);
}

// The protocol line's lead-in of the record at position i.
std::string LinePrefix(size_t i, const StudentRecord& r) {
    return std::to_string(i + 1) + ";" + FieldText(r.DOC) + ";" + FieldText(r.FIO) + ";" +
           std::to_string(r.DBIRTH.year) + "-" + std::to_string(r.DBIRTH.month) + "-" +
           std::to_string(r.DBIRTH.day) + ";" + KlassText(r) + ";";
}

// A record's text fields and class letter may hold any byte, and the
// messages of the merge quote them: line breaks and other control
// characters are shown as blanks, so that each record stays on one line.
std::string OneLine(std::string line) {
    for (char& c : line)
        if (static_cast<unsigned char>(c) < 0x20) c = ' ';
    return line;
}

void CanonicalizeDocument(StudentRecord& r) {
    std::string doc = FieldBytes(r.DOC);
    std::string message;
    if (CanonicalDocumentCp1251(doc, message)) SetFieldBytes(r.DOC, doc);
}

// The sender's issue details, when the own database is connected and the
// sender's lies beside the file (and is not the own one).
bool OpenSenderDetails(DetailsStore& sender, const DetailsStore& own, const fs::path& dir,
                       const std::string& programDir) {
    if (!own.DetailsAvailable()) return false;
    const std::optional<fs::path> found = FindDetailsFile(dir);
    if (!found) return false;
    std::error_code ec;
    if (fs::equivalent(*found, fs::path(programDir) / kDetailsFileName, ec)) return false;
    return sender.OpenReadOnly(*found);
}

class Progress {
public:
    Progress(Operator& op, size_t count) : m_op(op), m_count(count) { m_op.ShowProgress(0, true); }
    ~Progress() { m_op.ShowProgress(0, false); }
    Progress(const Progress&) = delete;
    Progress& operator=(const Progress&) = delete;

    void At(size_t i) {
        const auto percent = static_cast<int>(i * 100 / m_count);
        if (percent > m_position) {
            m_position = percent;
            m_op.ShowProgress(percent, true);
        }
    }

private:
    Operator& m_op;
    size_t m_count;
    int m_position = 0;
};

void Mark(std::vector<bool>& processed, int32_t index) {
    if (index < 0) return;
    const auto i = static_cast<size_t>(index);
    if (i >= processed.size()) processed.resize(i + 1, false);
    processed[i] = true;
}

void Count(IncomingCounters& c, const MergeOutcome& out) {
    c.added += out.added ? 1 : 0;
    c.updated += out.updated ? 1 : 0;
    c.unchanged += out.unchanged ? 1 : 0;
    c.erroneous += out.erroneous ? 1 : 0;
}

// What stopped a run before its end.
enum class Stop { None, Register, Details };

// The sending organization's learners that the file no longer lists.
Stop DeleteUnlisted(RegisterFile& reg, DetailsStore& details, const std::vector<bool>& processed,
                    uint32_t okpo, uint32_t& deleted) {
    const RecordDate today = Today();
    std::vector<StudentRecord> records = reg.ReadAll();
    if (records.size() != std::min(reg.CountRecords(), RegisterFile::kMaxRecords)) {
        return Stop::Register;
    }
    for (size_t j = 0; j < records.size(); ++j) {
        StudentRecord& r = records[j];
        if ((j < processed.size() && processed[j]) || r.OKPO != okpo) continue;
        if ((r.LastChange & Deleted) != 0) continue;
        r.LastChange = Deleted;  // assigned, as every deletion does; AllChanges stays
        r.ChangeDate = today;
        if (!reg.Write(static_cast<uint32_t>(j), r)) return Stop::Register;
        if (!details.DelDoc(DetailsDocument(r))) return Stop::Details;
        ++deleted;
    }
    return Stop::None;
}

std::string RegisterError(const RegisterFile& reg) {
    return reg.LastError().empty() ? std::strerror(EIO) : reg.LastError();
}

}  // namespace

OkpoName ReadOkpoName(std::string_view name, int32_t* okpo) {
    if (name.empty()) return OkpoName::NotDigits;
    for (char c : name) {
        if (c < '0' || c > '9') return OkpoName::NotDigits;
    }
    int32_t value = 0;
    const auto [end, ec] = std::from_chars(name.data(), name.data() + name.size(), value);
    if (ec != std::errc() || end != name.data() + name.size()) return OkpoName::TooLarge;
    if (okpo != nullptr) *okpo = value;
    return OkpoName::Valid;
}

std::string OkpoTooLargeMessage(const std::string& name) {
    return "Код ОКПО \"" + name + "\" в имени файла слишком велик. Обработка файла не возможна.";
}

IncomingResult ProcessRecordFile(const fs::path& path, const std::string& programDir,
                                 RegisterFile& reg, ConfigFile& config, const Settings& settings,
                                 DetailsStore& details, RegisterIndexes& indexes, Operator& op) {
    IncomingResult result;
    ProgramConfig& cfg = config.Data();
    const bool district = cfg.DistrictMode == 1;
    const std::string name = path.stem().string();

    // The deletion pass tells the sender's learners by the OKPO in the name:
    // a name that is none would delete the wrong ones or none.
    int32_t senderOkpo = 0;
    if (district) {
        const OkpoName okpoName = ReadOkpoName(name, &senderOkpo);
        if (okpoName != OkpoName::Valid) {
            op.Warn(okpoName == OkpoName::TooLarge ? OkpoTooLargeMessage(name)
                                                   : NameNotOkpoMessage(name));
            return result;
        }
    }

    // Read before anything changes: a file that cannot be read would
    // otherwise look empty and, in district mode, delete all its learners.
    std::optional<RecordFileContents> contents = ReadRecords(path);
    if (!contents) {
        op.Error(UnreadableMessage(path));
        return result;
    }
    // The deletion pass would take every learner the lost part listed for
    // gone: a file cut short must not reach it.
    if (district && contents->brokenTail() != 0) {
        op.Error(CutShortMessage(path, contents->size));
        return result;
    }
    const uint64_t brokenTail = contents->brokenTail();
    std::optional<std::vector<StudentRecord>> records = std::move(contents->records);
    contents.reset();

    DetailsStore sender(op);
    const bool fromSender = OpenSenderDetails(sender, details, path.parent_path(), programDir);

    std::vector<bool> processed(reg.CountRecords(), false);
    indexes.Rebuild(reg);

    // Another organization's register: its records become the own organization's.
    const std::string ownExt = fs::path(RegisterFileName(cfg)).extension().string();
    const bool foreign =
        !ownExt.empty() && strcasecmp(path.extension().string().c_str(), ownExt.c_str()) == 0;
    const size_t count = records->size();

    std::vector<std::string> protocol = {
        std::string(10, ' ') + ProtocolTime(Now()),
        "Протокол обработки файла от организации " + name,
        "Количество записей в файле: " + std::to_string(count),
        "",
    };
    if (brokenTail != 0) protocol.push_back(BrokenTailLine(brokenTail));

    const std::string fileName = path.filename().string();
    const std::string registerName = reg.Path().filename().string();
    // Every change goes to a copy of the register that takes its place only
    // when the whole run has been written: a write failing half way (a full
    // disk) stops the run with the register, the details and the
    // configuration as they were.
    RegisterWorkCopy copy;
    if (const std::string error = copy.Begin(reg); !error.empty()) {
        op.Error(RegisterWriteStopped(registerName, error, fileName));
        return result;
    }
    RegisterFile& work = copy.File();
    const auto stopped = [&](const std::string& text) {
        copy.Discard();
        // The indexes took the run's records in; they follow the register.
        indexes.Rebuild(reg);
        op.Error(text);
        return result;
    };

    IncomingCounters& counters = result.counters;
    DetailsStore::Transaction transaction(details, DetailsStore::Transaction::Errors::Kept);
    Stop stop = Stop::None;
    {
        // One read transaction on the sender's database: its lock is taken
        // once, not around every lookup.
        DetailsStore::Transaction senderRead(sender);
        {
            Progress progress(op, count);
            for (size_t i = 0; i < count && stop == Stop::None; ++i) {
                progress.At(i);
                StudentRecord in = (*records)[i];
                if (foreign) {
                    in.OKPO = static_cast<uint32_t>(cfg.OrgOKPO[0]);
                    in.ORG = cfg.OrgAgency[0];
                }
                CanonicalizeDocument(in);
                if (IsExcludedByBits(in.LastChange)) continue;

                const MatchResult match = MatchIncoming(work, indexes, in);
                const MergeOutcome out = ApplyFileVerdict(work, indexes.docs, match, in);
                if (out.registerFailed) {
                    stop = Stop::Register;
                    break;
                }
                Count(counters, out);
                Mark(processed, out.processed);
                if (!out.protocolSuffix.empty()) {
                    protocol.push_back(OneLine(LinePrefix(i, in) + out.protocolSuffix));
                }
                if (fromSender && out.detailsDoc) {
                    if (std::optional<DocumentDetails> row = sender.FindDoc(*out.detailsDoc)) {
                        if (!details.ReplaceDoc(*out.detailsDoc, *row)) stop = Stop::Details;
                    }
                }
            }
        }
        records.reset();

        if (district && stop == Stop::None) {
            stop = DeleteUnlisted(work, details, processed, static_cast<uint32_t>(senderOkpo),
                                  counters.deleted);
        }
    }
    sender.Close();
    if (stop == Stop::Register) {
        return stopped(RegisterWriteStopped(registerName, RegisterError(work), fileName));
    }
    if (stop == Stop::Details || transaction.Failed()) {
        transaction.Commit();  // rolls back, and gives the database's text
        return stopped(DetailsWriteStopped(transaction.Error(), fileName));
    }

    protocol.push_back("");
    protocol.push_back("Добавлено новых записей: " + std::to_string(counters.added));
    protocol.push_back("Обновлено записей : " + std::to_string(counters.updated));
    protocol.push_back("Ошибочных записей : " + std::to_string(counters.erroneous));
    protocol.push_back("Записей без изменений  : " + std::to_string(counters.unchanged));
    protocol.push_back("Удалено записей : " + std::to_string(counters.deleted));

    // The protocol before the register: a run whose protocol cannot be
    // written changes nothing.
    const fs::path dir = fs::path(programDir) / kProcessedDir;
    const fs::path protocolPath = dir / (name + ".txt");
    std::error_code ec;
    fs::create_directories(dir, ec);
    if (const std::error_code written = WriteTextFile(protocolPath, protocol)) {
        return stopped(ProtocolWriteStopped(protocolPath.string(), written.message(), fileName));
    }
    const auto unlisted = [&](const std::string& text) {
        std::error_code ignored;
        fs::remove(protocolPath, ignored);  // it tells of changes that were not made
        return stopped(text);
    };
    // The details first: should the register's rename then fail, the
    // details of the file's documents are newer than the register, which
    // the next run of the same file puts right.
    if (!transaction.Commit()) return unlisted(DetailsWriteStopped(transaction.Error(), fileName));
    if (const std::string error = copy.Commit(reg); !error.empty()) {
        return unlisted(RegisterWriteStopped(registerName, error, fileName));
    }
    result.protocol = protocolPath;
    result.registerChanged = true;

    RecountOrganizations(cfg, reg, settings.TypeOrganization);
    try {
        config.Save();
        result.completed = true;
    } catch (const ConfigError& e) {
        op.Error(e.Message());
    }
    if (!op.OpenInViewer(protocolPath.string())) {
        op.Warn("Не удалось открыть файл протокола обработки записей\n" + (dir / name).string());
    }
    return result;
}

}  // namespace vrklad
