// The import of a semicolon-delimited text with all 15 columns, details
// included, into an empty register: every row is checked, added and its
// issue details written.

#include "BenchFixture.h"
#include "details/DetailsStore.h"
#include "exchange/ImportTable.h"
#include "exchange/RegisterIndexes.h"
#include "register/ProgramConfig.h"
#include "register/RegisterFile.h"
#include "register/SettingsIni.h"

namespace vrklad::bench {
namespace {

void ImportDetails(benchmark::State& state) {
    const auto n = static_cast<uint32_t>(state.range(0));
    const Generated& g = GeneratedFor(n);
    const WorkDir work(g, "import");
    auto indexes = std::make_unique<RegisterIndexes>();

    for (auto _ : state) {
        work.Put(g.emptyDetails, kDetailsFileName);
        work.Restore(ConfigFile::kFileName);
        BenchOperator op;
        Settings settings;
        ReadSettings(work.Path(), settings);
        ConfigFile config;
        config.Load(work.Path());
        RegisterFile reg;
        reg.Create(work.Path() / kRegisterName);
        DetailsStore details(op);
        details.Open(work.ProgramDir());

        ImportTableResult result;
        state.SetIterationTime(Seconds([&] {
            result = ImportTable(g.table, work.Path(), reg, config, settings,
                                 MaxKlassFor(config.Data().OrgType), details, *indexes, op);
        }));
        if (Failed(state, op)) break;
        if (!result.imported || result.added != n || result.erroneous != 0) {
            state.SkipWithError("the import did not add every row");
            break;
        }
    }
}

const int kImportDetails = RegisterSized("import_details", ImportDetails, true);

}  // namespace
}  // namespace vrklad::bench
