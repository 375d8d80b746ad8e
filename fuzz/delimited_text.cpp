// The delimited-text reader and the row steps of the import on any bytes.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "exchange/DelimitedTextReader.h"
#include "support/FuzzCheck.h"
#include "support/RowChecks.h"

using namespace vrklad;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const TableReadResult read = ParseDelimitedText(bytes);
    if (!read.ok()) {
        // A refusal says where and why.
        FUZZ_CHECK(read.status == TableReadResult::Status::Malformed);
        FUZZ_CHECK(!read.error.empty());
        return 0;
    }
    // Rows in file order, each naming the line it starts on.
    uint32_t previous = 0;
    for (const ImportedTable::Row& row : read.table.rows) {
        FUZZ_CHECK(row.source > previous);
        FUZZ_CHECK(!row.values.empty());
        previous = row.source;
    }
    fuzz::CheckRows(read.table);
    return 0;
}
