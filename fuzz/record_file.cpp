// Incoming record files (an organization's actual-records file, another
// organization's register) of any content, merged into a small register.
// The last byte of a file that is no whole number of records (the part the
// reader leaves out, as it does the checksum trailer) picks the installation.
#include <cstddef>
#include <cstdint>
#include <fstream>
#include <iterator>
#include <string>

#include "details/DetailsStore.h"
#include "exchange/ProcessRecordFile.h"
#include "exchange/RegisterIndexes.h"
#include "register/Clock.h"
#include "register/ProgramConfig.h"
#include "register/RegisterFile.h"
#include "register/SettingsIni.h"
#include "support/FuzzCheck.h"
#include "support/FuzzOperator.h"
#include "support/FuzzProgramDir.h"
#include "support/Learners.h"

using namespace vrklad;
namespace fs = std::filesystem;

namespace {

// Every line of a protocol ends in CR LF, and no line holds a line break.
bool WholeLines(const std::string& bytes) {
    for (size_t i = 0; i < bytes.size(); ++i) {
        if (bytes[i] == '\r' && (i + 1 >= bytes.size() || bytes[i + 1] != '\n')) return false;
        if (bytes[i] == '\n' && (i == 0 || bytes[i - 1] != '\r')) return false;
    }
    return bytes.size() >= 2 && bytes.compare(bytes.size() - 2, 2, "\r\n") == 0;
}

std::string ReadAll(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    SetNowForTesting(LocalDateTime{2024, 3, 5, 14, 7, 9});
    const uint8_t options = size % kRecordSize != 0 ? data[size - 1] : 0;
    const int mode = options & 3;  // district, school, university, school taking a register
    const bool district = mode == 0;

    const fs::path& dir = fuzz::FuzzProgramDir::Fresh();
    const std::string programDir = fuzz::FuzzProgramDir::ProgramDir();

    ConfigFile config;
    FUZZ_CHECK(config.Load(dir));
    ProgramConfig& cfg = config.Data();
    cfg.OrgType = mode == 2 ? 4 : 1;
    cfg.LastExchangeDate = {2024, 1, 1};
    if (district) {
        cfg.DistrictMode = 1;
        cfg.OrgCount = 2;
        cfg.OrgOKPO[0] = fuzz::kOwnOkpo;
        cfg.OrgAgency[0] = fuzz::kOwnAgency;
        cfg.OrgOKPO[1] = fuzz::kSenderOkpo;
        cfg.OrgAgency[1] = fuzz::kSenderAgency;
    } else {
        cfg.OrgCount = 1;
        cfg.OrgOKPO[0] = fuzz::kOwnOkpo;
        cfg.OrgAgency[0] = fuzz::kOwnAgency;
        cfg.OwnAgency = fuzz::kOwnAgency;
    }
    FUZZ_CHECK(config.Save());

    std::vector<StudentRecord> stored;
    if ((options & 4) != 0) {
        stored = {fuzz::Learner(1, fuzz::kSenderOkpo, fuzz::kSenderAgency),
                  fuzz::Learner(2, fuzz::kSenderOkpo, fuzz::kSenderAgency),
                  fuzz::Learner(3, fuzz::kOwnOkpo, fuzz::kOwnAgency)};
    }
    const fs::path registerPath = dir / RegisterFileName(cfg);
    fuzz::WriteRecords(registerPath, stored);
    RegisterFile reg;
    FUZZ_CHECK(reg.Open(registerPath) == RegisterFile::OpenResult::Ok);

    fs::create_directories(dir / "in");
    const fs::path file = dir / "in" / (mode == 3 ? "11111111.sch" : "87654321.act");
    fuzz::FuzzProgramDir::Write(file, data, size);

    Settings settings;
    settings.TypeOrganization = (options & 8) != 0 ? 1 : 0;
    fuzz::FuzzOperator op;
    DetailsStore details(op);
    RegisterIndexes indexes;
    const IncomingResult result =
        ProcessRecordFile(file, programDir, reg, config, settings, details, indexes, op);

    const IncomingCounters& c = result.counters;
    const uint64_t inFile = size / kRecordSize;
    FUZZ_CHECK(uint64_t{c.added} + c.updated + c.erroneous + c.unchanged <= inFile);
    FUZZ_CHECK(reg.CountRecords() == stored.size() + c.added);
    FUZZ_CHECK(c.deleted <= stored.size());
    if (result.completed) {
        FUZZ_CHECK(!result.protocol.empty());
        FUZZ_CHECK(WholeLines(ReadAll(result.protocol)));
        // The protocol lies in PRCSSD, whatever the file's name.
        FUZZ_CHECK(result.protocol.parent_path() == dir / kProcessedDir);
    } else {
        FUZZ_CHECK(!op.texts.empty());
    }
    // The saved configuration is one whole record.
    FUZZ_CHECK(fs::file_size(dir / ConfigFile::kFileName) == sizeof(ProgramConfig));
    return 0;
}
