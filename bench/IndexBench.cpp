// The rebuild of both lookup indexes (by document and by SNILS) from the
// open register, as every matching operation starts.

#include "BenchFixture.h"
#include "exchange/RegisterIndexes.h"
#include "register/RegisterFile.h"

namespace vrklad::bench {
namespace {

void IndexRebuild(benchmark::State& state) {
    const Generated& g = GeneratedFor(static_cast<uint32_t>(state.range(0)));
    const WorkDir work(g, "indexes");
    RegisterFile reg;
    if (reg.Open(work.Path() / kRegisterName) != RegisterFile::OpenResult::Ok) {
        state.SkipWithError("the register does not open");
        return;
    }
    // Owned by the session for the whole run, like in the program.
    auto indexes = std::make_unique<RegisterIndexes>();
    for (auto _ : state) {
        indexes->Rebuild(reg);
        benchmark::DoNotOptimize(indexes->docs.LongestProbe());
    }
    if (!indexes->docs.Lookup(g.gen.Records().back().DOC, g.gen.Records().back().DOC)) {
        state.SkipWithError("the last record is not in the index");
    }
}

const int kIndexRebuild = RegisterSized("index_rebuild", IndexRebuild, false);

}  // namespace
}  // namespace vrklad::bench
