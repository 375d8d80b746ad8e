#include "BenchFixture.h"

#include <sys/stat.h>

#include <cstdio>
#include <cstdlib>
#include <map>
#include <stdexcept>

#include "details/CreateDetailsDatabase.h"
#include "details/DetailsStore.h"
#include "exchange/ExchangeFile.h"
#include "exchange/ProcessRecordFile.h"

namespace vrklad::bench {

namespace {

fs::path SchemaSql() { return fs::path(VRKLAD_SOURCE_DIR) / "db" / "Additional.sql"; }

// The temporary directory of this run, removed when the program ends.
class RunRoot {
public:
    RunRoot() {
        const char* base = std::getenv("VRKLAD_BENCH_DIR");
        std::string templ =
            (fs::path(base != nullptr && *base != 0 ? base : "/tmp") / "vrklad-bench-XXXXXX")
                .string();
        fs::create_directories(fs::path(templ).parent_path());
        if (mkdtemp(templ.data()) == nullptr) throw std::runtime_error("cannot make " + templ);
        m_path = templ;
    }
    ~RunRoot() {
        std::error_code ec;
        fs::remove_all(m_path, ec);
    }
    const fs::path& Path() const { return m_path; }

private:
    fs::path m_path;
};

RunRoot& Root() {
    static RunRoot root;
    return root;
}

void Check(bool ok, const std::string& error) {
    if (!ok) throw std::runtime_error(error);
}

constexpr const char* kFakeArchiver =
    "#!/bin/sh\n"
    "# Stands in for the archiver: \"a -e -2d -- ARCHIVE FILES...\" makes an empty ARCHIVE.\n"
    "[ \"$1\" = a ] && : > \"$5\"\n"
    "exit 0\n";

}  // namespace

Generated::Generated(uint32_t records)
    : gen(GeneratorOptions{records, 40, 1}),
      root(Root().Path() / std::to_string(records)),
      programDir(root / "pristine"),
      emptyDetails(root / "empty" / kDetailsFileName),
      table(root / "table" / "List.txt"),
      actDir(root / "incoming"),
      act(actDir / (std::to_string(gen.Organizations().front().okpo) + ".act")) {
    std::string error;
    for (const fs::path& dir :
         {programDir, emptyDetails.parent_path(), table.parent_path(), actDir}) {
        fs::create_directories(dir);
    }
    Check(WriteProgramDir(gen, programDir, SchemaSql(), error), error);
    Check(CreateDetailsDatabase(emptyDetails, SchemaSql(), &error), error);
    Check(WriteTable(gen, table, error), error);
    Check(WriteExchangeFile(act, gen.ChangedHalf(), error), error);
    Check(WriteDetailsDatabase(gen, actDir / kDetailsFileName, SchemaSql(), records, error), error);
}

const Generated& GeneratedFor(uint32_t records) {
    static std::map<uint32_t, std::unique_ptr<Generated>> cache;
    auto& slot = cache[records];
    if (!slot) slot = std::make_unique<Generated>(records);
    return *slot;
}

WorkDir::WorkDir(const Generated& generated, const std::string& name)
    : m_generated(generated), m_path(generated.root / ("work-" + name)) {
    std::error_code ec;
    fs::remove_all(m_path, ec);
    fs::copy(generated.programDir, m_path, fs::copy_options::recursive);
    const fs::path arj = m_path / "arj";
    FILE* f = std::fopen(arj.c_str(), "wb");
    Check(f != nullptr, "cannot write " + arj.string());
    std::fputs(kFakeArchiver, f);
    std::fclose(f);
    ::chmod(arj.c_str(), 0755);
}

void WorkDir::Restore(const std::string& name) const { Put(m_generated.programDir / name, name); }

void WorkDir::Put(const fs::path& from, const std::string& name) const {
    fs::copy_file(from, m_path / name, fs::copy_options::overwrite_existing);
}

int RegisterSized(const char* name, void (*fn)(benchmark::State&), bool manual) {
    struct Size {
        int records;
        int iterations;
    };
    for (const Size size : {Size{1024, 10}, Size{8192, 5}, Size{65535, 3}}) {
        auto* b = benchmark::RegisterBenchmark(name, fn)->Arg(size.records);
        b->Unit(benchmark::kMillisecond);
        if (manual) b->UseManualTime()->Iterations(size.iterations);
    }
    return 0;
}

bool Failed(benchmark::State& state, const BenchOperator& op) {
    if (op.problems.empty()) return false;
    state.SkipWithError(op.Problems().c_str());
    return true;
}

}  // namespace vrklad::bench
