#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "details/DocumentDetails.h"
#include "register/ProgramConfig.h"
#include "register/StudentRecord.h"
#include "rules/PersonalChecks.h"

namespace vrklad {

// The items of the radio group "Тип документа", by their index.
enum DocumentType : int {
    DocPassport = 0,          // "Паспорт"
    DocForeignPassport = 1,   // "Загран. паспорт"
    DocCertificate = 2,       // "Удостоверение"
    DocBirthCertificate = 3,  // "Свидетельство"
    DocAlienPassport = 4,     // "Паспорт ин. гр."
};

// The document of a stored record as the edit panel shows it: the type
// from its first letter, the parts cut by position. UTF-8.
struct DocumentParts {
    DocumentType type = DocPassport;
    std::string seriesNumber;  // characters 3–4
    std::string series;        // characters 6–7
    std::string number;        // characters 9–15
};
DocumentParts DocumentPartsOf(const StudentRecord& record);

// What the series-number pick list shows for a stored birth certificate's
// series number: the Roman numeral of a decimal number ("04" → "IV"), "00"
// as it is, and any other text unchanged (it then matches no entry).
std::string SeriesNumeralOf(const std::string& storedSeriesNumber);

// The values of the edit panel, as the fields hold them. UTF-8.
struct EnteredRecord {
    DocumentType type = DocPassport;
    bool seriesNumberVisible = true;
    std::string seriesNumber;  // the text field, or the numeral picked from the list
    std::string series;
    std::string number;
    std::string fio;
    // The masked field's digits without separators: blanks inside read as
    // spaces, blanks at the end dropped.
    std::string snils;
    bool female = false;
    std::string bilet;
    std::string klass;
    std::string letter;
    RecordDate birth;
    RecordDate dateEnd;
    // The "Код организации" entry chosen: its text and its OKPO.
    std::optional<std::string> orgText;
    uint32_t orgOkpo = 0;
    DocumentDetails details;
};

// The DOC text built from the four document fields.
std::string BuildDocumentString(const EnteredRecord& entered);

// The SNILS value of the field: 0 when it is empty; nothing when it holds
// something that is not a whole number.
std::optional<int64_t> SnilsValue(const std::string& snilsText);

// The first failing check of "Сохранить", in order; nothing when all pass.
struct SaveProblem {
    std::string message;
    bool clearSnils = false;  // the SNILS field is emptied with the message
    friend bool operator==(const SaveProblem&, const SaveProblem&) = default;
};
std::optional<SaveProblem> CheckEnteredRecord(const EnteredRecord& entered, const SchoolYear& year);

// A new learner of the installation's own organization (OrgTable row 0).
// The entered values have passed CheckEnteredRecord.
StudentRecord NewRecordFromEntered(const EnteredRecord& entered, const ProgramConfig& config);

// Applies the entered values to the stored record with change tracking:
// LastChange gets the bit of every field that differs, the previous FIO and
// DOC are kept, ChangeDate becomes today. False, with the message and the
// record unchanged, when no organization is chosen.
bool ChangeRecordFromEntered(StudentRecord& record, const EnteredRecord& entered,
                             const ProgramConfig& config, std::string& message);

inline constexpr const char* kNoOrganizationMessage =
    "Код агентства или ОКПО записи отличен от кода в настройках программы. Сохранение не "
    "возможно!";

}  // namespace vrklad
