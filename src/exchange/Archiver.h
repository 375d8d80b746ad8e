#pragma once

#include <string>
#include <vector>

#include "exchange/RunAndWait.h"

namespace vrklad {

// The ARJ archiver, looked up in ProgramDir first, then along PATH.
inline constexpr const char* kArchiverProgram = "arj";

// Adds the files to the archive, creating it. Names are stored without
// directories and keep their case; members of the same name are replaced.
// Paths are taken relative to ProgramDir. The archive name needs an
// extension (the archiver appends ".arj" to a bare name). Callers check
// the archive and the exit code as far as they need.
RunResult AddToArchive(const std::string& programDir, const std::string& archive,
                       const std::vector<std::string>& files);

struct ExtractResult {
    RunResult run;                   // not started when refused
    bool refused = false;            // nothing was extracted, see refusal
    std::string refusal;             // why, for the log
    std::vector<std::string> files;  // names the archive put into the target, sorted
};

// Extracts every member flat into targetDir (created when missing),
// replacing same-named files. The archive is read first and refused when it
// is not a sound ARJ archive or when a member would land anywhere but
// directly in the target (a path or ".." in the name the archiver uses, a
// link or device, an encrypted or multi-volume member). Names holding a
// backslash are dropped. Paths are taken relative to ProgramDir.
ExtractResult ExtractArchive(const std::string& programDir, const std::string& archive,
                             const std::string& targetDir);

}  // namespace vrklad
