#include "exchange/ImportedTable.h"

#include "rules/TrimBlanks.h"

namespace vrklad {
namespace {

char LowerAscii(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool SameName(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (LowerAscii(a[i]) != LowerAscii(b[i])) return false;
    return true;
}

}  // namespace

int ImportedTable::FindColumn(std::string_view name) const {
    for (size_t i = 0; i < columns.size(); ++i)
        if (SameName(TrimBlanks(columns[i]), name)) return static_cast<int>(i);
    return -1;
}

}  // namespace vrklad
