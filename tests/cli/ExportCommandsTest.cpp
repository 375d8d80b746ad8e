#include <algorithm>
#include <cstring>

#include "cli/CliFixture.h"

namespace vrklad::test {
namespace {

namespace fs = std::filesystem;

const std::string kMediaQuestion = "Желаете выгрузить файл на сменный носитель? — ";

// The archive files of a folder whose names begin so.
std::vector<fs::path> ArchivesIn(const fs::path& dir, const std::string& prefix) {
    std::vector<fs::path> found;
    std::error_code ec;
    for (const auto& entry : fs::directory_iterator(dir, ec)) {
        if (entry.path().filename().string().rfind(prefix, 0) == 0) found.push_back(entry.path());
    }
    return found;
}

class ExportCommands : public CliFixture {};

// The opening question is confirmed by the command; the one about removable
// media only by --to, whatever --yes says.
TEST_F(ExportCommands, ArchiveGoesToTheFolderGivenOrStaysInExport) {
    const struct {
        const char* command;
        const char* prefix;
        const char* opening;
    } commands[] = {
        {"export-actual", "ACTUAL", "Создать файл с актуальными записями? — Да"},
        {"export-corrections", "CORRECT_", "Создать файл с откорректированными записями? — Да"},
    };
    const struct {
        const char* name;
        bool yes;
        bool to;
    } answers[] = {
        {"no options", false, false},
        {"--yes", true, false},
        {"--to", false, true},
    };
    for (const auto& c : commands) {
        for (const auto& a : answers) {
            SCOPED_TRACE(std::string(c.command) + ", " + a.name);
            TempDir dir;
            WriteFile(dir / "VR_KLAD.INI", "[Options]\r\nTypeOrganization=1\r\n");
            ProgramConfig config = SchoolConfig();
            config.LastExchangeDate = {2020, 1, 1};
            WriteFile(dir / "vrklad.cnf",
                      std::string(reinterpret_cast<const char*>(&config), sizeof config));
            WriteFile(dir / "123.sch", "");
            TempDir media;
            std::vector<std::string> args = {"--dir", dir.Dir().string(), c.command};
            if (a.yes) args.push_back("--yes");
            if (a.to) args.insert(args.end(), {"--to", media.Dir().string()});

            const CliRun run = RunTool(args);

            EXPECT_EQ(run.status, 0) << run.err;
            EXPECT_TRUE(Has(run.err, c.opening)) << run.err;
            EXPECT_TRUE(Has(run.err, kMediaQuestion + (a.to ? "Да" : "Нет"))) << run.err;
            EXPECT_EQ(ArchivesIn(media.Dir(), c.prefix).size(), a.to ? 1u : 0u);
            EXPECT_EQ(ArchivesIn(dir / "Export", c.prefix).size(), a.to ? 0u : 1u);
            EXPECT_EQ(Has(run.out, "оставлен в каталоге Export"), !a.to) << run.out;
            EXPECT_EQ(Has(run.out, "Файл успешно перенесен на " + media.Dir().string()), a.to)
                << run.out;
            ProgramConfig saved = EmptyConfig();
            const std::string bytes = ReadFile(dir / "vrklad.cnf");
            std::memcpy(&saved, bytes.data(), std::min(bytes.size(), sizeof saved));
            EXPECT_EQ(saved.LastExchangeDate, Today());
        }
    }
}

TEST_F(ExportCommands, FailedMoveExitsWithOne) {
    Configure(2);
    const CliRun run = Run({"export-actual", "--to", (m_io / "no" / "such").string()});
    EXPECT_EQ(run.status, 1);
    EXPECT_TRUE(Has(run.err, "Ошибка переноса файла")) << run.err;
    EXPECT_TRUE(Exists("Export/ACTUAL.ARJ"));
}

TEST_F(ExportCommands, EmptyFolderIsAUsageErrorAndHelpListsThem) {
    Configure(1);
    EXPECT_EQ(Run({"export-actual", "--to="}).status, 2);
    EXPECT_EQ(Run({"export-corrections", "extra"}).status, 2);
    EXPECT_FALSE(Exists("Export"));
    const std::string help = Run({"--help"}).out;
    EXPECT_TRUE(Has(help, "\n  export-actual [--to КАТАЛОГ]\n"));
    EXPECT_TRUE(Has(help, "\n  export-corrections [--to КАТАЛОГ]\n"));
}

}  // namespace
}  // namespace vrklad::test
