// Processing a ".act" file (as the district office gets it from an
// organization's archive, already unpacked into PRCSSD with the sender's
// details database) into a register of the same size: every record of the
// file matches a register record; every other one was changed by the sender
// today (an update, with its details copied), the rest are the same.

#include "BenchFixture.h"
#include "details/DetailsStore.h"
#include "exchange/ProcessRecordFile.h"
#include "exchange/RegisterIndexes.h"
#include "register/ProgramConfig.h"
#include "register/RegisterFile.h"
#include "register/SettingsIni.h"

namespace vrklad::bench {
namespace {

void ActMerge(benchmark::State& state) {
    const auto n = static_cast<uint32_t>(state.range(0));
    const Generated& g = GeneratedFor(n);
    const WorkDir work(g, "merge");
    const std::string incoming = std::string(kProcessedDir) + "/";
    work.Put(g.act, incoming + g.act.filename().string());
    work.Put(g.actDir / kDetailsFileName, incoming + kDetailsFileName);
    const fs::path act = work.Path() / kProcessedDir / g.act.filename();
    auto indexes = std::make_unique<RegisterIndexes>();

    for (auto _ : state) {
        work.Restore(kRegisterName);
        work.Restore(kDetailsFileName);
        work.Restore(ConfigFile::kFileName);
        BenchOperator op;
        Settings settings;
        ReadSettings(work.Path(), settings);
        ConfigFile config;
        config.Load(work.Path());
        RegisterFile reg;
        reg.Open(work.Path() / kRegisterName);
        DetailsStore details(op);
        details.Open(work.ProgramDir());

        IncomingResult result;
        state.SetIterationTime(Seconds([&] {
            result = ProcessRecordFile(act, work.ProgramDir(), reg, config, settings, details,
                                       *indexes, op);
        }));
        if (Failed(state, op)) break;
        const IncomingCounters expected{0, n - n / 2, 0, n / 2, 0};
        if (!result.completed || !(result.counters == expected)) {
            state.SkipWithError("the merge did not give the expected counts");
            break;
        }
    }
}

const int kActMerge = RegisterSized("act_merge", ActMerge, true);

}  // namespace
}  // namespace vrklad::bench
