#pragma once

#include <chrono>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace vrklad {

// What became of one run of an outside program. The callers decide which of
// it matters to them.
struct RunResult {
    bool started = false;
    bool timedOut = false;  // killed at the time limit
    int exitCode = -1;      // the program's exit status; -1 unless it ended by itself
    std::string output;     // what it wrote to standard output and error, as bytes
};

// Outside programs that hang (a damaged archive, a question nobody answers)
// are stopped after this long.
inline constexpr std::chrono::milliseconds kRunTimeLimit = std::chrono::seconds(120);

// The program's file: a name with a directory is taken as it is; a bare name
// is looked up in ProgramDir first, then along PATH.
std::optional<std::filesystem::path> FindProgram(const std::string& programDir,
                                                 const std::string& program);

// Starts the program with these arguments, each passed as it is (no shell,
// no length limit), in ProgramDir as working directory, with no input, with
// ARJ_SW and ARJ32_SW removed from its environment (the archiver takes
// default switches from them), and waits for its end. A program still
// running at the time limit is killed with everything it started.
RunResult RunAndWait(const std::string& programDir, const std::string& program,
                     const std::vector<std::string>& arguments,
                     std::chrono::milliseconds timeLimit = kRunTimeLimit);

}  // namespace vrklad
