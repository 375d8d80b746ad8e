#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace vrklad {

class ConfigFile;
class DetailsStore;
class Operator;
class RegisterFile;
struct RegisterIndexes;
struct Settings;

// Where unpacked incoming files and their protocols lie, under ProgramDir.
inline constexpr const char* kProcessedDir = "PRCSSD";

// The counters of one incoming run. Wider than the 16 bits the protocol
// format suggests: a file may list more records than a register can hold,
// and the refused ones must still add up.
struct IncomingCounters {
    uint32_t added = 0;
    uint32_t updated = 0;
    uint32_t erroneous = 0;
    uint32_t unchanged = 0;
    uint32_t deleted = 0;
    friend bool operator==(const IncomingCounters&, const IncomingCounters&) = default;
};

// What one run of incoming processing did, for the window or the batch tool
// to report.
struct IncomingResult {
    // Ran to its end. False: stopped by a message or the operator's answer,
    // with the register and the configuration as they were.
    bool completed = false;
    // The records went in, but the configuration could not be saved
    // afterwards (not completed then): the one in memory matches the
    // register and is saved again at exit.
    bool registerChanged = false;
    IncomingCounters counters;
    // The protocol written; empty when none was.
    std::filesystem::path protocol;
};

// A file name read as the sender's OKPO code.
enum class OkpoName { Valid, NotDigits, TooLarge };
// Digits only, not empty, and within a signed 32-bit number (the OKPO field
// of the configuration). On Valid, okpo gets the value.
OkpoName ReadOkpoName(std::string_view name, int32_t* okpo = nullptr);

// Warnings of names that cannot be an OKPO code; name is UTF-8.
std::string OkpoTooLargeMessage(const std::string& name);

// Merges a file of 192-byte records (an actual-records file or another
// organization's register) into the register: every record through
// MatchIncoming and the file column of the merge rules, issue details copied
// from the sender's database beside the file, the protocol
// PRCSSD/<name>.txt written and shown, in district mode the sending
// organization's learners the file no longer lists marked deleted, then the
// organizations recounted and the configuration saved.
//
// A file that cannot be read, and in district mode a file whose name is no
// OKPO code, is refused with a message before anything changes; so is, in
// district mode, a file cut short (not whole records, with or without the
// checksum trailer), since the deletion pass would take the learners of the
// lost part for gone. Elsewhere such a file's whole records are processed
// and the protocol says the rest was not. The whole
// file is read in one go; a file longer than the register can take is
// processed to its end, each record that finds no room refused in the
// protocol. The changes are written to a copy of the register that takes
// its place, by one rename, only once the whole run, its details and its
// protocol are written: a failed write (a full disk) stops the run with one
// message naming the file and the system's text, and leaves the register,
// the details and the configuration as they were. An error saving the
// configuration afterwards is shown too, and the run does not count as
// completed although its records are in.
IncomingResult ProcessRecordFile(const std::filesystem::path& path, const std::string& programDir,
                                 RegisterFile& reg, ConfigFile& config, const Settings& settings,
                                 DetailsStore& details, RegisterIndexes& indexes, Operator& op);

}  // namespace vrklad
