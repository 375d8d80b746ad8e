#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "details/DocumentDetails.h"
#include "register/RecordDate.h"
#include "register/StudentRecord.h"
#include "rules/PersonalChecks.h"

namespace vrklad {

struct ImportedTable;
struct ProgramConfig;

// The columns of the exchange table, in the order the schema numbers them.
enum ImportColumn : int {
    ColOrg,
    ColDoc,
    ColFio,
    ColDbirth,
    ColBilet,
    ColKlass,
    ColDateEnd,
    ColSnils,
    ColPersSex,
    ColIssueDate,
    ColIssuer,
    ColIssuerCode,
    ColPlaceOfBirth,
    ColOldDoc,
    ColOldFio,
    kImportColumnCount
};

// Column names as the header writes them (letter case does not matter).
inline constexpr std::array<const char*, kImportColumnCount> kImportColumnNames = {
    "ORG",     "DOC",       "FIO",    "DBIRTH",     "BILET",        "KLASS",  "DATEEND", "SNILS",
    "PersSex", "IssueDate", "Issuer", "IssuerCode", "PlaceOfBirth", "OLDDOC", "OLDFIO"};

// Where each column of the exchange table stands in a file's rows; -1 when
// the file has no such column.
struct ImportColumns {
    std::array<int, kImportColumnCount> at{};
    // The number of columns of the header: every row must hold that many values.
    size_t width = 0;

    static ImportColumns Find(const ImportedTable& table);
    bool Has(ImportColumn c) const { return at[c] >= 0; }
    // ORG through PersSex: without them nothing can be imported.
    bool HasRequired() const;
    // IssueDate, Issuer, IssuerCode and PlaceOfBirth: details are written
    // only when all four are there.
    bool HasDetails() const;
};

// What the row steps check against: the installation and the file.
struct ImportRules {
    const ProgramConfig& config;  // organizations, for ORG and OKPO
    SchoolYear year;              // OrgType, MaxKlass, end of the school year
    RecordDate fileDate;          // the file's modification date: every ChangeDate
};

// One row of the table carried through the steps from ORG to OKPO.
struct ImportedRow {
    // ORG;DOC;FIO;DATEEND as read, the lead of every protocol line of the row.
    std::string prefix;
    // The incoming record, complete when `failure` is empty.
    StudentRecord record = EmptyRecord();
    // The protocol line's text after the prefix when a step refused the row.
    std::string failure;

    bool ok() const { return failure.empty(); }
};

// Steps a to p on one row: the fields in their order of checking, each
// failure ending the row with its own protocol text. A row whose number of
// values differs from the header's (a stray ";" in a value) is refused
// before the steps, naming its line `source`. Pure: reads only the row and
// the rules.
ImportedRow ImportRow(const std::vector<std::string>& values, const ImportColumns& columns,
                      const ImportRules& rules, uint32_t source = 0);

// The issue details of a row that has all four details columns.
struct RowDetails {
    // Nothing to write: the row gives no issue date, or a value is unreadable.
    std::optional<DocumentDetails> details;
    // The protocol text after the prefix when a value is unreadable.
    std::string failure;
};
RowDetails ImportRowDetails(const std::vector<std::string>& values, const ImportColumns& columns);

// "dd.mm.yyyy" (day and month of one or two digits, blanks around ignored)
// as a real calendar date; nothing otherwise.
std::optional<RecordDate> ParseDottedDate(std::string_view text);

// Protocol texts of the row steps, after the prefix.
inline constexpr const char* kRowOrgNotDigits =
    "  - ошибка: код организации содержит не цифровые символы;";
inline constexpr const char* kRowBadSnils = "  - ошибка: Указан не коректный СНИЛС";
inline constexpr const char* kRowNoSex = "  - ошибка: поле PersSex обязательно для заполнения!";
inline constexpr const char* kRowBadFio =
    "  - ФИО должно быть заполнено и начинаться с заглавной буквы алфавита, может содержать "
    "символы дефис и пробел;";
inline constexpr const char* kRowBadOldFio =
    "  - поле OLDFIO: ФИО должно начинаться с заглавной буквы алфавита, может содержать символы "
    "дефис и пробел;";
inline constexpr const char* kRowBadBirth = "  - ошибка: неверный формат даты рождения;";
inline constexpr const char* kRowBadDateEnd = "  - ошибка: неверный формат даты окончания льготы;";
inline constexpr const char* kRowBadKlass =
    "  - ошибка: в написании номера класса\\курса(допустимые варианты написания: XX-A или XX, где "
    "XX-номер класса/курса, A-буква кириллицы или цифра, например 10-А,10-Б,10-1,10-2);";
inline constexpr const char* kRowBadIssueDate =
    " - дата выдачи документа указана неверно, сведения о документе не записаны;";
inline constexpr const char* kRowBadIssuerCode =
    " - код подразделения, выдавшего документ, указан неверно, сведения о документе не "
    "записаны;";

}  // namespace vrklad
