#include <algorithm>

#include "cli/CliFixture.h"
#include "exchange/Archiver.h"
#include "maintenance/Reports.h"
#include "register/IniFile.h"

namespace vrklad::test {
namespace {

namespace fs = std::filesystem;

constexpr uint32_t kFirstOrg = 111111;
constexpr uint32_t kSecondOrg = 222222;

class MaintenanceCommands : public CliFixture {
protected:
    // The register `name` holding these records, sealed under its name.
    void WriteRecords(const std::string& name, const std::vector<StudentRecord>& records) {
        RegisterFile reg;
        ASSERT_EQ(reg.Create(File(name)), RegisterFile::OpenResult::Ok);
        for (const StudentRecord& r : records) reg.Append(r);
        ASSERT_TRUE(SealRegister(reg, name));
    }

    std::vector<StudentRecord> Records(const std::string& name) const {
        RegisterFile reg;
        EXPECT_EQ(reg.Open(File(name)), RegisterFile::OpenResult::Ok);
        return reg.ReadAll();
    }

    // A district office of schools with two organizations, two learners each.
    void ConfigureDistrict() {
        WriteIni(1);
        ProgramConfig config = EmptyConfig();
        config.OrgType = 1;
        config.DistrictMode = 1;
        config.OrgCount = 2;
        config.OrgOKPO[0] = kFirstOrg;
        config.OrgAgency[0] = 3;
        config.OrgOKPO[1] = kSecondOrg;
        config.OrgAgency[1] = 4;
        WriteConfig(config);
        WriteRecords("SCHOOL.R_N", {Record(kFirstOrg, 3), Record(kSecondOrg, 4),
                                    Record(kFirstOrg, 3), Record(kSecondOrg, 4)});
    }

    std::vector<fs::path> Backups() const {
        std::vector<fs::path> found;
        std::error_code ec;
        for (const auto& e : fs::directory_iterator(File("BACKUP"), ec)) {
            if (e.path().extension() == ".BKP") found.push_back(e.path());
        }
        return found;
    }
};

TEST_F(MaintenanceCommands, BackupIsRestoredOverALaterRegister) {
    Configure(3);
    const CliRun backup = Run({"backup"});
    EXPECT_EQ(backup.status, 0) << backup.err;
    EXPECT_TRUE(Has(backup.out, "резервной копии успешно создан")) << backup.out;
    const std::vector<fs::path> archives = Backups();
    ASSERT_EQ(archives.size(), 1u);
    // The program file recorded is the tool's own.
    EXPECT_TRUE(Has(ReadFile(File("BACKUP/SysInfo.txt")), "vrklad-cli\""));

    WriteRegister("123.sch", 1, "123.sch");
    const CliRun restore = Run({"restore", archives[0].string()});
    EXPECT_EQ(restore.status, 0) << restore.err;
    EXPECT_EQ(Records("123.sch").size(), 3u);

    // A missing register is what a backup is for.
    fs::remove(File("123.sch"));
    EXPECT_EQ(Run({"restore", archives[0].string()}).status, 0);
    EXPECT_EQ(Records("123.sch").size(), 3u);

    const CliRun missing = Run({"restore", (m_io / "none.BKP").string()});
    EXPECT_EQ(missing.status, 1);
    EXPECT_TRUE(Has(missing.err, "файл не найден")) << missing.err;
}

TEST_F(MaintenanceCommands, RestoreOfABackupWithoutItsRegisterExitsWithOne) {
    Configure(2);
    ProgramConfig other = SchoolConfig();
    other.OrgOKPO[0] = 999999;
    const fs::path cnf = m_io / "vrklad.cnf";
    WriteFile(cnf, std::string(reinterpret_cast<const char*>(&other), sizeof other));
    const fs::path archive = m_io / "only-config.BKP";
    ASSERT_EQ(AddToArchive(Dir().string(), archive.string(), {cnf.string()}).exitCode, 0);

    const CliRun run = Run({"restore", archive.string()});

    EXPECT_EQ(run.status, 1);
    EXPECT_TRUE(Has(run.out, "Не обнаружен файл данных")) << run.out;
    EXPECT_EQ(ReadConfig().OrgOKPO[0], 999999);
}

TEST_F(MaintenanceCommands, RestoreLeavesARegisterHeldByARunningCopyAlone) {
    Configure(2);
    ASSERT_EQ(Run({"backup"}).status, 0);
    const std::string before = ReadFile(File("123.sch"));
    RegisterFile held;
    ASSERT_EQ(held.Open(File("123.sch")), RegisterFile::OpenResult::Ok);

    const CliRun run = Run({"restore", Backups().at(0).string()});

    EXPECT_EQ(run.status, 1);
    EXPECT_TRUE(Has(run.err, "занят другой запущенной копией программы")) << run.err;
    EXPECT_EQ(ReadFile(File("123.sch")), before);
}

// Deletions not yet sent to the transport operator are dropped only on --yes.
TEST_F(MaintenanceCommands, CompactAsksAboutPendingDeletions) {
    const struct {
        const char* name;
        RecordDate deletedOn;
        bool yes;
        int status;
        size_t kept;
    } cases[] = {
        {"sent already", {2024, 1, 10}, false, 0, 2},
        {"pending", {2024, 3, 1}, false, 1, 3},
        {"pending, --yes", {2024, 3, 1}, true, 0, 2},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        WriteIni(1);
        ProgramConfig config = SchoolConfig();
        config.LastExchangeDate = {2024, 2, 1};
        WriteConfig(config);
        StudentRecord deleted = Record(123, 45);
        deleted.LastChange = Deleted;
        deleted.ChangeDate = c.deletedOn;
        WriteRecords("123.sch", {Record(123, 45), deleted, Record(123, 45)});
        std::vector<std::string> args = {"compact"};
        if (c.yes) args.push_back("--yes");

        const CliRun run = Run(args);

        EXPECT_EQ(run.status, c.status) << run.err;
        EXPECT_EQ(Records("123.sch").size(), c.kept);
        EXPECT_EQ(Has(run.out, "Сжатие выполнено на 33%."), c.kept == 2) << run.out;
        EXPECT_EQ(Has(run.err, "нажмите \"Yes\". — Нет"), c.status == 1) << run.err;
    }
}

TEST_F(MaintenanceCommands, ReportsPrintThePathOfTheFile) {
    ConfigureDistrict();
    const struct {
        std::vector<std::string> args;
        int status;
        const char* file;
    } cases[] = {
        {{"report", "orgs"}, 0, kOrgReportFile},
        {{"report", "classes"}, 0, kKlassReportFile},
        {{"report", "classes", "--okpo", "222222"}, 0, kKlassReportFile},
        {{"report", "classes", "--okpo", "333333"}, 1, nullptr},
        {{"report", "orgs", "--okpo", "222222"}, 2, nullptr},
        {{"report", "pupils"}, 2, nullptr},
        {{"report"}, 2, nullptr},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.args.back());
        fs::remove_all(File("Export"));
        const CliRun run = Run(c.args);
        EXPECT_EQ(run.status, c.status) << run.err;
        if (c.file != nullptr) {
            EXPECT_EQ(run.out, (Dir() / c.file).string() + "\n");
            EXPECT_TRUE(Exists(c.file));
            if (c.args.size() == 4) {
                EXPECT_TRUE(Has(ReadFile(File(c.file)), "'222222' : 2 "));
            }
        } else {
            EXPECT_FALSE(Exists("Export/RepKlass.txt"));
        }
    }
}

TEST_F(MaintenanceCommands, CopyOrgWritesAnInstallationOfItsOwn) {
    const struct {
        const char* name;
        uint32_t okpo;
        bool withProgram;
        int status;
        std::vector<std::string> files;
    } cases[] = {
        {"register only", kSecondOrg, false, 0, {"222222.sch", "vrklad.cnf"}},
        {"with program", kFirstOrg, true, 0, {"111111.sch", "vrklad.cnf", "vrklad", "VR_KLAD.INI"}},
        {"not in the table", 333333, true, 1, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ConfigureDistrict();
        WriteFile(File("vrklad"), "the desktop program");
        const TempDir target;
        const fs::path dir = target / "copy";
        std::vector<std::string> args = {"copy-org", std::to_string(c.okpo), dir.string()};
        if (c.withProgram) args.push_back("--with-program");

        const CliRun run = Run(args);

        EXPECT_EQ(run.status, c.status) << run.err;
        std::vector<std::string> written;
        std::error_code ec;
        for (const auto& e : fs::directory_iterator(dir, ec)) {
            written.push_back(e.path().filename().string());
        }
        std::sort(written.begin(), written.end());
        std::vector<std::string> expected = c.files;
        std::sort(expected.begin(), expected.end());
        EXPECT_EQ(written, expected);
        if (c.status == 0) {
            RegisterFile copy;
            ASSERT_EQ(copy.Open(dir / (std::to_string(c.okpo) + ".sch")),
                      RegisterFile::OpenResult::Ok);
            EXPECT_EQ(copy.CountRecords(), 2u);
            EXPECT_EQ(ReadFile(dir / "vrklad").size() != 0, c.withProgram);
        }
    }
}

TEST_F(MaintenanceCommands, ReplaceCodesOfTheOrganization) {
    Configure(3);

    const CliRun agency = Run({"replace-agency", "46"});
    EXPECT_EQ(agency.status, 0) << agency.err;
    EXPECT_TRUE(Has(agency.out, "Обновлено записей: 3")) << agency.out;
    EXPECT_EQ(Records("123.sch").at(2).ORG, 46);
    EXPECT_EQ(ReadConfig().OwnAgency, 46);

    const CliRun okpo = Run({"replace-okpo", "12345678"});
    EXPECT_EQ(okpo.status, 0) << okpo.err;
    EXPECT_FALSE(Exists("123.sch"));
    EXPECT_EQ(Records("12345678.sch").at(0).OKPO, 12345678u);
    EXPECT_EQ(ReadConfig().OrgOKPO[0], 12345678);

    // The code it has already: nothing to do, which is no failure.
    const CliRun same = Run({"replace-okpo", "12345678"});
    EXPECT_EQ(same.status, 0) << same.err;
    EXPECT_TRUE(Has(same.out, "Код ОКПО уже 12345678")) << same.out;
    EXPECT_EQ(Run({"replace-agency", "46"}).status, 0);

    for (const std::vector<std::string>& args : {std::vector<std::string>{"replace-okpo", "12345"},
                                                 {"replace-okpo", "00000000"},
                                                 {"replace-agency", "1000"},
                                                 {"replace-agency", "0"},
                                                 {"replace-okpo"}}) {
        SCOPED_TRACE(args.back());
        EXPECT_EQ(Run(args).status, 2);
    }
    EXPECT_EQ(ReadConfig().OrgOKPO[0], 12345678);
}

TEST_F(MaintenanceCommands, ReplaceOkpoIsRefusedForADistrictOffice) {
    ConfigureDistrict();
    const CliRun run = Run({"replace-okpo", "12345678"});
    EXPECT_EQ(run.status, 1);
    EXPECT_TRUE(Has(run.err, "только в режиме одной организации")) << run.err;
    EXPECT_EQ(ReadConfig().OrgOKPO[0], static_cast<int32_t>(kFirstOrg));
}

// The question the deletion opens with is confirmed by naming the command.
TEST_F(MaintenanceCommands, DeleteOrgMarksTheOrganizationsLearnersDeleted) {
    ConfigureDistrict();
    const CliRun run = Run({"delete-org", "222222"});

    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_TRUE(Has(run.err, "по организации 222222(4) ? — Да")) << run.err;
    const std::vector<StudentRecord> records = Records("SCHOOL.R_N");
    ASSERT_EQ(records.size(), 4u);
    for (size_t i = 0; i < records.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(records[i].LastChange, records[i].OKPO == kSecondOrg ? Deleted : Added);
    }
    EXPECT_EQ(ReadConfig().OrgCount, 1);

    EXPECT_EQ(Run({"delete-org", "333333"}).status, 1);
    EXPECT_EQ(Run({"delete-org", "x"}).status, 2);
}

TEST_F(MaintenanceCommands, DeleteOrgIsRefusedForASingleOrganization) {
    Configure(2);
    const CliRun run = Run({"delete-org", "123"});
    EXPECT_EQ(run.status, 1);
    EXPECT_TRUE(Has(run.err, "только в режиме РОНО")) << run.err;
    EXPECT_EQ(Records("123.sch").at(0).LastChange, Added);
}

TEST_F(MaintenanceCommands, SetTypeAsTheOrganizationTypeDialog) {
    Configure(2);
    EXPECT_EQ(Run({"set-type", "3"}).status, 0);
    EXPECT_EQ(ReadConfig().OrgType, 3);
    EXPECT_TRUE(Exists("123.ptu"));
    EXPECT_FALSE(Exists("123.sch"));

    // 0 is a district office's sub-mode.
    const CliRun zero = Run({"set-type", "0"});
    EXPECT_EQ(zero.status, 2);
    EXPECT_TRUE(Has(zero.err, "Изменения не внесены")) << zero.err;
    EXPECT_EQ(ReadConfig().OrgType, 3);
    EXPECT_EQ(Run({"set-type", "5"}).status, 2);

    ConfigureDistrict();
    EXPECT_EQ(Run({"set-type", "0"}).status, 0);
    EXPECT_EQ(IniFile(ReadFile(File("VR_KLAD.INI"))).Value("Options", "TypeOrganization"), "0");
    EXPECT_EQ(Run({"set-type", "2"}).status, 2);
    EXPECT_EQ(IniFile(ReadFile(File("VR_KLAD.INI"))).Value("Options", "TypeOrganization"), "0");
    EXPECT_EQ(ReadConfig().OrgType, 1);
}

TEST_F(MaintenanceCommands, HelpListsThem) {
    const std::string help = Run({"--help"}).out;
    for (const char* line :
         {"\n  backup\n", "\n  restore ФАЙЛ\n", "\n  compact\n",
          "\n  report orgs|classes [--okpo N]\n", "\n  copy-org ОКПО КАТАЛОГ [--with-program]\n",
          "\n  replace-okpo N\n", "\n  replace-agency N\n", "\n  delete-org ОКПО\n",
          "\n  set-type N\n"}) {
        EXPECT_TRUE(Has(help, line)) << line;
    }
}

}  // namespace
}  // namespace vrklad::test
