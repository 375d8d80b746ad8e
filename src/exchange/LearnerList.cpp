#include "exchange/LearnerList.h"

#include "register/Clock.h"
#include "register/TextFile.h"

namespace vrklad {
namespace {

// Day and month with a leading zero, the year as it stands.
std::string DateText(const RecordDate& d) {
    return TwoDigits(d.day) + "." + TwoDigits(d.month) + "." + std::to_string(d.year);
}

std::string IssueDateText(const RecordDate& d) {
    // No date kept: an empty field rather than a date that never was.
    if (d.IsZero()) return {};
    std::string year = std::to_string(d.year);
    if (year.size() < 4) year.insert(0, 4 - year.size(), '0');
    return TwoDigits(d.day) + "." + TwoDigits(d.month) + "." + year;
}

}  // namespace

std::string LearnerListLine(const StudentRecord& r, DetailsStore& details) {
    std::string line;
    line += std::to_string(r.ORG) + ";";
    line += FieldText(r.DOC) + ";";
    line += FieldText(r.FIO) + ";";
    line += DateText(r.DBIRTH) + ";";
    line += FieldText(r.BILET) + ";";
    line += KlassText(r) + ";";
    line += DateText(r.DATEEND) + ";";
    line += std::to_string(r.SNILS) + ";";
    // One character even for a zero byte: readers count the columns.
    line += Cp1251ToUtf8(std::string(1, static_cast<char>(r.PersSex))) + ";";
    if (const auto found = details.FindDoc(DetailsDocument(r))) {
        line += IssueDateText(found->issueDate) + ";";
        line += found->issuer + ";";
        line += std::to_string(found->issuerCode) + ";";
        line += found->placeOfBirth + ";";
    } else {
        line += ";;;;";
    }
    line += FieldText(r.OLDDOC) + ";";
    line += FieldText(r.OLDFIO);
    return line;
}

std::vector<std::string> LearnerListLines(const RegisterFile& reg, std::span<const uint16_t> rows,
                                          DetailsStore& details) {
    std::vector<std::string> lines;
    lines.reserve(rows.size() + 1);
    lines.emplace_back(kLearnerListHeader);
    StudentRecord record;
    for (const uint16_t index : rows) {
        if (!reg.Read(index, record)) continue;
        lines.push_back(LearnerListLine(record, details));
    }
    return lines;
}

bool ExportLearnerList(const std::filesystem::path& path, const RegisterFile& reg,
                       std::span<const uint16_t> rows, DetailsStore& details, Operator& op) {
    const std::vector<std::string> lines = LearnerListLines(reg, rows, details);
    if (const std::error_code ec = WriteTextFile(path, lines)) {
        op.Error("Не удалось создать файл " + path.string() + " (" + ec.message() + ")");
        return false;
    }
    return true;
}

}  // namespace vrklad
