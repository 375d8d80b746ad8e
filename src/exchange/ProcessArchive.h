#pragma once

#include <filesystem>
#include <string>

#include "exchange/ProcessRecordFile.h"

namespace vrklad {

// Processes an actual-records archive sent by an organization to its
// district office, or by a faculty to its university: PRCSSD emptied and the
// archive unpacked into it, the first ".act" file (letter case ignored, by
// name in byte order when there are several) taken as the sender's records,
// its name as the sender's OKPO and its first record's agency code as the
// sender's; a university takes only its own OKPO, a district office adds an
// organization it does not know yet when the operator agrees. The sender's
// "Actual.log" (letter case ignored) is shown, then the ".act" file goes
// through ProcessRecordFile. Every refusal comes before anything changes;
// an organization added here is dropped again when the record file is
// refused or its run stopped before the register changed.
IncomingResult ProcessArchive(const std::filesystem::path& archive, const std::string& programDir,
                              RegisterFile& reg, ConfigFile& config, const Settings& settings,
                              DetailsStore& details, RegisterIndexes& indexes, Operator& op);

}  // namespace vrklad
