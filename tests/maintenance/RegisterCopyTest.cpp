#include <algorithm>
#include <cstring>

#include "maintenance/OrgSessionFixture.h"
#include "maintenance/RegisterCopy.h"

namespace vrklad::test {
namespace {

namespace fs = std::filesystem;

constexpr const char* kTitle = "Выберете каталог, в который будут выгружены данные";
constexpr const char* kQuestion = "Добавить файлы программы в каталог с БД?";

class RegisterCopy : public OrgSessionFixture {
protected:
    // A district office: 120 learners of OKPO 111 (agency 7) between
    // learners of another organization and a deleted one.
    void StartDistrict() {
        ProgramConfig config = DistrictConfig();
        config.OrgCount = 2;
        config.OrgOKPO[0] = 222;
        config.OrgAgency[0] = 2;
        config.OrgOKPO[1] = 111;
        config.OrgAgency[1] = 7;
        std::vector<StudentRecord> records{Learner(222, 2), Learner(111, 7, 5, 0, Deleted)};
        for (int i = 0; i < 120; ++i) {
            StudentRecord r = Learner(111, 7, static_cast<uint8_t>(1 + i % 11));
            r.SNILS = 1000 + i;
            records.push_back(r);
            if (i % 40 == 0) records.push_back(Learner(222, 2));
        }
        Start(config, records, 0);
    }

    // The learners of 111 as the list shows them, in a list order other
    // than the register's.
    std::vector<uint16_t> ListRows() const {
        std::vector<uint16_t> rows = OrganizationRows(m_session.Register(), 111);
        std::reverse(rows.begin(), rows.end());
        return rows;
    }

    void WriteProgramFiles() {
        WriteFile(File("vrklad"), "the program");
        WriteFile(File("arj"), "the archiver");
        WriteFile(File("AlterVelum.asz"), "the skin");
    }

    std::string Target(const std::string& name) const { return ReadFile(m_target / name); }
    bool InTarget(const std::string& name) const { return fs::exists(m_target / name); }

    TempDir m_targetDir;
    fs::path m_target = m_targetDir.Dir();
};

TEST_F(RegisterCopy, OrganizationRowsAreWhatTheListShowsForIt) {
    Start(DistrictConfig(),
          {Learner(111, 7), Learner(222, 2), Learner(111, 7, 5, 0, Deleted), Learner(0, 0),
           Learner(99999999, 9), Learner(111, 7, 5, 0, 0x0804), Learner(111, 7, 5, 0, OrgChanged)});
    EXPECT_EQ(OrganizationRows(m_session.Register(), 111), (std::vector<uint16_t>{0, 3, 4, 6}));
}

TEST_F(RegisterCopy, CopyOf120LearnersIsAnInstallationOfItsOwn) {
    StartDistrict();
    WriteProgramFiles();
    const std::vector<uint16_t> rows = ListRows();
    ASSERT_EQ(rows.size(), 120u);
    m_op.folders = {m_target.string()};
    m_op.answers = {Operator::Answer::Yes};

    EXPECT_TRUE(WriteRegisterCopy(m_session, m_op, rows, 111, File("vrklad")));

    EXPECT_EQ(m_op.dialogTitles, std::vector<std::string>{kTitle});
    ASSERT_EQ(m_op.shown.size(), 1u);
    EXPECT_EQ(m_op.shown[0].text, kQuestion);
    EXPECT_EQ(m_op.shown[0].icon, Operator::Icon::None);
    EXPECT_EQ(m_op.shown[0].buttons, Operator::Buttons::YesNo);

    // The records, unchanged and in list order, then the trailer of the name.
    const std::string copy = Target("111.sch");
    ASSERT_EQ(copy.size(), 120 * kRecordSize + 6);
    for (size_t i = 0; i < rows.size(); ++i) {
        StudentRecord expected;
        ASSERT_TRUE(m_session.Register().Read(rows[i], expected));
        EXPECT_EQ(copy.substr(i * kRecordSize, kRecordSize),
                  std::string(reinterpret_cast<const char*>(&expected), kRecordSize));
    }
    RegisterFile sealed;
    ASSERT_EQ(sealed.Open(m_target / "111.sch"), RegisterFile::OpenResult::Ok);
    EXPECT_TRUE(VerifyRegister(sealed, "111.sch"));

    ProgramConfig expected = EmptyConfig();
    expected.OrgType = 1;
    expected.OrgCount = 1;
    expected.OrgOKPO[0] = 111;
    expected.OrgLearners[0] = 120;
    expected.OrgAgency[0] = 7;
    expected.LastExchangeDate = RecordDate{2024, 2, 29};
    expected.OwnAgency = 7;
    expected.RecordCount = 120;
    expected.TotalLearners = 120;
    EXPECT_EQ(Target("vrklad.cnf"),
              std::string(reinterpret_cast<const char*>(&expected), sizeof expected));

    EXPECT_EQ(Target("vrklad"), "the program");
    EXPECT_EQ(Target("arj"), "the archiver");
    EXPECT_EQ(Target("AlterVelum.asz"), "the skin");
    EXPECT_EQ(Target("VR_KLAD.INI"), ReadFile(File("VR_KLAD.INI")));
}

TEST_F(RegisterCopy, ProgramFilesAreCopiedOnRequestOnly) {
    const struct {
        const char* name;
        Operator::Answer answer;
        bool optionalPresent;  // "arj" and the skin lie in ProgramDir
        std::vector<std::string> copied;
    } cases[] = {
        {"answered No", Operator::Answer::No, true, {}},
        {"all present", Operator::Answer::Yes, true, {"vrklad", "arj", "AlterVelum.asz"}},
        {"archiver and skin absent", Operator::Answer::Yes, false, {"vrklad"}},
    };
    StartDistrict();
    const std::vector<uint16_t> rows = ListRows();
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TempDir target;
        // The directory's own settings file is kept.
        WriteFile(target / "VR_KLAD.INI", "its own settings");
        WriteProgramFiles();
        if (!c.optionalPresent) {
            fs::remove(File("arj"));
            fs::remove(File("AlterVelum.asz"));
        }
        m_op.shown.clear();
        m_op.folders = {target.Dir().string()};
        m_op.answers = {c.answer};

        EXPECT_TRUE(WriteRegisterCopy(m_session, m_op, rows, 111, File("vrklad")));

        EXPECT_EQ(m_op.Texts(), std::vector<std::string>{kQuestion});
        std::vector<std::string> present;
        for (const char* name : {"vrklad", "arj", "AlterVelum.asz"}) {
            if (fs::exists(target / name)) present.push_back(name);
        }
        EXPECT_EQ(present, c.copied);
        EXPECT_EQ(ReadFile(target / "VR_KLAD.INI"), "its own settings");
        EXPECT_TRUE(fs::exists(target / "111.sch"));
    }
}

TEST_F(RegisterCopy, NothingIsWrittenWhenRefusedOrCancelled) {
    const struct {
        const char* name;
        bool emptyList;
        std::optional<std::string> folder;  // "" stands for ProgramDir
        std::vector<std::string> texts;
    } cases[] = {
        {"folder dialog cancelled", false, std::nullopt, {}},
        {"empty list", true, std::string("target"), {"Список учащихся пуст: выгружать нечего."}},
        {"the program's own directory",
         false,
         std::string(""),
         {"Выгрузка в каталог программы невозможна: файл конфигурации vrklad.cnf этой установки "
          "был бы заменён. Выберите другой каталог."}},
    };
    StartDistrict();
    const std::string ownConfig = ReadFile(File("vrklad.cnf"));
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        m_op.shown.clear();
        m_op.dialogTitles.clear();
        m_op.folders = {c.folder ? (c.folder->empty() ? Dir().string() : m_target.string())
                                 : std::optional<std::string>{}};
        m_op.answers = {Operator::Answer::Yes};
        EXPECT_FALSE(WriteRegisterCopy(m_session, m_op,
                                       c.emptyList ? std::vector<uint16_t>{} : ListRows(), 111,
                                       File("vrklad")));
        EXPECT_EQ(m_op.Texts(), c.texts);
        EXPECT_EQ(m_op.dialogTitles.size(), c.emptyList ? 0u : 1u);
        EXPECT_TRUE(fs::is_empty(m_target));
        EXPECT_FALSE(Exists("111.sch"));
        EXPECT_EQ(ReadFile(File("vrklad.cnf")), ownConfig);
    }
}

TEST_F(RegisterCopy, BatchCopyMakesItsDirectoryAndAsksNothing) {
    StartDistrict();
    WriteProgramFiles();
    const fs::path dir = m_target / "a" / "b";

    EXPECT_TRUE(WriteRegisterCopy(m_session, m_op, ListRows(), 111, dir, true, File("vrklad")));

    EXPECT_TRUE(m_op.shown.empty());
    EXPECT_TRUE(m_op.dialogTitles.empty());
    EXPECT_EQ(fs::file_size(dir / "111.sch"), 120 * kRecordSize + 6);
    EXPECT_EQ(fs::file_size(dir / "vrklad.cnf"), sizeof(ProgramConfig));
    EXPECT_EQ(ReadFile(dir / "vrklad"), "the program");
}

}  // namespace
}  // namespace vrklad::test
