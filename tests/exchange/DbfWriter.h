#pragma once

#include <gtest/gtest.h>
#include <shapefil.h>

#include <filesystem>
#include <string>
#include <vector>

#include "register/Cp1251.h"

namespace vrklad::test {

struct DbfField {
    const char* name;
    char type;
    int width;
    int decimals;
};

// Writes a cp1251 dBase table with shapelib; values are UTF-8 texts, ""
// leaves a field blank. Record numbers in `deleted` are marked deleted.
inline void WriteDbf(const std::filesystem::path& path, const std::vector<DbfField>& fields,
                     const std::vector<std::vector<std::string>>& records,
                     const std::vector<int>& deleted = {}) {
    const std::filesystem::path made = path.parent_path() / "made.dbf";
    DBFHandle h = DBFCreateEx(made.c_str(), "LDID/201");
    ASSERT_NE(h, nullptr);
    for (const auto& f : fields)
        ASSERT_GE(DBFAddNativeFieldType(h, f.name, f.type, f.width, f.decimals), 0);
    for (size_t i = 0; i < records.size(); ++i) {
        for (size_t f = 0; f < fields.size(); ++f) {
            const std::string bytes = Utf8ToCp1251(records[i][f]);
            const int row = static_cast<int>(i);
            const int col = static_cast<int>(f);
            if (bytes.empty()) {
                DBFWriteNULLAttribute(h, row, col);
            } else if (fields[f].type == 'D') {  // shapelib would take it for a number
                std::string stored = bytes;
                DBFWriteAttributeDirectly(h, row, col, stored.data());
            } else if (fields[f].type == 'N') {
                DBFWriteDoubleAttribute(h, row, col, std::stod(bytes));
            } else {
                DBFWriteStringAttribute(h, row, col, bytes.c_str());
            }
        }
    }
    for (int i : deleted) DBFMarkRecordDeleted(h, i, 1);
    DBFClose(h);
    std::filesystem::rename(made, path);
}

}  // namespace vrklad::test
