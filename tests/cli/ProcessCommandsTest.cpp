#include <algorithm>

#include "cli/CliFixture.h"
#include "exchange/Archiver.h"
#include "exchange/IncomingFixtures.h"

namespace vrklad::test {
namespace {

constexpr uint32_t kKnown = 11111111;
constexpr uint32_t kUnknown = 22222222;

// A district office of schools that knows one organization, with an empty
// register, and the archives two organizations sent it.
class ProcessCommand : public CliFixture {
protected:
    void SetUp() override {
        CliFixture::SetUp();
        WriteIni(1);
        ProgramConfig config = EmptyConfig();
        config.OrgType = 1;
        config.DistrictMode = 1;
        config.OrgCount = 1;
        config.OrgOKPO[0] = kKnown;
        config.OrgAgency[0] = 3;
        config.LastExchangeDate = {2024, 1, 1};
        WriteConfig(config);
        RegisterFile reg;
        ASSERT_EQ(reg.Create(File("SCHOOL.R_N")), RegisterFile::OpenResult::Ok);

        m_known = Archive("known", kKnown, 3, {Pupil(1, kKnown, 3), Pupil(2, kKnown, 3)});
        m_unknown = Archive("unknown", kUnknown, 4, {Pupil(3, kUnknown, 4)});
    }

    // ACTUAL.ARJ as the organization's export packs it, outside ProgramDir.
    fs::path Archive(const std::string& folder, uint32_t okpo, uint16_t agency,
                     std::vector<StudentRecord> records) {
        const fs::path dir = m_io / folder;
        fs::create_directories(dir);
        for (StudentRecord& r : records) {
            r.ORG = agency;
            r.DATEEND = {static_cast<uint16_t>(Today().year + 2), 6, 30};
        }
        const fs::path act = dir / (std::to_string(okpo) + ".act");
        WriteExchangeFile(act, records);
        const fs::path archive = dir / "ACTUAL.ARJ";
        const RunResult run = AddToArchive(Dir().string(), archive.string(), {act.string()});
        EXPECT_EQ(run.exitCode, 0) << run.output;
        return archive;
    }

    size_t RegisterRecords() const { return fs::file_size(File("SCHOOL.R_N")) / kRecordSize; }

    fs::path m_known;
    fs::path m_unknown;
};

// The question whether to add an organization the office does not know is an
// ordinary one: No unless --yes, and that file stops while the others go on.
TEST_F(ProcessCommand, ProcessesEveryFileAndTellsWhetherAnyStopped) {
    const CliRun run = Run({"process", m_unknown.string(), m_known.string()});

    EXPECT_EQ(run.status, 1) << run.err;
    EXPECT_TRUE(Has(run.err, "Желаете добавить?. — Нет")) << run.err;
    EXPECT_TRUE(Has(run.err, "Файл " + m_unknown.string() + " не обработан.")) << run.err;
    EXPECT_TRUE(Has(run.out, "Добавлено 2, обновлено 0, ошибочных 0")) << run.out;
    EXPECT_TRUE(Has(run.out, "Обработано файлов: 1 из 2.")) << run.out;
    // The protocol is named instead of shown.
    EXPECT_TRUE(Has(run.out, (Dir() / "PRCSSD" / (std::to_string(kKnown) + ".txt")).string()))
        << run.out;
    EXPECT_EQ(RegisterRecords(), 2u);
    EXPECT_EQ(ReadConfig().OrgCount, 1);
    EXPECT_EQ(ReadConfig().RecordCount, 2);
}

TEST_F(ProcessCommand, YesAddsTheOrganization) {
    const CliRun run = Run({"--yes", "process", m_unknown.string(), m_known.string()});

    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_TRUE(Has(run.err, "Желаете добавить?. — Да")) << run.err;
    EXPECT_TRUE(Has(run.out, "Обработано файлов: 2 из 2.")) << run.out;
    EXPECT_EQ(RegisterRecords(), 3u);
    const ProgramConfig config = ReadConfig();
    EXPECT_EQ(config.OrgCount, 2);
    EXPECT_EQ(std::count(config.OrgOKPO, config.OrgOKPO + 2, static_cast<int32_t>(kUnknown)), 1);
}

// A file that is not there, or that the processing refuses with a warning,
// stops itself only.
TEST_F(ProcessCommand, FileThatCannotBeProcessedStopsOnlyItself) {
    WriteFile(m_io / "broken.arj", "not an archive");
    const CliRun run = Run({"process", (m_io / "nothing.arj").string(),
                            (m_io / "broken.arj").string(), m_known.string()});
    EXPECT_EQ(run.status, 1);
    EXPECT_TRUE(Has(run.err, "nothing.arj не найден.")) << run.err;
    EXPECT_TRUE(Has(run.err, "Не возможно обработать указанный файл.")) << run.err;
    EXPECT_TRUE(Has(run.out, "Обработано файлов: 1 из 3.")) << run.out;
    EXPECT_EQ(RegisterRecords(), 2u);
}

// Unpacking the first archive would empty PRCSSD under the others.
TEST_F(ProcessCommand, SeveralFilesFromPrcssdAreRefusedBeforeAny) {
    fs::create_directories(File("PRCSSD"));
    fs::copy_file(m_known, File("PRCSSD") / "a.arj");
    fs::copy_file(m_known, File("PRCSSD") / "b.arj");

    const CliRun run =
        Run({"process", (File("PRCSSD") / "a.arj").string(), (File("PRCSSD") / "b.arj").string()});

    EXPECT_EQ(run.status, 2);
    EXPECT_TRUE(Has(run.err, "каталоге PRCSSD")) << run.err;
    EXPECT_EQ(RegisterRecords(), 0u);
    EXPECT_TRUE(Exists("PRCSSD/b.arj"));

    // One alone is processed as the program processes it.
    EXPECT_EQ(Run({"process", (File("PRCSSD") / "a.arj").string()}).status, 0);
    EXPECT_EQ(RegisterRecords(), 2u);
}

TEST_F(ProcessCommand, NeedsAFileAndIsListedInTheHelp) {
    EXPECT_EQ(Run({"process"}).status, 2);
    EXPECT_TRUE(Has(Run({"--help"}).out, "\n  process ФАЙЛ...\n"));
}

}  // namespace
}  // namespace vrklad::test
