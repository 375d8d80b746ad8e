// The two exports to the transport operator, without the archiver: the
// stand-in "arj" of the working ProgramDir makes an empty archive, and the
// operator declines the move to removable media.

#include <vector>

#include "BenchFixture.h"
#include "exchange/ActualExport.h"
#include "exchange/CorrectionsExport.h"
#include "exchange/ExchangeFile.h"
#include "exchange/ExchangeNames.h"
#include "exchange/RegisterIndexes.h"
#include "register/Clock.h"
#include "register/ProgramConfig.h"
#include "register/RegisterFile.h"

namespace vrklad::bench {
namespace {

// Every current record into Export/R_N.act with its protocol.
void ActualExport(benchmark::State& state) {
    const auto n = static_cast<uint32_t>(state.range(0));
    const Generated& g = GeneratedFor(n);
    const WorkDir work(g, "actual");
    RegisterFile reg;
    reg.Open(work.Path() / kRegisterName);
    ConfigFile config;
    config.Load(work.Path());
    for (auto _ : state) {
        BenchOperator op;
        op.answers = {Operator::Answer::Yes, Operator::Answer::No};
        const ExportResult result = ExportActual(work.ProgramDir(), reg, config, op);
        if (Failed(state, op)) break;
        if (result.stop != ExportStop::NotMoved || result.records != n) {
            state.SkipWithError("the export did not write every record");
            break;
        }
    }
}

// The exchange day: the last exchange was today, every record was changed
// today, and the pending corrections file already holds the first half of
// them as they are now (sent this morning). Each record must be looked for
// among the pending ones; the second half is added.
void CorrectionsSameDay(benchmark::State& state) {
    const auto n = static_cast<uint32_t>(state.range(0));
    const Generated& g = GeneratedFor(n);
    const WorkDir work(g, "corrections");

    std::vector<StudentRecord> records = g.gen.Records();
    for (StudentRecord& r : records) r.ChangeDate = Today();
    std::string error;
    if (!WriteExchangeFile(work.Path() / kRegisterName, records, error)) {
        state.SkipWithError(error.c_str());
        return;
    }
    ConfigFile config;
    config.Load(work.Path());
    config.Data().LastExchangeDate = Today();
    config.Save();
    const std::string pendingName = CorrectionsFileName(config.Data());
    const fs::path pending = g.root / ("pending-" + pendingName);
    records.resize(n / 2);
    if (!WriteExchangeFile(pending, records, error)) {
        state.SkipWithError(error.c_str());
        return;
    }

    RegisterFile reg;
    reg.Open(work.Path() / kRegisterName);
    auto indexes = std::make_unique<RegisterIndexes>();
    const fs::path exportDir = ExportDirOf(work.ProgramDir());
    for (auto _ : state) {
        work.Put(pending, std::string(kExportDir) + "/" + pendingName);
        std::error_code ec;
        fs::remove_all(ExportArchiveDirOf(work.ProgramDir()), ec);
        for (const auto& entry : fs::directory_iterator(exportDir)) {
            if (entry.path().extension() == ".ARJ") fs::remove(entry.path(), ec);
        }
        BenchOperator op;
        op.answers = {Operator::Answer::Yes, Operator::Answer::No};

        ExportResult result;
        state.SetIterationTime(Seconds(
            [&] { result = ExportCorrections(work.ProgramDir(), reg, config, *indexes, op); }));
        if (Failed(state, op)) break;
        if (result.stop != ExportStop::NotMoved || result.added != n - n / 2 ||
            result.records != n) {
            state.SkipWithError("the export did not add the second half");
            break;
        }
    }
}

const int kActualExport = RegisterSized("actual_export", ActualExport, false);
const int kCorrectionsSameDay = RegisterSized("corrections_same_day", CorrectionsSameDay, true);

}  // namespace
}  // namespace vrklad::bench
