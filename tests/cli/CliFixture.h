#pragma once

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>

#include <string>
#include <vector>

#include "session/SessionFixture.h"

extern char** environ;

namespace vrklad::test {

// What one run of the batch tool gave.
struct CliRun {
    int status = -1;  // the exit status; -1 when it did not exit normally
    std::string out;
    std::string err;
};

// Runs the built vrklad-cli as a process on a temporary ProgramDir, with the
// real clock (the process has no other).
class CliFixture : public SessionFixture {
protected:
    void SetUp() override { SetNowForTesting(std::nullopt); }

    // The tool with these arguments, exactly.
    CliRun RunTool(const std::vector<std::string>& args) {
        const std::string outPath = (m_io / "out").string();
        const std::string errPath = (m_io / "err").string();
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
        posix_spawn_file_actions_addopen(&actions, 1, outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                         0600);
        posix_spawn_file_actions_addopen(&actions, 2, errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                         0600);
        std::vector<std::string> all = {VRKLAD_CLI};
        all.insert(all.end(), args.begin(), args.end());
        std::vector<char*> argv;
        for (auto& a : all) argv.push_back(a.data());
        argv.push_back(nullptr);

        CliRun run;
        pid_t pid = 0;
        const int rc = posix_spawn(&pid, VRKLAD_CLI, &actions, nullptr, argv.data(), environ);
        posix_spawn_file_actions_destroy(&actions);
        EXPECT_EQ(rc, 0) << "cannot start " << VRKLAD_CLI;
        if (rc != 0) return run;
        int status = 0;
        EXPECT_EQ(waitpid(pid, &status, 0), pid);
        run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        run.out = ReadFile(outPath);
        run.err = ReadFile(errPath);
        return run;
    }

    // The tool on this test's ProgramDir.
    CliRun Run(const std::vector<std::string>& args) {
        std::vector<std::string> all = {"--dir", Dir().string()};
        all.insert(all.end(), args.begin(), args.end());
        return RunTool(all);
    }

    // A configured school (OKPO 123, agency 45) with a sealed register.
    void Configure(int records) {
        WriteIni(1);
        WriteConfig(SchoolConfig());
        WriteRegister("123.sch", records, "123.sch");
    }

    static bool Has(const std::string& text, const std::string& part) {
        return text.find(part) != std::string::npos;
    }

    TempDir m_io;  // the captured output, outside the ProgramDir
};

}  // namespace vrklad::test
