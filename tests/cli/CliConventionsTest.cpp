#include "cli/CliFixture.h"

namespace vrklad::test {
namespace {

class CliConventions : public CliFixture {};

TEST_F(CliConventions, WrongCommandLineIsAUsageErrorBeforeAnythingRuns) {
    const std::vector<std::vector<std::string>> cases = {
        {},
        {"nosuch"},
        {"check", "extra"},
        {"list", "--bogus"},
        {"list", "--out"},
        {"list", "--out", "--okpo", "1"},
        {"list", "--okpo", "12x"},
        {"list", "--okpo", "1", "--okpo", "2"},
        {"check", "--yes=1"},
        {"check", "-y"},
        {"--okpo", "12345678", "init"},
        {"init", "--okpo", "12345678"},
        {"init", "--okpo", "12345", "--agency", "1"},
        {"init", "--okpo", "12345678", "--agency", "1234"},
        {"init", "--okpo", "1234567a", "--agency", "12"},
    };
    Configure(1);
    for (const auto& args : cases) {
        std::string line;
        for (const auto& a : args) line += a + " ";
        SCOPED_TRACE(line);
        const CliRun run = Run(args);
        EXPECT_EQ(run.status, 2);
        EXPECT_EQ(run.out, "");
        EXPECT_TRUE(Has(run.err, "vrklad-cli --help")) << run.err;
        EXPECT_FALSE(Exists("Export"));  // start-up never ran
    }
    EXPECT_EQ(RunTool({"--dir"}).status, 2);
}

TEST_F(CliConventions, HelpPrintsTheUsageInRussian) {
    for (const std::vector<std::string>& args :
         {std::vector<std::string>{"--help"}, {"list", "--help"}, {"nosuch", "--help"}}) {
        SCOPED_TRACE(args[0]);
        const CliRun run = Run(args);
        EXPECT_EQ(run.status, 0);
        EXPECT_TRUE(
            Has(run.out, "Использование: vrklad-cli [--dir КАТАЛОГ] [--yes] [--dry-run] КОМАНДА"))
            << run.out;
        for (const char* command : {"\n  init ", "\n  check\n", "\n  list "}) {
            EXPECT_TRUE(Has(run.out, command)) << command;
        }
        EXPECT_EQ(run.err, "");
        EXPECT_TRUE(std::filesystem::is_empty(Dir()));
    }
}

TEST_F(CliConventions, InstallationNotConfiguredIsAnErrorButForInit) {
    for (const char* command : {"check", "list"}) {
        SCOPED_TRACE(command);
        WriteIni(1);
        const CliRun run = Run({command});
        EXPECT_EQ(run.status, 1);
        EXPECT_TRUE(Has(run.err, "Программа не настроена")) << run.err;
        EXPECT_TRUE(Has(run.err, "vrklad-cli init")) << run.err;
        EXPECT_EQ(run.out, "");
        EXPECT_EQ(ReadConfig().OrgType, 0);
        for (const auto& entry : std::filesystem::directory_iterator(Dir())) {
            EXPECT_TRUE(entry.is_directory() || entry.path().filename() == "vrklad.cnf" ||
                        entry.path().filename() == "VR_KLAD.INI")
                << entry.path();
        }
    }
}

TEST_F(CliConventions, StartUpMessagesEndTheCommand) {
    const struct {
        const char* name;
        bool settings;
        bool registerFile;
        std::string text;
    } cases[] = {
        {"no settings file", false, true, "Файл VR_KLAD.INI не найден"},
        {"no register", true, false, "Не обнаружен файл данных"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TempDir dir;
        if (c.settings) WriteFile(dir / "VR_KLAD.INI", "[Options]\r\nTypeOrganization=1\r\n");
        const ProgramConfig config = SchoolConfig();
        WriteFile(dir / "vrklad.cnf",
                  std::string(reinterpret_cast<const char*>(&config), sizeof config));
        if (c.registerFile) WriteFile(dir / "123.sch", "");
        const CliRun run = RunTool({"--dir", dir.Dir().string(), "list"});
        EXPECT_EQ(run.status, 1);
        EXPECT_TRUE(Has(run.out + run.err, c.text)) << run.out << run.err;
        EXPECT_FALSE(Has(run.out, "ORG;DOC"));
    }
    EXPECT_EQ(RunTool({"--dir", (Dir() / "nowhere").string(), "check"}).status, 1);
    EXPECT_FALSE(Exists("nowhere"));
}

TEST_F(CliConventions, RegisterHeldByARunningCopyIsAnErrorAndNothingIsWritten) {
    Configure(2);
    const std::string registerBefore = ReadFile(File("123.sch"));
    const std::string configBefore = ReadFile(File("vrklad.cnf"));
    RegisterFile held;
    ASSERT_EQ(held.Open(File("123.sch")), RegisterFile::OpenResult::Ok);

    for (const std::vector<std::string>& args :
         {std::vector<std::string>{"check"}, {"list", "--out", File("list.txt").string()}}) {
        SCOPED_TRACE(args[0]);
        const CliRun run = Run(args);
        EXPECT_EQ(run.status, 1);
        EXPECT_TRUE(Has(run.err, "занят другой запущенной копией программы")) << run.err;
        EXPECT_EQ(ReadFile(File("123.sch")), registerBefore);
        EXPECT_EQ(ReadFile(File("vrklad.cnf")), configBefore);
        EXPECT_FALSE(Exists("list.txt"));
    }
}

TEST_F(CliConventions, EveryCommandEndsWithTheExitSequence) {
    // Records appended after the last seal: start-up warns, the command runs
    // on, and the exit recounts, saves the configuration and seals again.
    WriteIni(1);
    WriteConfig(SchoolConfig());
    WriteRegister("123.sch", 3, "");

    const CliRun run = Run({"list"});

    EXPECT_EQ(run.status, 0);
    EXPECT_TRUE(Has(run.err, "Контрольная сумма не совпадает с расчетной")) << run.err;
    EXPECT_TRUE(Has(run.out, "ORG;DOC"));
    EXPECT_EQ(std::filesystem::file_size(File("123.sch")), 3 * kRecordSize + 6);
    RegisterFile reg;
    ASSERT_EQ(reg.Open(File("123.sch")), RegisterFile::OpenResult::Ok);
    EXPECT_TRUE(VerifyRegister(reg, "123.sch"));
    EXPECT_EQ(ReadConfig().RecordCount, 3);
    EXPECT_EQ(ReadConfig().TotalLearners, 3);
}

TEST_F(CliConventions, OperationStoppedByAnErrorExitsWithOne) {
    Configure(1);
    const CliRun run = Run({"list", "--out", (Dir() / "missing" / "list.txt").string()});
    EXPECT_EQ(run.status, 1);
    EXPECT_TRUE(Has(run.err, "Не удалось создать файл")) << run.err;
    EXPECT_EQ(run.out, "");
}

}  // namespace
}  // namespace vrklad::test
