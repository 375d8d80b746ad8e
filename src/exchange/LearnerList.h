#pragma once

#include <cstdint>
#include <filesystem>
#include <span>
#include <string>
#include <vector>

#include "details/DetailsStore.h"
#include "register/Operator.h"
#include "register/RegisterFile.h"
#include "register/StudentRecord.h"

namespace vrklad {

// The learner list: the listed learners as semicolon-delimited text with the
// columns the delimited import reads, so another installation can take it in.
inline constexpr const char* kLearnerListHeader =
    "ORG;DOC;FIO;DBIRTH;BILET;KLASS;DATEEND;SNILS;PersSex;IssueDate;Issuer;IssuerCode;"
    "PlaceOfBirth;OLDDOC;OLDFIO";

// One line of 15 fields for the record (UTF-8), the issue details taken from
// the store when it holds any for the record's document. Fields are written
// as they stand: no quoting, so a ";" inside a text shifts the columns.
std::string LearnerListLine(const StudentRecord& record, DetailsStore& details);

// The header and one line per row, `rows` being record indexes in list
// order, each record read again from the register. A row that cannot be read
// gives no line.
std::vector<std::string> LearnerListLines(const RegisterFile& reg, std::span<const uint16_t> rows,
                                          DetailsStore& details);

// Shown instead of writing anything when the list holds no row.
inline constexpr const char* kEmptyListMessage = "Список учащихся пуст: выгружать нечего.";

// Writes the list for the rows to `path` (cp1251, CR LF, whole file at the
// end, replacing an older one). A file that cannot be written is reported
// through the operator and nothing is written; false then.
bool ExportLearnerList(const std::filesystem::path& path, const RegisterFile& reg,
                       std::span<const uint16_t> rows, DetailsStore& details, Operator& op);

}  // namespace vrklad
