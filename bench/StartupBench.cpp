// Start-up: the settings, the configuration, the register opened with its
// exclusive lock and its checksum trailer verified.

#include "BenchFixture.h"
#include "register/Checksum.h"
#include "register/RegisterFile.h"
#include "session/Session.h"

namespace vrklad::bench {
namespace {

// The whole start-up sequence of the program on a configured ProgramDir.
void Startup(benchmark::State& state) {
    const Generated& g = GeneratedFor(static_cast<uint32_t>(state.range(0)));
    const WorkDir work(g, "startup");
    for (auto _ : state) {
        BenchOperator op;
        Session session(work.Path());
        if (session.Startup(op) != Session::StartupResult::Ready) {
            state.SkipWithError(("start-up did not finish: " + op.Problems()).c_str());
            break;
        }
        if (Failed(state, op)) break;
    }
}

// Only its register part: open and verify.
void OpenVerify(benchmark::State& state) {
    const Generated& g = GeneratedFor(static_cast<uint32_t>(state.range(0)));
    const fs::path path = g.programDir / kRegisterName;
    for (auto _ : state) {
        RegisterFile reg;
        if (reg.Open(path) != RegisterFile::OpenResult::Ok || !VerifyRegister(reg, kRegisterName)) {
            state.SkipWithError("the register does not open or verify");
            break;
        }
    }
}

const int kStartup = RegisterSized("startup", Startup, false);
const int kOpenVerify = RegisterSized("startup_open_verify", OpenVerify, false);

}  // namespace
}  // namespace vrklad::bench
