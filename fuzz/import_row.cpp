// The row steps of the import on rows of any values: the first byte picks
// the organization type and the columns, the rest is split into rows at
// line feeds and into values at ";" (no quoting, so every byte reaches the
// steps).
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "exchange/ImportRow.h"
#include "exchange/ImportedTable.h"
#include "support/RowChecks.h"

using namespace vrklad;

namespace {

std::vector<std::string> Split(std::string_view line) {
    std::vector<std::string> values;
    for (;;) {
        const size_t at = line.find(';');
        values.emplace_back(line.substr(0, at));
        if (at == std::string_view::npos) return values;
        line.remove_prefix(at + 1);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) return 0;
    const uint8_t options = data[0];
    std::string_view text(reinterpret_cast<const char*>(data + 1), size - 1);

    ImportedTable table;
    table.columns.assign(kImportColumnNames.begin(), kImportColumnNames.end());
    if ((options & 4) != 0) table.columns.resize(ColPersSex + 1);  // the nine required only
    if ((options & 8) != 0) std::swap(table.columns[ColDoc], table.columns[ColSnils]);
    const ImportColumns columns = ImportColumns::Find(table);
    const ImportRules rules = fuzz::FuzzRules(static_cast<uint8_t>(1 + (options & 3)));

    uint32_t line = 1;
    while (!text.empty()) {
        const size_t end = text.find('\n');
        fuzz::CheckRow(Split(text.substr(0, end)), columns, rules, ++line);
        if (end == std::string_view::npos) break;
        text.remove_prefix(end + 1);
    }
    return 0;
}
