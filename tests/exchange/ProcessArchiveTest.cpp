#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "exchange/IncomingFixtures.h"

namespace vrklad::test {
namespace {

constexpr uint32_t kSender = 87654321;
constexpr uint16_t kSenderAgency = 7;
constexpr uint32_t kOther = 11111111;

const std::string kCannotProcess = "Не возможно обработать указанный файл.";
const std::string kAskAdd =
    "Организация с таким кодом ОКПО отсутствует в файле данных.\nБез добавления организации "
    "дальнейшая обработка файла невозможна.Желаете добавить?.";

struct Member {
    std::string name;
    std::vector<StudentRecord> records = {};  // an exchange file, unless text is given
    std::string text = {};
    bool present = false;  // already made in the sender's directory
};

// ACTUAL.ARJ packed as the sending organization's export packs it.
fs::path MakeArchive(const Installation& inst, const std::vector<Member>& members) {
    const fs::path sender = inst.dir / "sender";
    fs::create_directories(sender);
    std::vector<std::string> files;
    for (const Member& m : members) {
        const fs::path path = sender / m.name;
        if (m.present) {
            // as it is
        } else if (m.text.empty()) {
            WriteExchangeFile(path, m.records);
        } else {
            WriteFile(path, m.text);
        }
        files.push_back(path.string());
    }
    const fs::path archive = sender / "ACTUAL.ARJ";
    const RunResult run = AddToArchive(inst.ProgramDir(), archive.string(), files);
    EXPECT_EQ(run.exitCode, 0) << run.output;
    return archive;
}

struct Shown {
    Operator::Icon icon;
    std::string text;
    friend bool operator==(const Shown&, const Shown&) = default;
};

std::vector<Shown> ShownOf(const ScriptedOperator& op) {
    std::vector<Shown> shown;
    for (const auto& s : op.shown) shown.push_back({s.icon, s.text});
    return shown;
}

bool HasOrg(const ProgramConfig& cfg, uint32_t okpo, uint16_t agency) {
    for (int i = 0; i < cfg.OrgCount; ++i) {
        if (cfg.OrgOKPO[i] == static_cast<int32_t>(okpo) && cfg.OrgAgency[i] == agency) {
            return true;
        }
    }
    return false;
}

// A district office takes in the archive of an organization it does not know
// yet: PRCSSD emptied, the organization added, its records, details and log.
TEST(ProcessArchive, DistrictOfficeAddsTheSenderAndTakesItsRecords) {
    Installation inst(Mode::District, {Pupil(100, kOther, 3)}, {{kOther, 3}}, true);
    inst.settings.TypeOrganization = 1;
    WriteExchangeFile(inst.Prcssd() / "00000001.act", {Pupil(50, 1, 1)});  // an earlier run's
    const fs::path sender = inst.dir / "sender";
    fs::create_directories(sender);
    MakeDetailsDatabase(sender, {{DocOf(1), SomeDetails("ОВД 1")}});
    fs::rename(sender / kDetailsFileName, sender / "ADDITIONAL.DB");
    const fs::path archive = MakeArchive(
        inst,
        {{"87654321.act", {Pupil(1, kSender, kSenderAgency), Pupil(2, kSender, kSenderAgency)}},
         {"Actual.log", {}, "\tПротокол от 05-03-2024 10:00:00\r\n"},
         {"ADDITIONAL.DB", {}, {}, true}});
    inst.op.answers = {Operator::Answer::Yes};

    const IncomingResult result = inst.Archive(archive);

    EXPECT_TRUE(result.completed);
    EXPECT_EQ(ShownOf(inst.op), (std::vector<Shown>{{Operator::Icon::Question, kAskAdd}}));
    EXPECT_EQ(inst.op.shown[0].buttons, Operator::Buttons::YesNo);
    EXPECT_FALSE(fs::exists(inst.Prcssd() / "00000001.act")) << "PRCSSD is emptied first";
    EXPECT_EQ(inst.op.viewed,
              (std::vector<std::string>{(inst.Prcssd() / "Actual.log").string(),
                                        (inst.Prcssd() / "87654321.txt").string()}));
    const IncomingCounters expected{2, 0, 0, 0, 0};
    EXPECT_EQ(result.counters, expected);
    EXPECT_EQ(inst.Protocol("87654321"), ExpectedProtocol("87654321", 2, {}, expected));
    EXPECT_EQ(inst.Records().size(), 3u);
    EXPECT_EQ(inst.details.FindDoc(DocOf(1)), SomeDetails("ОВД 1"));

    const ProgramConfig saved = inst.Saved();
    ASSERT_EQ(saved.OrgCount, 2);
    EXPECT_EQ(saved.OrgOKPO[1], static_cast<int32_t>(kSender));
    EXPECT_EQ(saved.OrgAgency[1], kSenderAgency);
    EXPECT_EQ(saved.OrgLearners[1], 2);
}

// The district office's checks of a sender it does not know yet.
TEST(ProcessArchive, DistrictOfficeChecksTheOrganizationItAdds) {
    struct Case {
        const char* what;
        std::vector<Installation::Org> orgs;
        uint8_t typeOrganization;
        Operator::Answer answer;
        std::vector<Shown> shown;
        bool completed;
    };
    std::vector<Installation::Org> rows99;
    for (int k = 0; k < 99; ++k) rows99.push_back({1000 + k, static_cast<uint16_t>(100 + k)});
    std::vector<Installation::Org> rows100 = rows99;
    rows100.push_back({2000, 300});
    const Shown ask = {Operator::Icon::Question, kAskAdd};
    const std::vector<Case> cases = {
        {"known organization",
         {{kOther, 3}, {kSender, kSenderAgency}},
         1,
         Operator::Answer::No,
         {},
         true},
        {"operator declines", {{kOther, 3}}, 1, Operator::Answer::No, {ask}, false},
        {"the 100th organization is still added", rows99, 1, Operator::Answer::Yes, {ask}, true},
        {"the 101st is refused",
         rows100,
         1,
         Operator::Answer::Yes,
         {ask,
          {Operator::Icon::Warning,
           "Превышено допустимое число организаций в файле. Удалите "
           "не нужные организации и попытайтесь снова."}},
         false},
        {"agency code held by another, told apart by agency code",
         {{kOther, kSenderAgency}},
         1,
         Operator::Answer::Yes,
         {ask,
          {Operator::Icon::Error,
           "В обрабатываемом файле указан агенский код, который числится за организацией "
           "11111111Уточните агенский код организации в Корвалене и выполните исправления."}},
         false},
        {"agency code held by another, told apart by OKPO",
         {{kOther, kSenderAgency}},
         0,
         Operator::Answer::Yes,
         {ask},
         true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        // One learner per organization, so that the recount keeps every row.
        std::vector<StudentRecord> records;
        for (size_t k = 0; k < c.orgs.size(); ++k) {
            records.push_back(Pupil(static_cast<uint32_t>(1000 + k),
                                    static_cast<uint32_t>(c.orgs[k].okpo), c.orgs[k].agency));
        }
        Installation inst(Mode::District, records, c.orgs);
        inst.settings.TypeOrganization = c.typeOrganization;
        inst.op.answers = {c.answer};
        const fs::path archive =
            MakeArchive(inst, {{"87654321.act", {Pupil(1, kSender, kSenderAgency)}}});
        const std::string configBefore = ReadFile(inst.dir / ConfigFile::kFileName);

        const IncomingResult result = inst.Archive(archive);

        EXPECT_EQ(result.completed, c.completed);
        EXPECT_EQ(ShownOf(inst.op), c.shown);
        if (c.completed) {
            EXPECT_EQ(inst.Records().size(), records.size() + 1);
            const ProgramConfig saved = inst.Saved();
            EXPECT_EQ(saved.OrgCount, c.orgs.size() + (c.shown.empty() ? 0 : 1));
            EXPECT_TRUE(HasOrg(saved, kSender, kSenderAgency));
        } else {
            EXPECT_EQ(inst.Records().size(), records.size());
            EXPECT_EQ(ReadFile(inst.dir / ConfigFile::kFileName), configBefore);
            EXPECT_EQ(inst.config.Data().OrgCount, c.orgs.size());
            EXPECT_FALSE(fs::exists(inst.Prcssd() / "87654321.txt"));
        }
    }
}

// Archives that are refused before anything changes.
TEST(ProcessArchive, RefusesArchivesItCannotProcess) {
    struct Case {
        const char* what;
        Mode mode;
        std::vector<Member> members;  // empty: not an archive at all
        std::vector<Shown> shown;
    };
    const std::vector<StudentRecord> one = {Pupil(1, kSender, kSenderAgency)};
    const std::vector<Case> cases = {
        {"no .act file",
         Mode::District,
         {{"Actual.log", {}, "log\r\n"}},
         {{Operator::Icon::Warning, kCannotProcess}}},
        {"not an archive", Mode::District, {}, {{Operator::Icon::Warning, kCannotProcess}}},
        {"name not digits",
         Mode::District,
         {{"R_N.act", one}},
         {{Operator::Icon::Warning, kCannotProcess}}},
        {"OKPO past 32 bits",
         Mode::District,
         {{"99999999999.act", one}},
         {{Operator::Icon::Warning,
           "Код ОКПО \"99999999999\" в имени файла слишком велик. Обработка файла не возможна."}}},
        {"a university's file of another OKPO",
         Mode::University,
         {{"87654321.act", one}},
         {{Operator::Icon::Warning,
           "Обрабатываемый файл имеет другой код ОКПО. Обработка не возможна. "}}},
        {"organization added, record file refused",
         Mode::District,
         {{"12.act.act", one}},
         {{Operator::Icon::Question, kAskAdd},
          {Operator::Icon::Warning,
           "Имя файла \"12.act\" не является кодом ОКПО организации. "
           "Обработка файла не возможна."}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const std::vector<StudentRecord> records = {Pupil(1, kOther, 3)};
        Installation inst(c.mode, records, {{kOther, 3}});
        inst.op.answers = {Operator::Answer::Yes};
        fs::path archive;
        if (c.members.empty()) {
            archive = inst.dir / "ACTUAL.ARJ";
            WriteFile(archive, "not an archive");
        } else {
            archive = MakeArchive(inst, c.members);
        }
        const ProgramConfig before = inst.config.Data();
        const std::string configBefore = ReadFile(inst.dir / ConfigFile::kFileName);

        const IncomingResult result = inst.Archive(archive);

        EXPECT_FALSE(result.completed);
        EXPECT_EQ(ShownOf(inst.op), c.shown);
        EXPECT_TRUE(inst.op.viewed.empty());
        EXPECT_EQ(inst.Records().size(), records.size());
        EXPECT_EQ(std::memcmp(&inst.config.Data(), &before, sizeof before), 0);
        EXPECT_EQ(ReadFile(inst.dir / ConfigFile::kFileName), configBefore);
    }
}

// An archive picked in PRCSSD itself is not lost with the files emptied there.
TEST(ProcessArchive, ArchiveInsideTheWorkingDirectoryIsKept) {
    Installation inst(Mode::District, {}, {{kSender, kSenderAgency}});
    const fs::path made = MakeArchive(inst, {{"87654321.act", {Pupil(1, kSender, kSenderAgency)}}});
    const fs::path archive = inst.Prcssd() / "ACTUAL.ARJ";
    fs::rename(made, archive);
    const std::string bytes = ReadFile(archive);

    const IncomingResult result = inst.Archive(archive);

    EXPECT_TRUE(result.completed);
    EXPECT_EQ(result.counters.added, 1u);
    EXPECT_EQ(ReadFile(archive), bytes);
    EXPECT_FALSE(fs::exists(inst.dir / "~ACTUAL.ARJ"));
}

// A university takes its faculty's file of its own OKPO; outside district
// mode nothing of the register is deleted.
TEST(ProcessArchive, UniversityTakesItsOwnOkpoWithoutDeletion) {
    const StudentRecord kept = Pupil(3, kOwnOkpo, kOwnAgency);
    Installation inst(Mode::University, {kept});
    const fs::path archive =
        MakeArchive(inst, {{"12345678.act", {Pupil(1, kOwnOkpo, kOwnAgency)}}});

    const IncomingResult result = inst.Archive(archive);

    EXPECT_TRUE(result.completed);
    EXPECT_TRUE(inst.op.shown.empty());
    EXPECT_EQ(result.counters, (IncomingCounters{1, 0, 0, 0, 0}));
    const std::vector<StudentRecord> after = inst.Records();
    ASSERT_EQ(after.size(), 2u);
    EXPECT_TRUE(SameBytes(after[0], kept));
}

// Of several ".act" files, letter case aside, the first by name is taken.
TEST(ProcessArchive, TakesTheFirstActFileByName) {
    Installation inst(Mode::District, {}, {{kOther, 3}, {kSender, kSenderAgency}});
    const fs::path archive =
        MakeArchive(inst, {{"87654321.act", {Pupil(1, kSender, kSenderAgency)}},
                           {"11111111.ACT", {Pupil(2, kOther, 3)}}});

    const IncomingResult result = inst.Archive(archive);

    EXPECT_TRUE(result.completed);
    EXPECT_EQ(result.protocol, inst.Prcssd() / "11111111.txt");
    EXPECT_FALSE(fs::exists(inst.Prcssd() / "87654321.txt"));
    ASSERT_EQ(inst.Records().size(), 1u);
    EXPECT_EQ(inst.Records()[0].OKPO, kOther);
}

}  // namespace
}  // namespace vrklad::test
