#pragma once

#include <vector>

#include "exchange/ImportRow.h"
#include "exchange/ImportedTable.h"

namespace vrklad::fuzz {

// The row steps on every row of a table, as the import runs them, under the
// rules of a school and of a university, with the properties every outcome
// must have: a protocol line that is one line, and a record that keeps the
// rules when the row is taken.
void CheckRows(const ImportedTable& table);
void CheckRow(const std::vector<std::string>& values, const ImportColumns& columns,
              const ImportRules& rules, uint32_t source);

// The rules the fuzz targets import under: a school (orgType 1) or another
// type, with three organizations, the end of the school year on 30 September.
ImportRules FuzzRules(uint8_t orgType);

}  // namespace vrklad::fuzz
