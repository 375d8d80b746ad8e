// The batch tool as a terminal user runs it: a command on the generated
// ProgramDir, and the same command with --dry-run, which copies ProgramDir
// to a throwaway folder, runs the command there in a child process, compares
// the files and the register before and after, and removes the copy. The
// difference between the two is what the dry run costs.
//
// Each iteration starts the built vrklad-cli and waits for it; the time is
// the elapsed time of the whole process, start-up and exit included, and
// "child_cpu_ms" its processor time (user and system) in milliseconds.

#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>

#include <string>
#include <vector>

#include "BenchFixture.h"

extern char** environ;

namespace vrklad::bench {
namespace {

struct ToolRun {
    int status = -1;  // exit status, -1 when the tool did not exit normally
    double cpuSeconds = 0;
};

// vrklad-cli with `args`, its output thrown away (stdout into `out` to look at
// after a failure).
ToolRun RunTool(std::vector<std::string> args, const fs::path& out) {
    args.insert(args.begin(), VRKLAD_CLI);
    std::vector<char*> argv;
    for (std::string& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    posix_spawn_file_actions_adddup2(&actions, 1, 2);
    ToolRun run;
    pid_t pid = 0;
    const int rc = posix_spawn(&pid, VRKLAD_CLI, &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (rc != 0) return run;
    int status = 0;
    struct rusage usage {};
    if (wait4(pid, &status, 0, &usage) != pid) return run;
    run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    auto seconds = [](const timeval& t) { return static_cast<double>(t.tv_sec) + t.tv_usec / 1e6; };
    run.cpuSeconds = seconds(usage.ru_utime) + seconds(usage.ru_stime);
    return run;
}

// `command` on a working copy of the generated ProgramDir, run dry or for
// real. The actual export can be repeated on the same folder: it writes the
// same files again, and the operator's move to removable media is declined.
void Tool(benchmark::State& state, const std::vector<std::string>& command, bool dry) {
    const Generated& g = GeneratedFor(static_cast<uint32_t>(state.range(0)));
    const WorkDir work(g, "cli");
    const fs::path out = g.root / "cli-output";
    std::vector<std::string> args = {"--dir", work.ProgramDir()};
    if (dry) args.push_back("--dry-run");
    args.insert(args.end(), command.begin(), command.end());
    double cpu = 0;
    for (auto _ : state) {
        ToolRun run;
        state.SetIterationTime(Seconds([&] { run = RunTool(args, out); }));
        if (run.status != 0) {
            state.SkipWithError(("vrklad-cli exited with " + std::to_string(run.status) +
                                 ", its output in " + out.string())
                                    .c_str());
            break;
        }
        cpu += run.cpuSeconds;
    }
    state.counters["child_cpu_ms"] =
        benchmark::Counter(cpu * 1e3, benchmark::Counter::kAvgIterations);
}

void Check(benchmark::State& state) { Tool(state, {"check"}, false); }
void CheckDry(benchmark::State& state) { Tool(state, {"check"}, true); }
void ExportActual(benchmark::State& state) { Tool(state, {"export-actual"}, false); }
void ExportActualDry(benchmark::State& state) { Tool(state, {"export-actual"}, true); }

const int kCheck = RegisterSized("cli_check", Check, true);
const int kCheckDry = RegisterSized("cli_check_dry_run", CheckDry, true);
const int kExportActual = RegisterSized("cli_export_actual", ExportActual, true);
const int kExportActualDry = RegisterSized("cli_export_actual_dry_run", ExportActualDry, true);

}  // namespace
}  // namespace vrklad::bench
