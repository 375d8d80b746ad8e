#include "RegisterGenerator.h"

#include <array>
#include <random>
#include <stdexcept>
#include <system_error>

#include "BenchOperator.h"
#include "details/CreateDetailsDatabase.h"
#include "details/DetailsStore.h"
#include "register/ChangeCodes.h"
#include "register/Checksum.h"
#include "register/Clock.h"
#include "register/RegisterFile.h"
#include "register/SettingsIni.h"
#include "register/TextFile.h"
#include "rules/Documents.h"
#include "rules/PersonalChecks.h"

namespace vrklad::bench {

namespace fs = std::filesystem;

namespace {

struct NamePair {
    const char* male;
    const char* female;
};

constexpr std::array<NamePair, 32> kSurnames = {{
    {"Иванов", "Иванова"},
    {"Смирнов", "Смирнова"},
    {"Кузнецов", "Кузнецова"},
    {"Попов", "Попова"},
    {"Васильев", "Васильева"},
    {"Петров", "Петрова"},
    {"Соколов", "Соколова"},
    {"Михайлов", "Михайлова"},
    {"Новиков", "Новикова"},
    {"Фёдоров", "Фёдорова"},
    {"Морозов", "Морозова"},
    {"Волков", "Волкова"},
    {"Алексеев", "Алексеева"},
    {"Лебедев", "Лебедева"},
    {"Семёнов", "Семёнова"},
    {"Егоров", "Егорова"},
    {"Павлов", "Павлова"},
    {"Козлов", "Козлова"},
    {"Степанов", "Степанова"},
    {"Николаев", "Николаева"},
    {"Орлов", "Орлова"},
    {"Андреев", "Андреева"},
    {"Макаров", "Макарова"},
    {"Никитин", "Никитина"},
    {"Захаров", "Захарова"},
    {"Зайцев", "Зайцева"},
    {"Соловьёв", "Соловьёва"},
    {"Белов", "Белова"},
    {"Тарасов", "Тарасова"},
    {"Виноградов", "Виноградова"},
    {"Римский-Корсаков", "Римская-Корсакова"},
    {"Белоусов", "Белоусова"},
}};

constexpr std::array<const char*, 20> kMaleNames = {
    "Александр", "Дмитрий", "Максим", "Сергей",  "Андрей",  "Алексей", "Артём",
    "Илья",      "Кирилл",  "Михаил", "Никита",  "Матвей",  "Роман",   "Егор",
    "Арсений",   "Иван",    "Денис",  "Евгений", "Тимофей", "Юрий"};
constexpr std::array<const char*, 20> kFemaleNames = {
    "Анастасия", "Мария",   "Анна",   "Виктория", "Екатерина", "Наталья", "Марина",
    "Полина",    "Дарья",   "Алиса",  "Ксения",   "Софья",     "Елена",   "Ольга",
    "Вероника",  "Варвара", "Ульяна", "Ева",      "Алёна",     "Таисия"};
constexpr std::array<NamePair, 16> kPatronymics = {{
    {"Александрович", "Александровна"},
    {"Дмитриевич", "Дмитриевна"},
    {"Сергеевич", "Сергеевна"},
    {"Андреевич", "Андреевна"},
    {"Алексеевич", "Алексеевна"},
    {"Михайлович", "Михайловна"},
    {"Иванович", "Ивановна"},
    {"Николаевич", "Николаевна"},
    {"Владимирович", "Владимировна"},
    {"Евгеньевич", "Евгеньевна"},
    {"Олегович", "Олеговна"},
    {"Юрьевич", "Юрьевна"},
    {"Викторович", "Викторовна"},
    {"Павлович", "Павловна"},
    {"Игоревич", "Игоревна"},
    {"Романович", "Романовна"},
}};

// City districts: where ("в Кировском р-не") and whose ("Кировского района").
struct District {
    const char* where;
    const char* whose;
};
constexpr std::array<District, 8> kDistricts = {{
    {"Кировском", "Кировского"},
    {"Ленинском", "Ленинского"},
    {"Октябрьском", "Октябрьского"},
    {"Орджоникидзевском", "Орджоникидзевского"},
    {"Чкаловском", "Чкаловского"},
    {"Железнодорожном", "Железнодорожного"},
    {"Академическом", "Академического"},
    {"Верх-Исетском", "Верх-Исетского"},
}};
constexpr std::array<const char*, 4> kClassLetters = {"А", "Б", "В", "Г"};
// Letters of birth certificate series (no Ё, Й, Ъ, Ы, Ь).
constexpr const char* kSeriesLetters[] = {"А", "Б", "В", "Г", "Д", "Е", "Ж", "З", "И", "К", "Л",
                                          "М", "Н", "О", "П", "Р", "С", "Т", "У", "Ф", "Х", "Э"};
constexpr size_t kSeriesLetterCount = std::size(kSeriesLetters);

constexpr const char* kTableHeader =
    "ORG;DOC;FIO;DBIRTH;BILET;KLASS;DATEEND;SNILS;PersSex;IssueDate;Issuer;IssuerCode;"
    "PlaceOfBirth;OLDDOC;OLDFIO";

RecordDate DaysBefore(const RecordDate& day, int days) {
    return DateOf(AddHours(StartOfDay(day), -24 * int64_t{days}));
}

std::string TwoDigitNumber(unsigned n) { return TwoDigits(static_cast<int>(n % 100)); }

std::string Dotted(const RecordDate& d) {
    return TwoDigits(d.day) + "." + TwoDigits(d.month) + "." + std::to_string(d.year);
}

// Check digits of a 9-digit SNILS body, by the weighted digit sum.
int64_t WithCheckDigits(int64_t body) {
    int64_t sum = 0;
    int64_t rest = body;
    for (int weight = 1; rest > 0; ++weight, rest /= 10) sum += (rest % 10) * weight;
    int64_t control = sum;
    if (sum == 100 || sum == 101) {
        control = 0;
    } else if (sum > 101) {
        control = sum % 101;
        if (control == 100) control = 0;
    }
    return body * 100 + control;
}

// Learners of class 8 and up are 14 or older and hold a passport; the
// younger ones a birth certificate.
std::string Document(uint32_t i, uint8_t klass, std::mt19937& gen) {
    const uint32_t number = 1000000 + (i * 7919u + 1234u) % 9000000u;
    std::string doc;
    if (klass >= 8) {
        doc = "П." + TwoDigitNumber(45 + gen() % 30) + "." + TwoDigitNumber(gen() % 24) + ".";
    } else {
        doc = "С." + TwoDigitNumber(1 + gen() % 12) + "." +
              kSeriesLetters[gen() % kSeriesLetterCount] +
              kSeriesLetters[gen() % kSeriesLetterCount] + ".";
    }
    return doc + std::to_string(number);
}

void Require(bool ok, const std::string& what) {
    if (!ok) throw std::logic_error("generated " + what + " does not pass the program's check");
}

}  // namespace

RegisterGenerator::RegisterGenerator(const GeneratorOptions& options) : m_today(Today()) {
    if (options.records > RegisterFile::kMaxRecords) {
        throw std::invalid_argument("a register holds at most 65535 records");
    }
    if (options.organizations < 1 || options.organizations > ProgramConfig::kMaxOrgs) {
        throw std::invalid_argument("between 1 and 100 organizations");
    }
    for (uint32_t k = 0; k < options.organizations; ++k) {
        m_orgs.push_back(
            {static_cast<int32_t>(20000000 + k * 1117 + 3), static_cast<uint16_t>(100 + k * 7)});
    }

    std::mt19937 gen(options.seed);
    const SchoolYear year{1, MaxKlassFor(1), 9, 30};
    m_records.reserve(options.records);
    for (uint32_t i = 0; i < options.records; ++i) {
        StudentRecord r = EmptyRecord();
        const Organization& org = m_orgs[uint64_t{i} * m_orgs.size() / options.records];
        r.OKPO = static_cast<uint32_t>(org.okpo);
        r.ORG = org.agency;

        // Classes 1 to 11: the twelfth would finish before today's autumn.
        const auto klass = static_cast<uint8_t>(1 + gen() % 11);
        r.KlassNumber = klass;
        r.KlassLetter = static_cast<uint8_t>(Utf8ToCp1251(kClassLetters[gen() % 4])[0]);
        r.JuniorFlag = klass < 9 ? 1 : 0;

        const bool male = gen() % 2 == 0;
        r.PersSex = male ? kSexMale : kSexFemale;
        const NamePair& surname = kSurnames[gen() % kSurnames.size()];
        const char* given = male ? kMaleNames[gen() % kMaleNames.size()]
                                 : kFemaleNames[gen() % kFemaleNames.size()];
        const NamePair& patronymic = kPatronymics[gen() % kPatronymics.size()];
        const std::string fio = std::string(male ? surname.male : surname.female) + " " + given +
                                " " + (male ? patronymic.male : patronymic.female);
        Require(IsFioValid(fio), "name " + fio);
        SetFieldText(r.FIO, fio);

        std::string doc = Document(i, klass, gen);
        std::string message;
        Require(CanonicalDocument(doc, message), "document " + doc + ": " + message);
        SetFieldText(r.DOC, doc);

        // Distinct bodies spread over the whole range, as issued numbers are.
        r.SNILS = WithCheckDigits(100000000 + int64_t((uint64_t{i} * 2654435761u) % 900000000u));
        Require(CheckSnils(r.SNILS), "SNILS " + std::to_string(r.SNILS));

        SetFieldText(r.BILET, std::to_string(10000000 + (uint64_t{i} * 31337 + 11) % 90000000));
        r.DBIRTH = {static_cast<uint16_t>(m_today.year - 7 - klass),
                    static_cast<uint8_t>(1 + gen() % 12), static_cast<uint8_t>(1 + gen() % 28)};
        r.DATEEND = {static_cast<uint16_t>(m_today.year + 12 - klass), 6, 30};
        Require(CheckBenefitEnd(message, klass, r.DATEEND, year), "benefit end: " + message);

        // Most learners came in once; some were moved on to the next class since.
        if (gen() % 3 == 0) {
            r.AllChanges = Added;
            r.LastChange = KlassChanged;
        } else {
            r.LastChange = Added;
        }
        r.ChangeDate = DaysBefore(m_today, 2 + static_cast<int>(gen() % 300));
        m_records.push_back(r);
    }
}

DocumentDetails RegisterGenerator::Details(size_t i) const {
    const StudentRecord& r = m_records.at(i);
    const District& district = kDistricts[i % kDistricts.size()];
    DocumentDetails d;
    if (r.DOC[0] == Utf8ToCp1251("П")[0]) {
        d.issueDate = {static_cast<uint16_t>(r.DBIRTH.year + 14), r.DBIRTH.month, r.DBIRTH.day};
        d.issuer = "Отделом УФМС России по Свердловской обл. в " + std::string(district.where) +
                   " р-не гор. Екатеринбурга";
        d.issuerCode = 660001 + static_cast<int32_t>(i % kDistricts.size());
    } else {
        d.issueDate = DaysBefore(r.DBIRTH, -10);
        d.issuer = "Отдел ЗАГС " + std::string(district.whose) + " района г. Екатеринбурга";
    }
    d.placeOfBirth = "г. Екатеринбург Свердловской обл.";
    return d;
}

ProgramConfig RegisterGenerator::Config() const {
    ProgramConfig cfg = EmptyConfig();
    cfg.OrgType = 1;
    cfg.DistrictMode = 1;
    cfg.OrgCount = static_cast<uint16_t>(m_orgs.size());
    for (size_t k = 0; k < m_orgs.size(); ++k) {
        cfg.OrgOKPO[k] = m_orgs[k].okpo;
        cfg.OrgAgency[k] = m_orgs[k].agency;
    }
    for (const StudentRecord& r : m_records) {
        for (size_t k = 0; k < m_orgs.size(); ++k) {
            if (m_orgs[k].agency == r.ORG) {
                ++cfg.OrgLearners[k];
                break;
            }
        }
    }
    cfg.RecordCount = static_cast<uint16_t>(m_records.size());
    cfg.TotalLearners = static_cast<uint16_t>(m_records.size());
    cfg.LastActualDate = cfg.LastExchangeDate = DaysBefore(m_today, 1);
    return cfg;
}

std::vector<StudentRecord> RegisterGenerator::ChangedHalf() const {
    std::vector<StudentRecord> out = m_records;
    for (size_t i = 0; i < out.size(); i += 2) {
        StudentRecord& r = out[i];
        SetFieldText(r.BILET, std::to_string(20000000 + (uint64_t{i} * 7 + 5) % 80000000));
        r.AllChanges |= r.LastChange;
        r.LastChange = BiletChanged;
        r.ChangeDate = m_today;
    }
    return out;
}

std::vector<std::string> RegisterGenerator::TableLines() const {
    std::vector<std::string> lines;
    lines.reserve(m_records.size() + 1);
    lines.emplace_back(kTableHeader);
    for (size_t i = 0; i < m_records.size(); ++i) {
        const StudentRecord& r = m_records[i];
        const DocumentDetails d = Details(i);
        std::string line = std::to_string(r.ORG) + ";" + FieldText(r.DOC) + ";" + FieldText(r.FIO) +
                           ";" + Dotted(r.DBIRTH) + ";" + FieldText(r.BILET) + ";" + KlassText(r) +
                           ";" + Dotted(r.DATEEND) + ";" + std::to_string(r.SNILS) + ";" +
                           (r.PersSex == kSexMale ? "М" : "Ж") + ";" + Dotted(d.issueDate) + ";" +
                           d.issuer + ";" + std::to_string(d.issuerCode) + ";" + d.placeOfBirth +
                           ";;";
        lines.push_back(std::move(line));
    }
    return lines;
}

std::string DistrictSettingsText() {
    // The compaction reminder and the one-time document repair are done.
    const RecordDate today = Today();
    return "[Options]\r\nTypeOrganization=1\r\n[DateEndAllow]\r\nMonthEndAllow=9\r\n"
           "DayEndAllow=30\r\n[Other]\r\nLastDateCompress=" +
           Dotted(today) + "\r\nRepareDocFormat=1\r\n";
}

bool WriteDetailsDatabase(const RegisterGenerator& gen, const fs::path& path,
                          const fs::path& schemaSql, size_t count, std::string& error) {
    if (path.filename() != kDetailsFileName) {
        error = "the details database must be named " + std::string(kDetailsFileName);
        return false;
    }
    if (!CreateDetailsDatabase(path, schemaSql, &error)) return false;
    BenchOperator op;
    DetailsStore store(op);
    if (!store.Open(path.parent_path().string())) {
        error = "cannot open " + path.string() + ": " + op.Problems();
        return false;
    }
    DetailsStore::Transaction transaction(store);
    for (size_t i = 0; i < count && i < gen.Records().size(); ++i) {
        store.InsertDoc(DetailsDocument(gen.Records()[i]), gen.Details(i));
    }
    if (!transaction.Commit()) {
        error = "cannot write " + path.string() + ": " + op.Problems();
        return false;
    }
    return true;
}

bool WriteProgramDir(const RegisterGenerator& gen, const fs::path& dir, const fs::path& schemaSql,
                     std::string& error) {
    std::error_code ec;
    for (const char* sub : {"Export/ARH", "PRCSSD"}) {
        fs::create_directories(dir / sub, ec);
        if (ec) {
            error = "cannot create " + (dir / sub).string() + ": " + ec.message();
            return false;
        }
    }
    const fs::path ini = dir / Settings::kFileName;
    {
        const std::string text = DistrictSettingsText();
        FILE* f = std::fopen(ini.c_str(), "wb");
        if (f == nullptr || std::fwrite(text.data(), 1, text.size(), f) != text.size()) {
            if (f != nullptr) std::fclose(f);
            error = "cannot write " + ini.string();
            return false;
        }
        std::fclose(f);
    }

    ConfigFile config;
    ProgramConfig cfg = gen.Config();
    const std::string registerName = RegisterFileName(cfg);
    const fs::path registerPath = dir / registerName;
    if (fs::exists(registerPath, ec)) {
        error = registerPath.string() + " already exists";
        return false;
    }
    RegisterFile reg;
    if (reg.Create(registerPath) != RegisterFile::OpenResult::Ok) {
        error = "cannot create " + registerPath.string() + ": " + reg.LastError();
        return false;
    }
    const std::vector<StudentRecord>& records = gen.Records();
    if (!records.empty() && !reg.WriteAt(0, records.data(), records.size() * kRecordSize)) {
        error = "cannot write " + registerPath.string();
        return false;
    }
    if (!SealRegister(reg, registerName) || !reg.Sync()) {
        error = "cannot seal " + registerPath.string();
        return false;
    }
    try {
        config.Load(dir);
        config.Data() = cfg;
        RecountOrganizations(config.Data(), reg, 1);
        config.Save();
        config.Close();
    } catch (const ConfigError& e) {
        error = e.what();
        return false;
    }
    return WriteDetailsDatabase(gen, dir / kDetailsFileName, schemaSql, records.size(), error);
}

bool WriteTable(const RegisterGenerator& gen, const fs::path& path, std::string& error) {
    if (const std::error_code ec = WriteTextFile(path, gen.TableLines())) {
        error = "cannot write " + path.string() + ": " + ec.message();
        return false;
    }
    return true;
}

}  // namespace vrklad::bench
