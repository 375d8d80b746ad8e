#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "exchange/RunAndWait.h"
#include "support/TempDir.h"

namespace vrklad {
namespace {

using test::ReadFile;
using test::TempDir;
using test::WriteFile;

void WriteScript(const std::filesystem::path& path, const std::string& body) {
    WriteFile(path, "#!/bin/sh\n" + body + "\n");
    std::filesystem::permissions(path, std::filesystem::perms::owner_exec,
                                 std::filesystem::perm_options::add);
}

// Sets an environment variable for one test and puts the old value back.
class ScopedEnv {
  public:
    ScopedEnv(const char* name, const std::optional<std::string>& value) : m_name(name) {
        if (const char* old = std::getenv(name)) m_old = old;
        if (value) {
            setenv(name, value->c_str(), 1);
        } else {
            unsetenv(name);
        }
    }
    ~ScopedEnv() {
        if (m_old) {
            setenv(m_name, m_old->c_str(), 1);
        } else {
            unsetenv(m_name);
        }
    }

  private:
    const char* m_name;
    std::optional<std::string> m_old;
};

// Gone, or a zombie waiting for its parent to collect it.
bool ProcessIsDead(int pid) {
    std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
    if (!stat) return true;
    std::string line;
    std::getline(stat, line);
    const size_t paren = line.rfind(')');
    return paren != std::string::npos && paren + 2 < line.size() && line[paren + 2] == 'Z';
}

TEST(RunAndWait, ArgumentsReachTheProgramUnchanged) {
    TempDir dir;
    WriteScript(dir / "args", R"(for a in "$@"; do printf '[%s]\n' "$a"; done)");
    const std::vector<std::string> args = {
        "a b", "\"quoted\"", "", "$HOME", "*", "it's", "-y", "/Y", std::string(300, 'x'), "Ёлка"};
    const RunResult r = RunAndWait(dir.Path(), "args", args);
    ASSERT_TRUE(r.started);
    std::string expected;
    for (const auto& a : args) expected += "[" + a + "]\n";
    EXPECT_EQ(r.output, expected);
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_FALSE(r.timedOut);
}

TEST(RunAndWait, RunsInProgramDirWithoutArchiverSwitchesOrInput) {
    TempDir dir;
    ScopedEnv arj("ARJ_SW", "-jm");
    ScopedEnv arj32("ARJ32_SW", "-jm");
    ScopedEnv kept("VRKLAD_TEST_KEPT", "kept");
    WriteScript(dir / "env",
                "pwd -P\n"
                "printf '%s|%s|%s\\n' \"${ARJ_SW-unset}\" \"${ARJ32_SW-unset}\" "
                "\"$VRKLAD_TEST_KEPT\"\n"
                "cat\n"
                "echo to-stderr >&2");
    const RunResult r = RunAndWait(dir.Path(), "env", {});
    ASSERT_TRUE(r.started);
    EXPECT_EQ(r.output,
              std::filesystem::canonical(dir.Dir()).string() + "\nunset|unset|kept\nto-stderr\n");
}

TEST(RunAndWait, ExitCodeIsReported) {
    TempDir dir;
    WriteScript(dir / "ends", "case $1 in kill) kill -KILL $$;; *) exit $1;; esac");
    struct Case {
        const char* arg;
        int exitCode;
    } cases[] = {{"0", 0}, {"1", 1}, {"2", 2}, {"3", 3}, {"9", 9}, {"255", 255}, {"kill", -1}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.arg);
        const RunResult r = RunAndWait(dir.Path(), "ends", {c.arg});
        EXPECT_TRUE(r.started);
        EXPECT_FALSE(r.timedOut);
        EXPECT_EQ(r.exitCode, c.exitCode);
    }
}

TEST(RunAndWait, ProgramDirIsSearchedBeforePath) {
    TempDir dir;
    TempDir empty;
    TempDir notExecutable;
    WriteScript(dir / "printf", "echo own");
    WriteFile(notExecutable / "printf", "#!/bin/sh\necho not me\n");
    struct Case {
        const char* name;
        std::string programDir;
        std::string program;
        bool started;
        std::string output;
    } cases[] = {
        {"own copy wins", dir.Path(), "printf", true, "own\n"},
        {"found on PATH", empty.Path(), "printf", true, "path"},
        {"not executable is passed over", notExecutable.Path(), "printf", true, "path"},
        {"path with directory", empty.Path(), (dir / "printf").string(), true, "own\n"},
        {"missing program", dir.Path(), "vrklad-no-such-program", false, ""},
        {"missing file with directory", dir.Path(), (dir / "nothing").string(), false, ""},
        {"missing working directory", (dir / "gone").string() + "/", "printf", false, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const RunResult r = RunAndWait(c.programDir, c.program, {"%s", "path"});
        EXPECT_EQ(r.started, c.started);
        EXPECT_EQ(r.output, c.output);
        if (!c.started) {
            EXPECT_EQ(r.exitCode, -1);
        }
    }
}

TEST(RunAndWait, HangingProgramIsKilledWithItsChildrenAtTheTimeLimit) {
    TempDir dir;
    WriteScript(dir / "hang", "echo begun\nsleep 30 &\necho $! > child.pid\nwait");
    const auto start = std::chrono::steady_clock::now();
    const RunResult r = RunAndWait(dir.Path(), "hang", {}, std::chrono::milliseconds(300));
    const auto elapsed = std::chrono::steady_clock::now() - start;
    EXPECT_TRUE(r.started);
    EXPECT_TRUE(r.timedOut);
    EXPECT_EQ(r.exitCode, -1);
    EXPECT_EQ(r.output, "begun\n");
    EXPECT_LT(elapsed, std::chrono::seconds(5));

    const int child = std::atoi(ReadFile(dir / "child.pid").c_str());
    ASSERT_GT(child, 0);
    bool dead = false;
    for (int i = 0; i < 100 && !dead; ++i) {
        dead = ProcessIsDead(child);
        if (!dead) std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    EXPECT_TRUE(dead);
}

TEST(RunAndWait, LargeOutputDoesNotBlockTheProgram) {
    TempDir dir;
    const RunResult r = RunAndWait(dir.Path(), "head", {"-c", "3000000", "/dev/zero"});
    ASSERT_TRUE(r.started);
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.output.size(), 3000000u);
}

}  // namespace
}  // namespace vrklad
