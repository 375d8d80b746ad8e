#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "exchange/IncomingFile.h"
#include "exchange/IncomingFixtures.h"

namespace vrklad::test {
namespace {

ProgramConfig ConfigOf(uint8_t orgType, uint8_t districtMode) {
    ProgramConfig cfg = EmptyConfig();
    cfg.OrgType = orgType;
    cfg.DistrictMode = districtMode;
    cfg.OrgCount = 1;
    cfg.OrgOKPO[0] = 12345678;
    return cfg;
}

using Filters = std::vector<std::pair<std::string, std::string>>;

Filters FiltersOf(const ProgramConfig& cfg) {
    Filters out;
    for (const auto& f : LoadFileFilters(cfg)) out.emplace_back(f.description, f.pattern);
    return out;
}

TEST(LoadFileFilters, ByMode) {
    const std::pair<std::string, std::string> text = {"Текстовый файл с разделителями (txt,csv)",
                                                      "*.txt;*.csv"};
    const std::string other = "Импорт из файла другого учебного заведения";
    struct Case {
        const char* what;
        ProgramConfig cfg;
        Filters filters;
    };
    const std::vector<Case> cases = {
        {"district office",
         ConfigOf(1, 1),
         {{"Файл актуальных записей из уч. заведения ", "ACTUAL*.ARJ"}}},
        {"school", ConfigOf(1, 0), {text, {other, "*.sch"}}},
        {"technical college", ConfigOf(2, 0), {text, {other, "*.stu"}}},
        {"vocational school", ConfigOf(3, 0), {text, {other, "*.ptu"}}},
        {"university",
         ConfigOf(4, 0),
         {text, {"Файл актуальных записей с факутельтетов ", "ACTUAL*.ARJ"}}},
        {"not configured", ConfigOf(0, 0), {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(FiltersOf(c.cfg), c.filters);
    }
}

TEST(IncomingKindOf, ByExtensionInAnyLetterCase) {
    struct Case {
        ProgramConfig cfg;
        const char* path;
        IncomingKind kind;
    };
    const ProgramConfig school = ConfigOf(1, 0);
    const ProgramConfig district = ConfigOf(1, 1);
    const std::vector<Case> cases = {
        {school, "/in/ACTUAL.ARJ", IncomingKind::Archive},
        {school, "/in/actual.arj", IncomingKind::Archive},
        {school, "/in/Other.Arj", IncomingKind::Archive},
        {school, "/in/87654321.sch", IncomingKind::RecordFile},
        {school, "/in/87654321.SCH", IncomingKind::RecordFile},
        {school, "/in/87654321.stu", IncomingKind::Table},
        {school, "/in/87654321.act", IncomingKind::Table},
        {school, "/in/list.TXT", IncomingKind::Table},
        {school, "/in/list", IncomingKind::Table},
        {district, "/in/SCHOOL.r_n", IncomingKind::RecordFile},
        {district, "/in/87654321.sch", IncomingKind::Table},
        {ConfigOf(0, 0), "/in/list", IncomingKind::Table},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path);
        EXPECT_EQ(IncomingKindOf(c.path, c.cfg), c.kind);
    }
}

struct Dispatch {
    Installation inst{Mode::School};
    std::vector<fs::path> imported;

    IncomingResult Run(const fs::path& path, bool withImport = true) {
        ImportCallback import;
        if (withImport) {
            import = [this](const fs::path& p) { imported.push_back(p);
            IncomingResult r;
            r.completed = true;
            r.counters.added = 3;
            r.protocol = inst.dir / "ImpotrData.txt";
            return r;
        };
    }
    return ProcessIncomingFile(path, inst.ProgramDir(), inst.reg, inst.config, inst.settings,
                               inst.details, *inst.indexes, inst.op, import);
}
};  // namespace

TEST(ProcessIncomingFile, TablesGoToTheImport) {
    Dispatch d;
    const fs::path table = d.inst.dir / "list.CSV";
    const IncomingResult result = d.Run(table);
    EXPECT_EQ(d.imported, std::vector<fs::path>{table});
    EXPECT_TRUE(result.completed);
    EXPECT_EQ(result.counters.added, 3u);
    EXPECT_EQ(result.protocol, d.inst.dir / "ImpotrData.txt");

    EXPECT_FALSE(d.Run(table, false).completed) << "no import to call";
}

TEST(ProcessIncomingFile, RegisterFilesAndArchivesAreProcessedHere) {
    Dispatch d;
    const fs::path file = d.inst.dir / "in" / "87654321.Sch";
    fs::create_directories(file.parent_path());
    WriteExchangeFile(file, {Pupil(1, 87654321, 7)});

    const IncomingResult result = d.Run(file);
    EXPECT_TRUE(result.completed);
    EXPECT_EQ(result.counters.added, 1u);
    EXPECT_EQ(d.inst.Records().at(0).OKPO, kOwnOkpo) << "taken over for the own organization";

    const fs::path archive = d.inst.dir / "in" / "actual.arj";
    WriteFile(archive, "not an archive");
    EXPECT_FALSE(d.Run(archive).completed);
    EXPECT_EQ(d.inst.op.Texts(),
              std::vector<std::string>{"Не возможно обработать указанный файл."});
    EXPECT_TRUE(d.imported.empty());
}

}  // namespace vrklad::test
}  // namespace vrklad::test
