#pragma once

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "exchange/ProcessRecordFile.h"
#include "register/Operator.h"

namespace vrklad {

struct ProgramConfig;

// The open dialog's filters of "Обработать файл", by mode: the archives of
// the organizations for a district office; delimited text and another
// organization's register file for a single organization of type 1 to 3;
// delimited text and the faculties' archives for a university. None for an
// installation not configured yet.
std::vector<Operator::FileFilter> LoadFileFilters(const ProgramConfig& config);

// What the dispatch does with a file, by its extension in any letter case.
enum class IncomingKind {
    Archive,     // ".arj": ProcessArchive
    RecordFile,  // the own register file's extension: ProcessRecordFile
    Table,       // anything else: the delimited-text and dBase import
};
IncomingKind IncomingKindOf(const std::filesystem::path& path, const ProgramConfig& config);

// The table import, supplied by the caller with everything it needs bound.
using ImportCallback = std::function<IncomingResult(const std::filesystem::path& path)>;

// The work of "Обработать файл" once a file has been chosen: the archive or
// record file processing, or the import through the callback. Without a
// callback a table is not processed (result not completed).
IncomingResult ProcessIncomingFile(const std::filesystem::path& path, const std::string& programDir,
                                   RegisterFile& reg, ConfigFile& config, const Settings& settings,
                                   DetailsStore& details, RegisterIndexes& indexes, Operator& op,
                                   const ImportCallback& import);

}  // namespace vrklad
