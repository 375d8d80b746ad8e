#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "maintenance/SysInfo.h"

namespace vrklad {
namespace {

using Lines = std::vector<std::string>;

TEST(SysInfoLines, VersionPathAndSystem) {
    SysInfo full;
    full.version = "1.0.0.1";
    full.programFile = "/opt/vrklad/vrklad";
    full.programDate = RecordDate{2019, 3, 7};
    full.systemName = "Debian GNU/Linux 12 (bookworm)";
    full.machine64 = true;
    full.kernelRelease = "6.1.0-18-amd64";

    SysInfo noProgram = full;
    noProgram.programDate.reset();
    SysInfo noSystem = full;
    noSystem.systemName.reset();
    SysInfo x32 = full;
    x32.machine64 = false;
    x32.kernelRelease = "6.1.0-18-686";

    const struct {
        const char* name;
        SysInfo info;
        Lines lines;
    } cases[] = {
        {"everything known",
         full,
         {"Ver.1.0.0.1 от 07.03.2019", "Setup directory: \"/opt/vrklad/vrklad\"",
          "Debian GNU/Linux 12 (bookworm)x64 6.1.0-18-amd64"}},
        {"program file not found",
         noProgram,
         {"Setup directory: \"/opt/vrklad/vrklad\"",
          "Debian GNU/Linux 12 (bookworm)x64 6.1.0-18-amd64"}},
        {"system unknown",
         noSystem,
         {"Ver.1.0.0.1 от 07.03.2019", "Setup directory: \"/opt/vrklad/vrklad\"", ""}},
        {"32-bit machine",
         x32,
         {"Ver.1.0.0.1 от 07.03.2019", "Setup directory: \"/opt/vrklad/vrklad\"",
          "Debian GNU/Linux 12 (bookworm)x32 6.1.0-18-686"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(SysInfoLines(c.info), c.lines);
    }
}

TEST(OsReleasePrettyName, QuotedBareOrAbsent) {
    const struct {
        const char* text;
        const char* name;
    } cases[] = {
        {"NAME=\"Debian GNU/Linux\"\nPRETTY_NAME=\"Debian GNU/Linux 12 (bookworm)\"\nID=debian\n",
         "Debian GNU/Linux 12 (bookworm)"},
        {"PRETTY_NAME='Alt Linux'\n", "Alt Linux"},
        {"PRETTY_NAME=Gentoo\n", "Gentoo"},
        {"PRETTY_NAME=\"Say \\\"hi\\\"\"\r\n", "Say \"hi\""},
        {"# PRETTY_NAME=\"commented\"\nID=x\n", "Linux"},
        {"", "Linux"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(OsReleasePrettyName(c.text), c.name);
    }
}

TEST(IsMachine64, WordSizeOfUnameMachine) {
    const struct {
        const char* machine;
        bool is64;
    } cases[] = {
        {"x86_64", true},  {"aarch64", true}, {"ppc64le", true}, {"s390x", true},
        {"riscv64", true}, {"i686", false},   {"armv7l", false}, {"", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.machine);
        EXPECT_EQ(IsMachine64(c.machine), c.is64);
    }
}

TEST(CollectSysInfo, MissingProgramFileHasNoDate) {
    const SysInfo info = CollectSysInfo("/nonexistent/vrklad");
    EXPECT_FALSE(info.programDate.has_value());
    EXPECT_EQ(info.programFile, "/nonexistent/vrklad");
    EXPECT_EQ(info.version, VRKLAD_VERSION);
}

}  // namespace
}  // namespace vrklad
