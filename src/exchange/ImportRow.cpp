#include "exchange/ImportRow.h"

#include <limits>

#include "exchange/ImportedTable.h"
#include "register/Clock.h"
#include "register/Cp1251.h"
#include "register/ProgramConfig.h"
#include "rules/Documents.h"
#include "rules/PersonalChecks.h"
#include "rules/TrimBlanks.h"

namespace vrklad {
namespace {

std::string_view ValueOf(const std::vector<std::string>& values, const ImportColumns& columns,
                         ImportColumn c) {
    const int at = columns.at[c];
    if (at < 0 || static_cast<size_t>(at) >= values.size()) return {};
    return values[static_cast<size_t>(at)];
}

// A whole number as a spreadsheet writes it: an optional sign, then digits
// only. Nothing when it is anything else or does not fit.
std::optional<int64_t> ReadInteger(std::string_view text) {
    bool negative = false;
    if (!text.empty() && (text.front() == '-' || text.front() == '+')) {
        negative = text.front() == '-';
        text.remove_prefix(1);
    }
    if (!AllDigits(text)) return std::nullopt;
    int64_t value = 0;
    for (char c : text) {
        const int digit = c - '0';
        if (value > (std::numeric_limits<int64_t>::max() - digit) / 10) return std::nullopt;
        value = value * 10 + digit;
    }
    return negative ? -value : value;
}

// A protocol line is one line: line breaks and other control characters a
// quoted value may carry are shown as blanks.
std::string OneLine(std::string text) {
    for (char& c : text)
        if (static_cast<unsigned char>(c) < 0x20) c = ' ';
    return text;
}

std::string Prefix(const std::vector<std::string>& values, const ImportColumns& columns) {
    std::string prefix(ValueOf(values, columns, ColOrg));
    prefix += ';';
    prefix += ValueOf(values, columns, ColDoc);
    prefix += ';';
    prefix += ValueOf(values, columns, ColFio);
    prefix += ';';
    prefix += ValueOf(values, columns, ColDateEnd);
    return OneLine(std::move(prefix));
}

// The class rule on the cp1251 bytes of the trimmed KLASS: a number alone,
// or the number, a hyphen and the letter. The number counts as a whole (a
// class 266 is not class 10), and a hyphen with nothing after it is refused.
bool ReadKlass(std::string_view klass, uint8_t maxKlass, uint8_t& number, uint8_t& letter) {
    const size_t hyphen = klass.find('-');
    const std::string_view digits =
        hyphen == std::string_view::npos ? klass : klass.substr(0, hyphen);
    const int64_t value = ReadInteger(digits).value_or(0);
    if (value < 1 || value > maxKlass) return false;
    if (hyphen != std::string_view::npos && hyphen + 1 >= klass.size()) return false;
    number = static_cast<uint8_t>(value);
    letter = hyphen == std::string_view::npos ? 0 : static_cast<uint8_t>(klass[hyphen + 1]);
    return true;
}

ImportedRow& Refuse(ImportedRow& row, std::string text) {
    row.failure = std::move(text);
    return row;
}

std::string CountMismatch(uint32_t source, size_t got, size_t want) {
    return "  - ошибка: в строке " + std::to_string(source) + " файла значений " +
           std::to_string(got) + ", а столбцов в заголовке " + std::to_string(want) + ";";
}

}  // namespace

ImportColumns ImportColumns::Find(const ImportedTable& table) {
    ImportColumns columns;
    for (int c = 0; c < kImportColumnCount; ++c)
        columns.at[c] = table.FindColumn(kImportColumnNames[c]);
    columns.width = table.columns.size();
    return columns;
}

bool ImportColumns::HasRequired() const {
    for (int c = ColOrg; c <= ColPersSex; ++c)
        if (at[c] < 0) return false;
    return true;
}

bool ImportColumns::HasDetails() const {
    return Has(ColIssueDate) && Has(ColIssuer) && Has(ColIssuerCode) && Has(ColPlaceOfBirth);
}

std::optional<RecordDate> ParseDottedDate(std::string_view text) {
    text = TrimBlanks(text);
    const size_t dot1 = text.find('.');
    const size_t dot2 = dot1 == std::string_view::npos ? dot1 : text.find('.', dot1 + 1);
    if (dot2 == std::string_view::npos) return std::nullopt;
    const std::string_view day = text.substr(0, dot1);
    const std::string_view month = text.substr(dot1 + 1, dot2 - dot1 - 1);
    const std::string_view year = text.substr(dot2 + 1);
    if (day.empty() || day.size() > 2 || month.empty() || month.size() > 2 || year.size() != 4 ||
        !AllDigits(day) || !AllDigits(month) || !AllDigits(year)) {
        return std::nullopt;
    }
    const int d = static_cast<int>(*ReadInteger(day));
    const int m = static_cast<int>(*ReadInteger(month));
    const int y = static_cast<int>(*ReadInteger(year));
    if (!IsValidDate(y, m, d)) return std::nullopt;
    return RecordDate{static_cast<uint16_t>(y), static_cast<uint8_t>(m), static_cast<uint8_t>(d)};
}

ImportedRow ImportRow(const std::vector<std::string>& values, const ImportColumns& columns,
                      const ImportRules& rules, uint32_t source) {
    ImportedRow row;
    row.prefix = Prefix(values, columns);
    StudentRecord& r = row.record;
    const auto value = [&](ImportColumn c) { return TrimBlanks(ValueOf(values, columns, c)); };

    if (values.size() != columns.width)
        return Refuse(row, CountMismatch(source, values.size(), columns.width));

    // a. ORG; an empty value reads as 0, which the agency check refuses.
    const std::string_view org = value(ColOrg);
    if (!org.empty() && !AllDigits(org)) return Refuse(row, kRowOrgNotDigits);
    const size_t significant = org.find_first_not_of('0');
    const std::string orgText(significant == std::string_view::npos ? "0"
                                                                    : org.substr(significant));
    // More than five digits cannot be an agency code; the check below says so.
    r.ORG = orgText.size() <= 5
                ? static_cast<uint16_t>(std::min<int64_t>(*ReadInteger(orgText), 65535))
                : 0;

    // b. SNILS; separators or other text make no number, which means none given.
    r.SNILS = ReadInteger(value(ColSnils)).value_or(0);
    if (r.SNILS != 0 && !CheckSnils(r.SNILS)) return Refuse(row, kRowBadSnils);

    // c. PersSex: its first character.
    const std::string sex = Utf8ToCp1251(value(ColPersSex));
    if (sex.empty()) return Refuse(row, kRowNoSex);
    r.PersSex = static_cast<uint8_t>(sex.front());

    // d. FIO.
    const std::string_view fio = value(ColFio);
    if (!IsFioValid(fio)) return Refuse(row, kRowBadFio);
    SetFieldText(r.FIO, fio);

    // e. OLDFIO, when given.
    const std::string_view oldFio = value(ColOldFio);
    if (columns.Has(ColOldFio) && !oldFio.empty()) {
        if (!IsFioValid(oldFio)) return Refuse(row, kRowBadOldFio);
        SetFieldText(r.OLDFIO, oldFio);
    }

    // f. DBIRTH.
    const auto birth = ParseDottedDate(value(ColDbirth));
    if (!birth) return Refuse(row, kRowBadBirth);
    r.DBIRTH = *birth;

    // g. BILET: its first 10 characters.
    SetFieldBytes(r.BILET, Utf8ToCp1251(value(ColBilet)).substr(0, 10));

    // h. DATEEND.
    const auto end = ParseDottedDate(value(ColDateEnd));
    if (!end) return Refuse(row, kRowBadDateEnd);
    r.DATEEND = *end;

    // i. KLASS.
    if (!ReadKlass(Utf8ToCp1251(value(ColKlass)), rules.year.maxKlass, r.KlassNumber,
                   r.KlassLetter)) {
        return Refuse(row, kRowBadKlass);
    }
    r.JuniorFlag = r.KlassNumber < 9 && rules.year.orgType == 1 ? 1 : 0;

    // j. The file's date stands for the day of change of every row.
    r.ChangeDate = rules.fileDate;

    std::string message;
    // k. Benefit end for the class.
    if (!CheckBenefitEnd(message, r.KlassNumber, r.DATEEND, rules.year))
        return Refuse(row, " - " + message + ";");

    // l. Class number.
    if (!CheckKlass(r.KlassNumber, rules.year.maxKlass, message))
        return Refuse(row, " - " + message + ";");

    // m. Agency code among the organizations.
    if (!CheckAgencyCode(orgText, rules.config, message)) return Refuse(row, " - " + message + ";");

    // n. DOC in canonical form.
    std::string doc = Utf8ToCp1251(value(ColDoc));
    if (!CanonicalDocumentCp1251(doc, message)) return Refuse(row, " - " + message + ";");
    SetFieldBytes(r.DOC, doc);

    // o. OLDDOC, when given.
    std::string oldDoc = Utf8ToCp1251(value(ColOldDoc));
    if (columns.Has(ColOldDoc) && !oldDoc.empty()) {
        if (!CanonicalDocumentCp1251(oldDoc, message))
            return Refuse(row, " - поле OLDDOC:" + message + ";");
        SetFieldBytes(r.OLDDOC, oldDoc);
    }

    // p. The organization's OKPO by its agency code.
    r.OKPO = static_cast<uint32_t>(OkpoByAgency(rules.config, r.ORG));
    return row;
}

RowDetails ImportRowDetails(const std::vector<std::string>& values, const ImportColumns& columns) {
    RowDetails out;
    const auto value = [&](ImportColumn c) { return TrimBlanks(ValueOf(values, columns, c)); };
    // A learner listed without details gives empty values: nothing to write.
    const std::string_view issueDate = value(ColIssueDate);
    if (issueDate.empty()) return out;
    const auto date = ParseDottedDate(issueDate);
    if (!date) {
        out.failure = kRowBadIssueDate;
        return out;
    }
    const std::string_view codeText = value(ColIssuerCode);
    const std::optional<int64_t> code = codeText.empty() ? 0 : ReadInteger(codeText);
    if (!code || *code < std::numeric_limits<int32_t>::min() ||
        *code > std::numeric_limits<int32_t>::max()) {
        out.failure = kRowBadIssuerCode;
        return out;
    }
    DocumentDetails details;
    details.issueDate = *date;
    details.issuer = std::string(value(ColIssuer));
    details.issuerCode = static_cast<int32_t>(*code);
    details.placeOfBirth = std::string(value(ColPlaceOfBirth));
    out.details = std::move(details);
    return out;
}

}  // namespace vrklad
