#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace vrklad {

class ConfigFile;
class DetailsStore;
class Operator;
class RegisterFile;
struct ImportColumns;
struct RegisterIndexes;
struct Settings;

inline constexpr const char* kImportProtocolName = "ImpotrData.txt";
inline constexpr const char* kSchemaIniName = "schema.ini";
inline constexpr const char* kImportBadFormat =
    "Неверный формат данных в файле. Обработка невозможна ";

// What an import run did, for the batch tool.
struct ImportTableResult {
    // False when the file was refused as a whole or a write failed (a
    // message said why) and the register was not touched.
    bool imported = false;
    // Rows of the table, and how they went.
    uint64_t rows = 0;
    uint32_t added = 0;
    uint32_t updated = 0;
    uint32_t erroneous = 0;
    uint32_t unchanged = 0;
    // The protocol written, empty when none could be.
    std::filesystem::path protocol;
};

// Takes the learners of a semicolon-delimited text (".txt", ".csv") or
// dBase (".dbf") table into the register, extension in any letter case:
// every row through the field checks, then matched and applied by the merge
// rules, issue details written when the file has the four details columns,
// each row's result in the protocol ProgramDir + "ImpotrData.txt", which is
// then opened in the viewer. For a text file "schema.ini" is written beside
// it while the run lasts and removed at the end. The rows are written to a
// copy of the register that takes its place only when the run, its details
// and its protocol are all written: a failed write stops the run with one
// message (imported false) and the register and the details as they were.
ImportTableResult ImportTable(const std::filesystem::path& path,
                              const std::filesystem::path& programDir, RegisterFile& reg,
                              ConfigFile& config, const Settings& settings, uint8_t maxKlass,
                              DetailsStore& details, RegisterIndexes& indexes, Operator& op);

// The lines of "schema.ini" for a text file: the three of the first stage
// without `found`, then one line per column found.
std::vector<std::string> SchemaIniLines(const std::string& fileName,
                                        const ImportColumns* found = nullptr);

}  // namespace vrklad
