#include <algorithm>
#include <functional>
#include <set>

#include "exchange/ArjListing.h"
#include "maintenance/Backup.h"
#include "maintenance/MaintenanceFixture.h"

namespace vrklad::test {
namespace {

namespace fs = std::filesystem;

constexpr const char* kArchive = "VRKLAD_2024-03-01_10-00.BKP";
constexpr const char* kCreated = "Файл VRKLAD_2024-03-01_10-00.BKP резервной копии успешно создан";
constexpr const char* kMissing =
    "Не обнаружен файл данных. Если файл был утерян, выполните восстановление из резервной копии";

std::multiset<std::string> Members(const fs::path& archive) {
    const ArjListing listing = ReadArjListing(archive);
    EXPECT_TRUE(listing.ok) << listing.error;
    std::multiset<std::string> names;
    for (const ArjMember& m : listing.members) names.insert(m.storedName);
    return names;
}

class Backup : public MaintenanceFixture {
protected:
    fs::path ArchivePath() const { return File("BACKUP") / kArchive; }

    // A backup of the current state, checked to have succeeded.
    void MakeBackup(Session& session) {
        m_op.shown.clear();
        ASSERT_TRUE(CreateBackup(session, m_op, File("vrklad")));
        ASSERT_EQ(m_op.Texts(), std::vector<std::string>{kCreated});
        m_op.shown.clear();
    }

    bool Restore(Session& session, const fs::path& archive) {
        m_op.openFiles.push_back(archive.string());
        const auto chosen = ChooseBackupFile(session, m_op);
        EXPECT_TRUE(chosen.has_value());
        return chosen && RestoreBackup(session, m_op, *chosen);
    }

    // Changes every file a restore should bring back.
    void ChangeEverything(Session& session) {
        ASSERT_EQ(session.Register().Append(Record(123, 45)), RegisterFile::AppendResult::Ok);
        session.Config().OrgLearners[0] = 77;
        session.Configuration().Save();
        ASSERT_TRUE(session.Details().InsertDoc("П.40.05.1234567", {{2020, 1, 2}, "ОВД", 123, ""}));
    }
};

TEST_F(Backup, RestoreGivesBackTheRegisterConfigurationAndDetails) {
    Install(3);
    MakeDetails();
    Session& session = Start();
    ASSERT_TRUE(session.DetailsAvailable());
    MakeBackup(session);

    EXPECT_EQ(Members(ArchivePath()), (std::multiset<std::string>{kRegister, "vrklad.cnf",
                                                                  "Additional.db", "SysInfo.txt"}));
    const auto backedUp = Snapshot();
    // The register went in sealed, and is open again.
    EXPECT_EQ(backedUp.at(kRegister).size(), 3 * kRecordSize + 6);
    EXPECT_TRUE(VerifyRegister(session.Register(), kRegister));

    // Our own archives end in ".BKP"; the extension's letter case does not matter.
    for (const std::string chosenName : {kArchive, "copy.bkp", "Copy.Bkp"}) {
        SCOPED_TRACE(chosenName);
        ChangeEverything(session);
        ASSERT_NE(Snapshot(), backedUp);
        const fs::path chosen = File("BACKUP") / chosenName;
        fs::rename(ArchivePath(), chosen);
        m_op.dialogTitles.clear();

        EXPECT_TRUE(Restore(session, chosen));
        EXPECT_EQ(m_op.Texts(), std::vector<std::string>{});
        EXPECT_EQ(m_op.dialogTitles, std::vector<std::string>{File("BACKUP").string()});
        EXPECT_EQ(Snapshot(), backedUp);
        EXPECT_EQ(session.State(), Session::RegisterState::Open);
        EXPECT_EQ(session.Register().CountRecords(), 3u);
        EXPECT_EQ(session.Config().OrgLearners[0], 3);
        EXPECT_TRUE(session.DetailsAvailable());
        EXPECT_FALSE(session.Details().FindDoc("П.40.05.1234567").has_value());
        fs::rename(chosen, ArchivePath());
    }
    // Nothing of the unpacking is left behind; SysInfo.txt comes along.
    for (const auto& entry : fs::directory_iterator(Dir())) {
        EXPECT_NE(entry.path().filename().string().rfind(".restore-", 0), 0u);
    }
    EXPECT_TRUE(Exists("SysInfo.txt"));
}

TEST_F(Backup, SysInfoDescribesTheProgramAndTheSystem) {
    Install(1);
    WriteFile(File("vrklad"), "program");
    Session& session = Start();
    MakeBackup(session);
    const std::string text = ReadFile(File("BACKUP") / "SysInfo.txt");
    const std::string path = File("vrklad").string();
    // cp1251, CR LF: "от" is 0xEE 0xF2.
    EXPECT_EQ(text.rfind(std::string("Ver.") + VRKLAD_VERSION + " \xEE\xF2 ", 0), 0u) << text;
    EXPECT_NE(text.find("\r\nSetup directory: \"" + path + "\"\r\n"), std::string::npos) << text;
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 3);
}

TEST_F(Backup, TwoBackupsInOneMinuteShareTheArchive) {
    Install(2);
    Session& session = Start();
    MakeBackup(session);
    ASSERT_EQ(session.Register().Append(Record(123, 45)), RegisterFile::AppendResult::Ok);
    SetNowForTesting(LocalDateTime{2024, 3, 1, 10, 0, 59});
    MakeBackup(session);

    // One member of each name, the second backup's.
    EXPECT_EQ(Members(ArchivePath()),
              (std::multiset<std::string>{kRegister, "vrklad.cnf", "SysInfo.txt"}));
    const auto second = Snapshot();
    ASSERT_EQ(session.Register().Append(Record(123, 45)), RegisterFile::AppendResult::Ok);
    EXPECT_TRUE(Restore(session, ArchivePath()));
    EXPECT_EQ(Snapshot(), second);
    EXPECT_EQ(session.Register().CountRecords(), 3u);

    // A minute later comes a new archive.
    SetNowForTesting(LocalDateTime{2024, 3, 1, 10, 1, 0});
    m_op.shown.clear();
    EXPECT_TRUE(CreateBackup(session, m_op, File("vrklad")));
    EXPECT_TRUE(Exists("BACKUP/VRKLAD_2024-03-01_10-01.BKP"));
}

TEST_F(Backup, RestoreOfAnotherOrganizationsBackupOpensItsRegister) {
    // The other organization's installation makes a backup.
    TempDir other;
    std::string otherRegister;
    WriteFile(other / "VR_KLAD.INI", "[Options]\r\nTypeOrganization=1\r\n");
    ProgramConfig otherConfig = SchoolConfig();
    otherConfig.OrgOKPO[0] = 555;
    otherConfig.OrgAgency[0] = otherConfig.OwnAgency = 7;
    WriteFile(other / "vrklad.cnf", ConfigBytes(otherConfig));
    {
        RegisterFile file;
        ASSERT_EQ(file.Create(other / "555.sch"), RegisterFile::OpenResult::Ok);
        for (int i = 0; i < 2; ++i) file.Append(Record(555, 7));
    }
    {
        Session otherSession(other.Dir());
        ASSERT_EQ(otherSession.Startup(m_op), Session::StartupResult::Ready);
        ASSERT_TRUE(CreateBackup(otherSession, m_op, other / "vrklad"));
        otherRegister = ReadFile(other / "555.sch");
    }

    Install(3);
    Session& session = Start();
    const std::string ownRegister = ReadFile(File(kRegister));
    EXPECT_TRUE(Restore(session, other / "BACKUP" / kArchive));
    EXPECT_EQ(m_op.Texts(), std::vector<std::string>{});
    EXPECT_EQ(session.RegisterName(), "555.sch");
    EXPECT_EQ(session.Register().Path(), File("555.sch"));
    EXPECT_EQ(session.Config().OrgOKPO[0], 555);
    EXPECT_EQ(session.Register().CountRecords(), 2u);
    EXPECT_EQ(ReadFile(File("555.sch")), otherRegister);
    // The organization's own register stays where it was.
    EXPECT_EQ(ReadFile(File(kRegister)), ownRegister);
}

TEST_F(Backup, RestoredConfigurationWithoutItsRegisterRestrictsTheMenu) {
    Install(3);
    Session& session = Start();
    ProgramConfig config = SchoolConfig();
    config.OrgOKPO[0] = 777;
    MakeArchive(File("only-config.bkp"), {{"vrklad.cnf", ConfigBytes(config)}});

    EXPECT_TRUE(Restore(session, File("only-config.bkp")));
    EXPECT_EQ(m_op.Texts(), std::vector<std::string>{kMissing});
    EXPECT_EQ(session.State(), Session::RegisterState::Missing);
    EXPECT_FALSE(session.Menu().MenuButtonSave);
    EXPECT_TRUE(session.Menu().MenuButtonRestore);
    EXPECT_EQ(ReadFile(File("vrklad.cnf")), ConfigBytes(config));
}

TEST_F(Backup, RestoreTakesMembersInAnyCaseAndIgnoresStrangers) {
    Install(1);
    Session& session = Start();
    const std::string ini = ReadFile(File("VR_KLAD.INI"));
    std::string records;
    for (int i = 0; i < 4; ++i) {
        const StudentRecord r = Record(123, 45);
        records.append(reinterpret_cast<const char*>(&r), sizeof r);
    }
    MakeArchive(File("upper.bkp"), {{"VRKLAD.CNF", ConfigBytes(SchoolConfig())},
                                    {"123.SCH", records},
                                    {"VR_KLAD.INI", "[Options]\r\nTypeOrganization=3\r\n"},
                                    {"run.sh", "#!/bin/sh\n"}});

    EXPECT_TRUE(Restore(session, File("upper.bkp")));
    EXPECT_EQ(m_op.Texts(), std::vector<std::string>{});
    EXPECT_EQ(ReadFile(File(kRegister)), records);
    EXPECT_EQ(session.Register().CountRecords(), 4u);
    EXPECT_EQ(ReadFile(File("VR_KLAD.INI")), ini);
    for (const char* stranger : {"run.sh", "123.SCH", "VRKLAD.CNF"}) {
        EXPECT_FALSE(Exists(stranger)) << stranger;
    }
}

TEST_F(Backup, FailingArchiverLeavesEveryFileAsItWas) {
    Install(3);
    MakeDetails();
    Session& session = Start();
    MakeBackup(session);
    ChangeEverything(session);
    InstallFailingArchiver();
    const auto before = Snapshot();

    // A backup that fails says so, and the files are open again.
    EXPECT_FALSE(CreateBackup(session, m_op, File("vrklad")));
    EXPECT_EQ(m_op.Texts(), std::vector<std::string>{"Ошибка создания файла резервной копии"});
    EXPECT_TRUE(session.RegisterUsable());
    EXPECT_TRUE(session.DetailsAvailable());
    // The files were brought to rest: the counts and the seal are new.
    EXPECT_EQ(session.Config().RecordCount, 4);
    m_op.shown.clear();

    const auto rested = Snapshot();
    EXPECT_NE(rested, before);
    EXPECT_FALSE(Restore(session, ArchivePath()));
    ASSERT_EQ(m_op.shown.size(), 1u);
    EXPECT_EQ(m_op.shown[0].icon, Operator::Icon::Error);
    EXPECT_NE(m_op.shown[0].text.find("не выполнено"), std::string::npos) << m_op.shown[0].text;
    EXPECT_EQ(Snapshot(), rested);
    EXPECT_TRUE(session.RegisterUsable());
    EXPECT_EQ(session.Register().CountRecords(), 4u);
}

TEST_F(Backup, DamagedOrForeignBackupLeavesEveryFileAsItWas) {
    Install(3);
    MakeDetails();
    Session& session = Start();
    MakeBackup(session);
    const std::string archive = ReadFile(ArchivePath());

    struct Case {
        const char* name;
        std::function<void(const fs::path&)> make;
    };
    const std::vector<Case> cases = {
        {"cut short",
         [&](const fs::path& p) { WriteFile(p, archive.substr(0, archive.size() / 2)); }},
        {"a member's data changed",
         [&](const fs::path& p) {
             // Mid-archive: the last bytes of a member's packed data may be
             // padding bits that decode the same.
             std::string bytes = archive;
             bytes[bytes.size() / 2] = static_cast<char>(bytes[bytes.size() / 2] ^ 0x5A);
             WriteFile(p, bytes);
         }},
        {"not an archive", [](const fs::path& p) { WriteFile(p, "just text\r\n"); }},
        {"missing", [](const fs::path&) {}},
        {"no configuration",
         [](const fs::path& p) {
             MakeArchive(p, {{"123.sch", std::string(192, '\0')}});
         }},
        {"configuration of another size",
         [](const fs::path& p) {
             MakeArchive(p, {{"vrklad.cnf", std::string(818, '\1')}});
         }},
        {"configuration without a register name",
         [](const fs::path& p) {
             MakeArchive(p, {{"vrklad.cnf", ConfigBytes(EmptyConfig())}});
         }},
    };
    ChangeEverything(session);
    const auto before = Snapshot();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const fs::path path =
            File(std::string("bad-") + std::to_string(&c - cases.data()) + ".bkp");
        c.make(path);
        m_op.shown.clear();
        EXPECT_FALSE(Restore(session, path));
        ASSERT_EQ(m_op.shown.size(), 1u);
        EXPECT_NE(m_op.shown[0].text.find("Файл данных и файл конфигурации не изменены."),
                  std::string::npos)
            << m_op.shown[0].text;
        EXPECT_EQ(Snapshot(), before);
        EXPECT_TRUE(session.RegisterUsable());
        EXPECT_EQ(session.Register().CountRecords(), 4u);
        EXPECT_TRUE(session.DetailsAvailable());
    }
}

TEST_F(Backup, RestoreLeavesARegisterHeldByAnotherCopy) {
    Install(3);
    Session& session = Start();
    ProgramConfig otherConfig = SchoolConfig();
    otherConfig.OrgOKPO[0] = 555;
    MakeArchive(File("other.bkp"),
                {{"vrklad.cnf", ConfigBytes(otherConfig)}, {"555.sch", std::string(192, '\0')}});
    WriteFile(File("555.sch"), "held");
    RegisterFile held;
    ASSERT_EQ(held.Open(File("555.sch")), RegisterFile::OpenResult::Ok);
    const auto before = Snapshot();

    EXPECT_FALSE(Restore(session, File("other.bkp")));
    ASSERT_EQ(m_op.shown.size(), 1u);
    EXPECT_NE(m_op.shown[0].text.find("занят другой запущенной копией"), std::string::npos);
    EXPECT_EQ(Snapshot(), before);
    EXPECT_EQ(ReadFile(File("555.sch")), "held");
    EXPECT_EQ(session.RegisterName(), kRegister);
}

TEST_F(Backup, MissingBackupFolderThatCannotBeMadeStopsTheBackup) {
    Install(1);
    Session& session = Start();
    WriteFile(File("BACKUP"), "a file, not a folder");
    const auto before = Snapshot();
    EXPECT_FALSE(CreateBackup(session, m_op, File("vrklad")));
    ASSERT_EQ(m_op.shown.size(), 1u);
    EXPECT_EQ(m_op.shown[0].text,
              "Нет доступа к диску. Обратитесь к своему системному администратору");
    EXPECT_EQ(m_op.shown[0].buttons, Operator::Buttons::Yes);
    EXPECT_EQ(Snapshot(), before);
    EXPECT_TRUE(session.RegisterUsable());
}

TEST(BackupArchiveName, TwoDigitsEachButTheYear) {
    const struct {
        LocalDateTime moment;
        const char* name;
    } cases[] = {
        {{2019, 12, 9, 14, 5, 0}, "VRKLAD_2019-12-09_14-05.BKP"},
        {{2024, 1, 1, 0, 0, 59}, "VRKLAD_2024-01-01_00-00.BKP"},
        {{2030, 10, 31, 23, 59, 0}, "VRKLAD_2030-10-31_23-59.BKP"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(BackupArchiveName(c.moment), c.name);
    }
}

}  // namespace
}  // namespace vrklad::test
