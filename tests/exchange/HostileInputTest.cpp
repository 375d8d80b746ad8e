// Files from outside made to break the program, each through "Обработать
// файл" as the user starts it: every one ends in a protocol line or a clear
// message, never in a crash or a hang, and nothing changes outside
// ProgramDir.
#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "details/CreateDetailsDatabase.h"
#include "details/DetailsStore.h"
#include "exchange/Archiver.h"
#include "exchange/CraftedArj.h"
#include "exchange/DbfWriter.h"
#include "exchange/ImportTable.h"
#include "register/ChangeCodes.h"
#include "register/Checksum.h"
#include "register/Clock.h"
#include "register/Cp1251.h"
#include "register/ProgramConfig.h"
#include "register/RegisterFile.h"
#include "session/LoadFile.h"
#include "session/Session.h"
#include "support/ScriptedOperator.h"
#include "support/TempDir.h"

namespace vrklad::test {
namespace {

namespace fs = std::filesystem;

constexpr int32_t kOwnOkpo = 12345678;
constexpr uint16_t kOwnAgency = 5;
constexpr int32_t kSenderOkpo = 87654321;
constexpr uint16_t kSenderAgency = 7;

const std::string kCannotProcess = "Не возможно обработать указанный файл.";
const std::string kNine = "ORG;DOC;FIO;DBIRTH;BILET;KLASS;DATEEND;SNILS;PersSex";
const std::string kFifteen = kNine + ";IssueDate;Issuer;IssuerCode;PlaceOfBirth;OLDDOC;OLDFIO";

StudentRecord Learner(uint32_t n, int32_t okpo, uint16_t agency) {
    StudentRecord r = EmptyRecord();
    r.OKPO = static_cast<uint32_t>(okpo);
    r.ORG = agency;
    SetFieldText(r.DOC, "П.40.05." + std::string(7 - std::to_string(n).size(), '0') +
                            std::to_string(n));
    SetFieldText(r.FIO, "Ученик Номер " + std::to_string(n));
    r.PersSex = kSexMale;
    r.DBIRTH = {2008, 5, 1};
    r.DATEEND = {2026, 9, 30};
    r.KlassNumber = 10;
    r.LastChange = Added;
    r.ChangeDate = {2024, 1, 10};
    return r;
}

std::string BytesOf(const std::vector<StudentRecord>& records) {
    return std::string(reinterpret_cast<const char*>(records.data()),
                       records.size() * sizeof(StudentRecord));
}

// Every file under root with its bytes ("dir/" for directories).
std::map<std::string, std::string> Snapshot(const fs::path& root, const fs::path& skip = {}) {
    std::map<std::string, std::string> files;
    for (auto it = fs::recursive_directory_iterator(root); it != fs::end(it); ++it) {
        if (it->path() == skip) {
            it.disable_recursion_pending();
            continue;
        }
        const std::string name = fs::relative(it->path(), root).string();
        if (it->is_directory() && !it->is_symlink()) {
            files[name + "/"] = "";
        } else {
            files[name] = ReadFile(it->path());
        }
    }
    return files;
}

// Values as a spreadsheet writes them when each holds ";" or a quote.
std::string Quoted(const std::vector<std::string>& values) {
    std::string line;
    for (const std::string& v : values) {
        if (!line.empty()) line += ';';
        line += '"';
        for (char c : v) line += c == '"' ? std::string("\"\"") : std::string(1, c);
        line += '"';
    }
    return line;
}

std::vector<std::string> Lines(const std::string& cp1251) {
    std::vector<std::string> lines;
    size_t from = 0;
    for (size_t end = cp1251.find("\r\n"); end != std::string::npos;
         end = cp1251.find("\r\n", from)) {
        lines.push_back(Cp1251ToUtf8(cp1251.substr(from, end - from)));
        from = end + 2;
    }
    EXPECT_EQ(from, cp1251.size()) << "the last line has no CR LF";
    return lines;
}

// An installation started as the program starts: root/prog is ProgramDir,
// root/in holds the file the user picks. The register holds two learners of
// the sender and one of the own organization, sealed.
class Program {
public:
    explicit Program(bool district) {
        SetNowForTesting(LocalDateTime{2024, 3, 5, 14, 7, 9});
        fs::create_directories(prog);
        fs::create_directories(in);
        WriteFile(prog / "VR_KLAD.INI",
                  "[Options]\r\nTypeOrganization=1\r\n[DateEndAllow]\r\nMonthEndAllow=9\r\n"
                  "DayEndAllow=30\r\n");
        ProgramConfig cfg = EmptyConfig();
        cfg.OrgType = 1;
        cfg.LastExchangeDate = {2024, 1, 1};
        cfg.OrgOKPO[0] = kOwnOkpo;
        cfg.OrgAgency[0] = kOwnAgency;
        cfg.OrgCount = 1;
        if (district) {
            cfg.DistrictMode = 1;
            cfg.OrgOKPO[1] = kSenderOkpo;
            cfg.OrgAgency[1] = kSenderAgency;
            cfg.OrgCount = 2;
        } else {
            cfg.OwnAgency = kOwnAgency;
        }
        WriteFile(prog / ConfigFile::kFileName,
                  std::string(reinterpret_cast<const char*>(&cfg), sizeof cfg));
        const std::string name = RegisterFileName(cfg);
        {
            RegisterFile reg;
            EXPECT_EQ(reg.Create(prog / name), RegisterFile::OpenResult::Ok);
            for (const StudentRecord& r : stored) reg.Append(r);
            EXPECT_TRUE(SealRegister(reg, name));
        }
        std::string error;
        EXPECT_TRUE(CreateDetailsDatabase(prog / kDetailsFileName,
                                          VRKLAD_SOURCE_DIR "/db/Additional.sql", &error))
            << error;
        EXPECT_EQ(session.Startup(op), Session::StartupResult::Ready) << op.Texts().front();
        session.OnFirstShown(op);
        EXPECT_TRUE(session.DetailsAvailable());
        EXPECT_TRUE(op.shown.empty());
    }
    ~Program() { SetNowForTesting(std::nullopt); }

    // Runs "Обработать файл" on the file, checking that nothing outside
    // ProgramDir changed and that the run ended with a protocol or a message.
    IncomingResult Load(const fs::path& file) {
        const auto outside = Snapshot(root.Dir(), prog);
        const IncomingResult result = LoadFile(session, op, file);
        EXPECT_EQ(Snapshot(root.Dir(), prog), outside);
        if (result.completed) {
            EXPECT_FALSE(result.protocol.empty());
        } else {
            EXPECT_FALSE(op.shown.empty());
        }
        if (!result.protocol.empty()) {
            const fs::path inside =
                result.protocol.lexically_normal().lexically_relative(prog.lexically_normal());
            EXPECT_FALSE(inside.empty() || *inside.begin() == "..")
                << result.protocol << " lies outside ProgramDir";
        }
        return result;
    }

    std::vector<StudentRecord> Records() const { return session.Register().ReadAll(); }
    std::vector<std::string> Protocol(const IncomingResult& result) const {
        return Lines(ReadFile(result.protocol));
    }

    TempDir root;
    const fs::path prog = root / "prog";
    const fs::path in = root / "in";
    const std::vector<StudentRecord> stored = {Learner(1, kSenderOkpo, kSenderAgency),
                                               Learner(2, kSenderOkpo, kSenderAgency),
                                               Learner(3, kOwnOkpo, kOwnAgency)};
    ScriptedOperator op;
    Session session{prog};
};

// The organization's archive as its own export packs it, holding one file.
fs::path PackArchive(Program& p, const std::string& member, const std::string& bytes) {
    const fs::path sender = p.root / "sender";
    fs::create_directories(sender);
    WriteFile(sender / member, bytes);
    const fs::path archive = p.in / "ACTUAL.ARJ";
    const RunResult run = AddToArchive(p.prog.string(), archive.string(), {(sender / member).string()});
    EXPECT_EQ(run.exitCode, 0) << run.output;
    fs::remove_all(sender);
    return archive;
}

// Record files cut short: in district mode the deletion pass would take the
// learners of the lost part for gone, so the file is refused; another
// organization's register gives its whole records and a protocol line.
TEST(HostileInput, RecordFilesCutShort) {
    const std::string record = BytesOf({Learner(9, 11111111, 3)});
    for (const size_t size : {size_t{1}, size_t{191}, size_t{193}}) {
        const std::string bytes = (record + record).substr(0, size);
        const uint32_t whole = static_cast<uint32_t>(size / sizeof(StudentRecord));
        {
            SCOPED_TRACE("another school's register of " + std::to_string(size) + " bytes");
            Program p(false);
            const fs::path file = p.in / "11111111.sch";
            WriteFile(file, bytes);
            const IncomingResult result = p.Load(file);
            EXPECT_TRUE(result.completed);
            EXPECT_EQ(result.counters.added, whole);
            EXPECT_EQ(p.Records().size(), p.stored.size() + whole);
            const std::vector<std::string> protocol = p.Protocol(result);
            ASSERT_GE(protocol.size(), 5u);
            EXPECT_EQ(protocol[2], "Количество записей в файле: " + std::to_string(whole));
            EXPECT_EQ(protocol[4], "Конец файла (" + std::to_string(size % 192) +
                                       " байт) не составляет целой записи и не обработан.");
            EXPECT_TRUE(p.op.shown.empty());
        }
        {
            SCOPED_TRACE("a district office's archive with an .act file of " +
                         std::to_string(size) + " bytes");
            Program p(true);
            const fs::path archive = PackArchive(p, "87654321.act", bytes);
            const std::string configBefore = ReadFile(p.prog / ConfigFile::kFileName);
            const IncomingResult result = p.Load(archive);
            EXPECT_FALSE(result.completed);
            EXPECT_EQ(BytesOf(p.Records()), BytesOf(p.stored));
            EXPECT_EQ(ReadFile(p.prog / ConfigFile::kFileName), configBefore);
            ASSERT_EQ(p.op.shown.size(), 1u);
            EXPECT_EQ(p.op.shown[0].icon, Operator::Icon::Error);
            EXPECT_EQ(p.op.shown[0].text,
                      "Файл \"" + (p.prog / "PRCSSD" / "87654321.act").string() +
                          "\" повреждён или записан не полностью: его размер " +
                          std::to_string(size) +
                          " байт не составляет целых записей. Обработка файла не возможна.");
        }
    }
}

// Member names that point anywhere but into PRCSSD: the archive is refused
// before the archiver runs, or its members land flat in PRCSSD.
TEST(HostileInput, ArchiveMemberNamesWithDirectories) {
    const std::string act = BytesOf({Learner(1, kSenderOkpo, kSenderAgency)});
    struct Case {
        const char* what;
        CraftedMember member;
        bool processed;  // the file reached PRCSSD and was processed
    };
    TempDir elsewhere;
    const std::vector<Case> cases = {
        {"parent directory", {"../87654321.act", act}, false},
        {"two parent directories", {"../../87654321.act", act}, false},
        {"a subdirectory", {"sub/87654321.act", act}, false},
        {"an absolute path", {(elsewhere / "87654321.act").string(), act}, false},
        {"the name dot dot", {"x/..", act, 2}, false},
        {"DOS separators", {"..\\..\\87654321.act", act, 0, 0}, false},
        {"UNIX host, backslashes", {"..\\87654321.act", act, 0, 2}, false},
        {"a path before the name", {"../../x/87654321.act", act, 8}, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Program p(true);
        const fs::path archive = p.in / "ACTUAL.ARJ";
        WriteFile(archive, CraftArj({c.member}));
        const IncomingResult result = p.Load(archive);
        EXPECT_EQ(result.completed, c.processed);
        if (c.processed) {
            EXPECT_TRUE(fs::exists(p.prog / "PRCSSD" / "87654321.act"));
            EXPECT_EQ(p.Protocol(result)[2], "Количество записей в файле: 1");
        } else {
            EXPECT_EQ(p.op.Texts(), std::vector<std::string>{kCannotProcess});
            EXPECT_EQ(BytesOf(p.Records()), BytesOf(p.stored));
        }
        EXPECT_TRUE(fs::is_empty(elsewhere.Dir()));
        // Only plain files, directly in PRCSSD.
        for (const auto& e : fs::recursive_directory_iterator(p.prog / "PRCSSD")) {
            EXPECT_TRUE(e.is_regular_file()) << e.path();
            EXPECT_EQ(e.path().parent_path(), p.prog / "PRCSSD");
        }
    }
}

// A dBase header that promises far more records than the file holds.
TEST(HostileInput, DbaseHeaderClaimingGigabytes) {
    struct Case {
        const char* what;
        uint32_t records;  // written over the header's record count
        uint16_t recordLength;  // 0: as written
    };
    const std::vector<Case> cases = {
        {"4 GiB of records", 0xFFFFFFFF, 0},
        {"2^31 - 1 records", 0x7FFFFFFF, 0},
        {"16 million records", 0x00FFFFFF, 0},
        {"records of 64 KiB", 1, 0xFFFF},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Program p(false);
        const fs::path file = p.in / "list.dbf";
        WriteDbf(file,
                 {{"ORG", 'N', 3, 0}, {"DOC", 'C', 15, 0}, {"FIO", 'C', 46, 0},
                  {"DBIRTH", 'D', 8, 0}, {"BILET", 'C', 10, 0}, {"KLASS", 'C', 10, 0},
                  {"DATEEND", 'D', 8, 0}, {"SNILS", 'N', 15, 0}, {"PersSex", 'C', 1, 0}},
                 {{"5", "П.40.05.7654321", "Иванов Иван", "20080501", "1", "10-А", "20260930",
                   "", "М"}});
        std::string bytes = ReadFile(file);
        for (int i = 0; i < 4; ++i) bytes[4 + i] = static_cast<char>(c.records >> (8 * i));
        if (c.recordLength != 0) {
            bytes[10] = static_cast<char>(c.recordLength & 0xFF);
            bytes[11] = static_cast<char>(c.recordLength >> 8);
        }
        WriteFile(file, bytes);
        const IncomingResult result = p.Load(file);
        EXPECT_FALSE(result.completed);
        ASSERT_EQ(p.op.shown.size(), 1u);
        EXPECT_EQ(p.op.shown[0].icon, Operator::Icon::Error);
        EXPECT_EQ(p.op.shown[0].text.rfind(kImportBadFormat, 0), 0u) << p.op.shown[0].text;
        EXPECT_EQ(BytesOf(p.Records()), BytesOf(p.stored));
    }
}

// Text tables with what spreadsheets and mail programs make of lists: each
// row gives one protocol line or one learner, or the whole file one message.
TEST(HostileInput, TextTablesWithHostileContent) {
    const std::string megabyte = Cp1251ToUtf8(std::string(1 << 20, '\xC6'));  // Ж
    const std::string nul(1, '\0');
    const std::string good = "5;П.40.05.7654321;Иванов Иван;01.05.2008;1;10-А;30.09.2026;;М";
    struct Case {
        const char* what;
        std::string text;  // UTF-8, written as cp1251
        uint32_t added;
        uint32_t erroneous;
        std::string message;  // the message instead of a protocol; empty: none
    };
    const std::vector<Case> cases = {
        {"a line of a megabyte", kNine + "\r\n" + megabyte + "\r\n" + good + "\r\n", 1, 1, ""},
        {"a value of a megabyte",
         kNine + "\r\n5;П.40.05.7654321;Иванов Иван;01.05.2008;" + megabyte +
             ";10-А;30.09.2026;;М\r\n",
         1, 0, ""},
        // a name keeps its first 46 bytes, as a ticket number its first 10 characters
        {"a megabyte name",
         kNine + "\r\n5;П.40.05.7654321;" + megabyte + ";01.05.2008;1;10-А;30.09.2026;;М\r\n", 1,
         0, ""},
        {"NUL bytes in values",
         kNine + "\r\n5;П.40.05.1" + nul + "1;Иванов" + nul + "Иван;01.05.2008;1" + nul +
             ";10-А;30.09.2026;;М" + nul + "\r\n" + good + "\r\n",
         1, 1, ""},
        {"a line of NUL bytes", kNine + "\r\n" + std::string(300, '\0') + "\r\n" + good, 1, 1, ""},
        {"NUL bytes in the header", "OR" + nul + "G" + kNine.substr(3) + "\r\n" + good + "\r\n",
         0, 0, kImportBadFormat},
        {"quotes and semicolons in every text field",
         kFifteen + "\r\n" +
             Quoted({"5", "П.40.05.7654321", "Иванов Иван", "01.05.2008", "1;\"2\"", "10-А",
                     "30.09.2026", "", "М", "10.06.2022", "ОВД \"Центр\"; отд.", "770001",
                     "г. Тула; \"ул.\"", "", ""}) +
             "\r\n" +
             Quoted({"5", "П.40.05.1111111;", "Иванов; \"Иван\"", "01.05.2008", ";", "10-А;",
                     "30.09.2026", ";", "М;", ";", ";", ";", ";", "\";", "\""}) +
             "\r\n",
         1, 1, ""},
        {"unquoted quotes and semicolons",
         kNine + "\r\n5;П.40.05.1111111;Иванов \"Иван\"; Петрович;01.05.2008;1;10-А;30.09.2026;;М\r\n"
                 "5;\"П.40.05.2222222\"x;Петров;01.05.2008;1;10-А;30.09.2026;;М\r\n",
         0, 0, kImportBadFormat + std::string("\nСтрока 3: после закрывающей кавычки допустимы только \";\" и конец строки.")},
        {"a quote never closed",
         kNine + "\r\n" + good + "\r\n5;\"П.40.05.2222222;Петров;01.05.2008\r\n", 0, 0,
         kImportBadFormat + std::string("\nСтрока 3: значение в кавычках не закрыто.")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Program p(false);
        const fs::path file = p.in / "list.csv";
        WriteFile(file, Utf8ToCp1251(c.text));
        const IncomingResult result = p.Load(file);
        if (!c.message.empty()) {
            EXPECT_FALSE(result.completed);
            EXPECT_EQ(p.op.Texts(), std::vector<std::string>{c.message});
            EXPECT_EQ(BytesOf(p.Records()), BytesOf(p.stored));
            continue;
        }
        EXPECT_TRUE(result.completed);
        EXPECT_TRUE(p.op.shown.empty()) << p.op.Texts().front();
        EXPECT_EQ(result.counters.added, c.added);
        EXPECT_EQ(result.counters.erroneous, c.erroneous);
        EXPECT_EQ(p.Records().size(), p.stored.size() + c.added);
        // Three lines of head, one per refused row, five of counters.
        const std::vector<std::string> protocol = p.Protocol(result);
        EXPECT_EQ(protocol.size(), 3 + c.erroneous + 5);
    }
}

}  // namespace
}  // namespace vrklad::test
