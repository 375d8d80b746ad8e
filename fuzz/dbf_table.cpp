// The dBase reader on any file, and the row steps on what it reads.
#include <cstddef>
#include <cstdint>

#include "exchange/DbfTableReader.h"
#include "support/FuzzCheck.h"
#include "support/FuzzProgramDir.h"
#include "support/RowChecks.h"

using namespace vrklad;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const auto path = fuzz::FuzzProgramDir::Fresh() / "LIST.Dbf";
    fuzz::FuzzProgramDir::Write(path, data, size);
    const TableReadResult read = ReadDbfTable(path);
    if (!read.ok()) {
        FUZZ_CHECK(!read.error.empty());
        return 0;
    }
    uint32_t previous = 0;
    for (const ImportedTable::Row& row : read.table.rows) {
        // Every record has a value for every field.
        FUZZ_CHECK(row.values.size() == read.table.columns.size());
        FUZZ_CHECK(row.source > previous);
        previous = row.source;
    }
    fuzz::CheckRows(read.table);
    return 0;
}
