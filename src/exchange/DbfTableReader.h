#pragma once

#include <filesystem>

#include "exchange/ImportedTable.h"

namespace vrklad {

// A dBase table through shapelib, under any file name (shapelib by itself
// opens only names ending in ".dbf" or ".DBF"). Columns are the field names;
// each record that is not marked deleted is one row, in file order:
// - character fields: the Windows-1251 bytes as UTF-8, blanks around removed;
// - numeric fields: the number as written, a whole number without its
//   decimal places ("5.00" gives "5"); empty when the field is blank;
// - date fields: "dd.mm.yyyy" (as a spreadsheet writes dates), empty when
//   blank; a stored text that is no date comes back as it stands.
// A header that promises more records than the file holds is refused.
TableReadResult ReadDbfTable(const std::filesystem::path& path);

}  // namespace vrklad
