#pragma once

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>

#include "BenchOperator.h"
#include "RegisterGenerator.h"

namespace vrklad::bench {

namespace fs = std::filesystem;

// The register's name in a district office of schools.
inline constexpr const char* kRegisterName = "SCHOOL.R_N";

// Everything generated once per size and run of the benchmark program, in a
// temporary directory ($VRKLAD_BENCH_DIR when set) removed at the end.
struct Generated {
    explicit Generated(uint32_t records);

    RegisterGenerator gen;
    fs::path root;
    fs::path programDir;    // the pristine ProgramDir (register, config, settings, details)
    fs::path emptyDetails;  // an empty details database
    fs::path table;         // the 15-column exchange table, in a directory of its own
    fs::path actDir;        // <first OKPO>.act with the sender's Additional.db
    fs::path act;
};

// The generated files for `records` learners, made on first use.
const Generated& GeneratedFor(uint32_t records);

// A working ProgramDir copied from the pristine one, with a stand-in for the
// archiver ("arj" in ProgramDir, which the program looks for first): it
// makes an empty archive and exits 0, so the exports run to their end
// without packing.
class WorkDir {
public:
    WorkDir(const Generated& generated, const std::string& name);

    const fs::path& Path() const { return m_path; }
    std::string ProgramDir() const { return m_path.string(); }
    // Puts the pristine copy of ProgramDir's file `name` back.
    void Restore(const std::string& name) const;
    // Copies any file into ProgramDir under `name`.
    void Put(const fs::path& from, const std::string& name) const;

private:
    const Generated& m_generated;
    fs::path m_path;
};

// Registers fn as "<name>/<records>" for 1,024, 8,192 and 65,535 records.
// With `manual`, fn reports the time of each iteration itself
// (SetIterationTime) and runs a fixed number of iterations, fewer for the
// larger registers: its per-iteration setup is not measured.
int RegisterSized(const char* name, void (*fn)(benchmark::State&), bool manual);

// Times one call for SetIterationTime.
template <typename F>
double Seconds(F&& f) {
    const auto start = std::chrono::steady_clock::now();
    f();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// Stops the benchmark with the problems the operator was shown, if any.
bool Failed(benchmark::State& state, const BenchOperator& op);

}  // namespace vrklad::bench
