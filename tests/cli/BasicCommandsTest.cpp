#include "cli/CliFixture.h"
#include "register/TextFile.h"

namespace vrklad::test {
namespace {

class InitCommand : public CliFixture {};

TEST_F(InitCommand, FirstStartInSingleModeTakesTheCodes) {
    WriteIni(3);
    const RecordDate before = DateOf(AddHours(Now(), -24));

    const CliRun run = Run({"init", "--okpo", "12345678", "--agency", "123"});

    const RecordDate after = DateOf(AddHours(Now(), -24));
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.err, "");
    ASSERT_TRUE(Exists("12345678.ptu"));
    EXPECT_EQ(std::filesystem::file_size(File("12345678.ptu")), 0u);
    const ProgramConfig config = ReadConfig();
    EXPECT_EQ(config.OrgType, 3);
    EXPECT_EQ(config.OrgCount, 1);
    EXPECT_EQ(config.OrgOKPO[0], 12345678);
    EXPECT_EQ(config.OrgAgency[0], 123);
    EXPECT_EQ(config.OwnAgency, 123);
    EXPECT_EQ(config.DistrictMode, 0);
    EXPECT_TRUE(config.LastExchangeDate == before || config.LastExchangeDate == after);
}

TEST_F(InitCommand, DistrictConfigurationNeedsNoCodes) {
    WriteIni(0);
    ProgramConfig config = EmptyConfig();
    config.DistrictMode = 1;
    WriteConfig(config);

    const CliRun run = Run({"init"});

    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_TRUE(Exists("SCHOOL.R_N"));
    EXPECT_EQ(ReadConfig().OrgType, 1);
    EXPECT_EQ(ReadConfig().DistrictMode, 1);
}

TEST_F(InitCommand, SingleModeWithoutCodesIsCancelled) {
    WriteIni(1);
    const CliRun run = Run({"init"});
    EXPECT_EQ(run.status, 1);
    EXPECT_TRUE(Has(run.err, "--okpo")) << run.err;
    EXPECT_EQ(ReadConfig().OrgType, 0);
    EXPECT_FALSE(Exists("0.sch"));
}

TEST_F(InitCommand, RefusedWhenTheInstallationIsConfigured) {
    Configure(2);
    const std::string registerBefore = ReadFile(File("123.sch"));
    const std::string configBefore = ReadFile(File("vrklad.cnf"));

    const CliRun run = Run({"init", "--okpo", "12345678", "--agency", "123"});

    EXPECT_EQ(run.status, 1);
    EXPECT_TRUE(Has(run.err, "Программа уже настроена (файл данных 123.sch)")) << run.err;
    EXPECT_EQ(ReadFile(File("123.sch")), registerBefore);
    EXPECT_EQ(ReadFile(File("vrklad.cnf")), configBefore);
    EXPECT_FALSE(Exists("12345678.sch"));
}

class CheckCommand : public CliFixture {};

TEST_F(CheckCommand, ExitStatusFollowsTheTrailer) {
    const std::string mismatch = "Контрольная сумма не совпадает с расчетной";
    const struct {
        const char* name;
        int records;
        const char* sealName;
        std::string tail;  // bytes put after the records instead of a seal
        int status;
    } cases[] = {
        {"sealed", 3, "123.sch", "", 0},
        {"empty", 0, "", "", 0},
        {"six bytes", 0, "", "\x01\x00\x02\x00\x00\x00", 0},
        {"sealed under another name", 3, "124.sch", "", 3},
        {"no trailer", 2, "", "", 3},
        {"zero seed", 1, "", std::string(6, '\0'), 3},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Configure(0);
        WriteRegister("123.sch", c.records, c.sealName);
        if (!c.tail.empty()) WriteFile(File("123.sch"), ReadFile(File("123.sch")) + c.tail);
        const std::string before = ReadFile(File("123.sch"));

        const CliRun run = Run({"check"});

        EXPECT_EQ(run.status, c.status);
        EXPECT_EQ(Has(run.err, mismatch), c.status == 3) << run.err;
        if (c.status == 3) {
            // The evidence is kept byte for byte.
            EXPECT_EQ(ReadFile(File("123.sch")), before);
        } else {
            EXPECT_TRUE(Has(run.out, "123.sch")) << run.out;
            RegisterFile reg;
            ASSERT_EQ(reg.Open(File("123.sch")), RegisterFile::OpenResult::Ok);
            EXPECT_TRUE(reg.FileSize() <= 6 || VerifyRegister(reg, "123.sch"));
        }
        EXPECT_EQ(ReadConfig().RecordCount, c.records);
    }
}

class ListCommand : public CliFixture {
protected:
    void SetUp() override {
        CliFixture::SetUp();
        WriteIni(1);
        WriteConfig(SchoolConfig());
        StudentRecord first = Record(123, 45);
        SetFieldText(first.DOC, "IV-АБ 123456");
        first.DBIRTH = {2010, 3, 5};
        first.KlassNumber = 7;
        first.KlassLetter = 0xC1;  // "Б"
        first.DATEEND = {2025, 6, 30};
        first.SNILS = 11223344595;
        first.PersSex = kSexFemale;
        StudentRecord deleted = Record(123, 45);
        deleted.LastChange = Deleted;
        StudentRecord hidden = Record(456, 46);
        hidden.LastChange = Deleted | FioChanged;  // hidden by the list's bit test
        StudentRecord other = Record(456, 46);
        SetFieldText(other.BILET, "77");
        other.KlassNumber = 1;
        RegisterFile reg;
        ASSERT_EQ(reg.Create(File("123.sch")), RegisterFile::OpenResult::Ok);
        for (const StudentRecord& r : {first, deleted, hidden, other}) reg.Append(r);
        SealRegister(reg, "123.sch");
    }

    const std::string m_header =
        "ORG;DOC;FIO;DBIRTH;BILET;KLASS;DATEEND;SNILS;PersSex;IssueDate;Issuer;IssuerCode;"
        "PlaceOfBirth;OLDDOC;OLDFIO\r\n";
    const std::string m_first = Utf8ToCp1251(
        "45;IV-АБ 123456;Петров Пётр Петрович;05.03.2010;;7-Б;30.06.2025;11223344595;Ж;;;;;;"
        "\r\n");
    const std::string m_other = Utf8ToCp1251("46;;Петров Пётр Петрович;00.00.0;77;1;00.00.0;0;") +
                                std::string(1, '\0') + ";;;;;;\r\n";
};

TEST_F(ListCommand, WritesTheActiveRecordsInRegisterOrder) {
    const struct {
        const char* name;
        std::vector<std::string> args;
        std::string expected;
    } cases[] = {
        {"all", {"list"}, m_header + m_first + m_other},
        {"one organization", {"list", "--okpo", "456"}, m_header + m_other},
        {"no such organization", {"list", "--okpo", "999"}, m_header},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const CliRun run = Run(c.args);
        EXPECT_EQ(run.status, 0) << run.err;
        EXPECT_EQ(run.out, c.expected);
        EXPECT_EQ(run.err, "");
    }
}

TEST_F(ListCommand, WritesTheFileGiven) {
    const std::filesystem::path out = m_io / "Список.txt";
    const CliRun run = Run({"list", "--out", out.string()});
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(ReadFile(out), m_header + m_first + m_other);
}

}  // namespace
}  // namespace vrklad::test
