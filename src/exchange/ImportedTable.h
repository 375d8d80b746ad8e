#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace vrklad {

// A table read from a delimited text or dBase file, in file order: the
// column names of the header and one row of UTF-8 values per line or record.
struct ImportedTable {
    struct Row {
        // Where the row comes from: the line it starts on (text) or the
        // record number (dBase), counting from 1.
        uint32_t source = 0;
        // Positional, in the order of `columns`. A text line may hold more or
        // fewer values than the header has columns; the import reports that.
        std::vector<std::string> values;
    };

    std::vector<std::string> columns;
    std::vector<Row> rows;

    // The position of the first column of that name, without regard to the
    // case of Latin letters and blanks around the name; -1 when absent.
    int FindColumn(std::string_view name) const;
};

// The outcome of reading a table file: the table, or why there is none.
struct TableReadResult {
    enum class Status {
        Ok,
        Unreadable,  // the file cannot be opened or read: `error` has the system's text
        Malformed,   // it is no table of this kind: `error` says where and why
    };

    Status status = Status::Malformed;
    ImportedTable table;
    std::string error;  // UTF-8

    bool ok() const { return status == Status::Ok; }
};

}  // namespace vrklad
