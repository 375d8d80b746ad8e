#include "session/RecordEditing.h"

#include <cstring>

#include "register/ChangeCodes.h"
#include "register/Clock.h"
#include "register/Cp1251.h"
#include "rules/Documents.h"
#include "rules/TrimBlanks.h"
#include "session/RegisterList.h"

namespace vrklad {
namespace {

constexpr const char* kIncompleteDocument = "Не полностью заполнен номер документа";
constexpr const char* kFioRequired = "Поле ФИО является обязательным для заполнения";
constexpr const char* kFioInvalid =
    "ФИО должно быть заполнено и начинаться с заглавной буквы алфавита, может содержать "
    "символы дефис и пробел";
constexpr const char* kSnilsTooShort = "СНИЛС должен быть минимум из 9 знаков";
constexpr const char* kSnilsInvalid = "СНИЛС указан не верно!";
constexpr const char* kKlassRequired = "Поле Класс\\курс должно быть заполнено";

// Characters, not bytes, of a UTF-8 text.
size_t CharCount(std::string_view utf8) {
    size_t n = 0;
    for (const char c : utf8) {
        if ((static_cast<unsigned char>(c) & 0xC0) != 0x80) ++n;
    }
    return n;
}

std::string Trimmed(std::string_view text) { return std::string(TrimBlanks(text)); }

// The cp1251 bytes of the trimmed text.
std::string TrimmedCp1251(std::string_view utf8) { return Utf8ToCp1251(TrimBlanks(utf8)); }

uint8_t KlassNumberOf(const std::string& text) {
    const std::string digits = Trimmed(text);
    if (!AllDigits(digits) || digits.size() > 3) return 0;
    return static_cast<uint8_t>(std::stoi(digits));
}

uint8_t LetterOf(const std::string& text) {
    const std::string letter = TrimmedCp1251(text);
    return letter.empty() ? 0 : static_cast<uint8_t>(letter[0]);
}

const char* TypeLetter(DocumentType type) {
    switch (type) {
        case DocForeignPassport:
            return "З";
        case DocCertificate:
            return "У";
        case DocBirthCertificate:
            return "С";
        default:
            return "П";
    }
}

std::string Part(const std::string& cp1251, size_t from, size_t length) {
    if (from >= cp1251.size()) return {};
    return Cp1251ToUtf8(cp1251.substr(from, length));
}

}  // namespace

DocumentParts DocumentPartsOf(const StudentRecord& record) {
    const std::string doc = FieldBytes(record.DOC);
    DocumentParts parts;
    if (!doc.empty()) {
        switch (static_cast<unsigned char>(doc[0])) {
            case 0xC7:  // З
                parts.type = DocForeignPassport;
                break;
            case 0xD3:  // У
                parts.type = DocCertificate;
                break;
            case 0xD1:  // С
                parts.type = DocBirthCertificate;
                break;
            case 0xCF:  // П: a foreign citizen's passport has the series ИИ
                if (doc.size() >= 7 && doc[1] == '.' && doc.compare(5, 2, "\xC8\xC8") == 0) {
                    parts.type = DocAlienPassport;
                }
                break;
            default:
                break;
        }
    }
    parts.seriesNumber = Part(doc, 2, 2);
    parts.series = Part(doc, 5, 2);
    parts.number = Part(doc, 8, 7);
    return parts;
}

std::string SeriesNumeralOf(const std::string& stored) {
    const std::string text = Trimmed(stored);
    if (text == "00" || !AllDigits(text)) return stored;
    return IntToRoman(std::stoi(text));
}

std::string BuildDocumentString(const EnteredRecord& e) {
    std::string n = "  ";
    if (e.seriesNumberVisible) {
        n = e.seriesNumber;
        if (e.type == DocBirthCertificate) {
            const int value = RomanToInt(n);
            if (value > 0) n = std::to_string(value);
        }
        if (CharCount(n) == 1) n = "0" + n;
    }
    std::string m = e.number;
    if (CharCount(m) < 7) m = "0" + m;
    return std::string(TypeLetter(e.type)) + "." + n + "." + e.series + "." + m;
}

std::optional<int64_t> SnilsValue(const std::string& snilsText) {
    const std::string text = Trimmed(snilsText);
    if (text.empty()) return 0;
    if (!AllDigits(text) || text.size() > 18) return std::nullopt;
    return std::stoll(text);
}

std::optional<SaveProblem> CheckEnteredRecord(const EnteredRecord& e, const SchoolYear& year) {
    if (e.seriesNumberVisible && TrimBlanks(e.seriesNumber).empty()) {
        return SaveProblem{kIncompleteDocument};
    }
    if (TrimBlanks(e.series).empty()) return SaveProblem{kIncompleteDocument};
    if (TrimBlanks(e.number).empty()) return SaveProblem{kIncompleteDocument};
    if (CharCount(TrimBlanks(e.fio)) < 4) return SaveProblem{kFioRequired};
    if (!IsFioValid(e.fio)) return SaveProblem{kFioInvalid};
    const size_t snilsLength = TrimBlanks(e.snils).size();
    if (snilsLength >= 1 && snilsLength <= 8) return SaveProblem{kSnilsTooShort, true};
    // A SNILS with a gap inside is no SNILS: refused rather than saved as none.
    const std::optional<int64_t> snils = SnilsValue(e.snils);
    if (!snils || (*snils != 0 && !CheckSnils(*snils))) return SaveProblem{kSnilsInvalid};
    if (TrimBlanks(e.klass).empty()) return SaveProblem{kKlassRequired};
    std::string message;
    if (!CheckBenefitEnd(message, KlassNumberOf(e.klass), e.dateEnd, year)) {
        return SaveProblem{message};
    }
    return std::nullopt;
}

StudentRecord NewRecordFromEntered(const EnteredRecord& e, const ProgramConfig& config) {
    StudentRecord r = EmptyRecord();
    r.OKPO = static_cast<uint32_t>(config.OrgOKPO[0]);
    r.ORG = config.OrgAgency[0];
    r.AllChanges = 0;
    r.LastChange = Added;
    SetFieldBytes(r.FIO, TrimmedCp1251(e.fio));
    r.SNILS = SnilsValue(e.snils).value_or(0);
    r.PersSex = e.female ? kSexFemale : kSexMale;
    SetFieldBytes(r.BILET, TrimmedCp1251(e.bilet));
    r.KlassNumber = KlassNumberOf(e.klass);
    r.KlassLetter = LetterOf(e.letter);
    r.JuniorFlag = (r.KlassNumber < 9 && config.OrgType == 1) ? 1 : 0;
    SetFieldText(r.DOC, BuildDocumentString(e));
    r.DBIRTH = e.birth;
    r.DATEEND = e.dateEnd;
    r.ChangeDate = Today();
    return r;
}

bool ChangeRecordFromEntered(StudentRecord& r, const EnteredRecord& e, const ProgramConfig& config,
                             std::string& message) {
    if (!e.orgText) {
        message = kNoOrganizationMessage;
        return false;
    }
    r.AllChanges |= r.LastChange;
    uint16_t change = 0;

    const std::string fio = TrimmedCp1251(e.fio);
    if (TrimBlanks(FieldBytes(r.FIO)) != fio) {
        change |= FioChanged;
        std::memcpy(r.OLDFIO, r.FIO, sizeof r.FIO);
        SetFieldBytes(r.FIO, fio);
    }
    const std::string bilet = TrimmedCp1251(e.bilet);
    if (TrimBlanks(FieldBytes(r.BILET)) != bilet) {
        change |= BiletChanged;
        SetFieldBytes(r.BILET, bilet);
    }
    const uint8_t klass = KlassNumberOf(e.klass);
    const uint8_t letter = LetterOf(e.letter);
    if (klass != r.KlassNumber || letter != r.KlassLetter) {
        change |= KlassChanged;
        r.KlassNumber = klass;
        r.KlassLetter = letter;
    }
    const std::string doc = Utf8ToCp1251(BuildDocumentString(e));
    if (TrimBlanks(FieldBytes(r.DOC)) != doc) {
        change |= DocChanged;
        std::memcpy(r.OLDDOC, r.DOC, sizeof r.DOC);
        SetFieldBytes(r.DOC, doc);
    }
    const int64_t snils = SnilsValue(e.snils).value_or(0);
    if (snils != r.SNILS) {
        change |= DocChanged;
        r.SNILS = snils;
    }
    r.PersSex = e.female ? kSexFemale : kSexMale;
    if (!(e.birth == r.DBIRTH)) {
        change |= BirthChanged;
        r.DBIRTH = e.birth;
    }
    if (!(e.dateEnd == r.DATEEND)) {
        change |= DateEndChanged;
        r.DATEEND = e.dateEnd;
    }
    if (OrgCaption(r.OKPO, r.ORG) != *e.orgText) {
        change |= OrgChanged;
        r.OKPO = e.orgOkpo;
        r.ORG = AgencyByOkpo(config, static_cast<int32_t>(e.orgOkpo));
    }
    r.LastChange = change;
    r.ChangeDate = Today();
    return true;
}

}  // namespace vrklad
