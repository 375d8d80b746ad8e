// Compaction ("Сжатие БД") of a register in which every tenth record was
// deleted before the last exchange: the kept records are written to the
// work file and then, through a flushed temporary file, over the register,
// which is reopened.

#include <vector>

#include "BenchFixture.h"
#include "exchange/ExchangeFile.h"
#include "maintenance/Compaction.h"
#include "register/ChangeCodes.h"
#include "register/RegisterFile.h"
#include "session/Session.h"

namespace vrklad::bench {
namespace {

void Compaction(benchmark::State& state) {
    const auto n = static_cast<uint32_t>(state.range(0));
    const Generated& g = GeneratedFor(n);
    const WorkDir work(g, "compaction");

    std::vector<StudentRecord> records = g.gen.Records();
    uint32_t deleted = 0;
    for (size_t i = 0; i < records.size(); i += 10, ++deleted) {
        StudentRecord& r = records[i];
        r.AllChanges |= r.LastChange;
        r.LastChange = Deleted;  // on the day it changed last, before the last exchange
    }
    // Sealed under the register's name, so that start-up finds it sound.
    const fs::path marked = g.root / ("marked-" + std::string(kRegisterName));
    std::string error;
    if (!WriteExchangeFile(work.Path() / kRegisterName, records, error)) {
        state.SkipWithError(error.c_str());
        return;
    }
    fs::copy_file(work.Path() / kRegisterName, marked, fs::copy_options::overwrite_existing);

    for (auto _ : state) {
        work.Put(marked, kRegisterName);
        BenchOperator op;
        Session session(work.Path());
        if (session.Startup(op) != Session::StartupResult::Ready) {
            state.SkipWithError(("start-up did not finish: " + op.Problems()).c_str());
            break;
        }
        CompactionResult result = CompactionResult::Failed;
        state.SetIterationTime(Seconds([&] { result = CompactRegister(session, op); }));
        if (Failed(state, op)) break;
        if (result != CompactionResult::Compacted ||
            session.Register().CountRecords() != n - deleted) {
            state.SkipWithError("compaction did not drop exactly the deleted records");
            break;
        }
    }
}

const int kCompaction = RegisterSized("compaction", Compaction, true);

}  // namespace
}  // namespace vrklad::bench
