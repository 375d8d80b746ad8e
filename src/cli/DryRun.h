#pragma once

#include <functional>
#include <iosfwd>

#include "cli/CliCommand.h"
#include "cli/CliContext.h"

namespace vrklad {

// Runs one command of the batch tool as it is, start-up and exit included,
// given the arguments to run it with and the stream for the data it writes
// to standard output; gives its exit status.
using CliRun = std::function<int(const CliArguments& args, std::ostream& data)>;

// --dry-run: the command runs exactly as without it, with the same questions,
// answers and exit status, but on a throwaway copy (under $TMPDIR or /tmp) of
// ProgramDir and of the folders it reads from or writes into (see
// DryRunPlan). A register held by a running copy of the program is held in
// the copy too, so the command refuses it as ever. Nothing outside the copy
// is created, changed or removed; the copy goes at the end, also after an
// error or a signal (SIGINT, SIGTERM, SIGHUP end the run as they would
// without --dry-run, the copy removed first).
//
// The command runs in a child process; paths into the copy in what it shows
// read as the originals. Afterwards standard output tells what it would have
// done: the messages it showed, the text of every protocol, log and report
// it wrote, one line per file created, changed or removed in ProgramDir and
// in each folder outside it, and the register's records before and after.
int DryRun(const CliCommand& command, const CliArguments& args, const CliRun& run);

}  // namespace vrklad
