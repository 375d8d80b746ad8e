// "vrklad.cnf" of any content through the start-up and exit of the
// program: loaded, the first-start dialogue when not configured, the
// register opened under the name the configuration gives, verified,
// counted, the menu and the organization list built, then saved at exit.
#include <cstddef>
#include <cstdint>
#include <string>

#include "exchange/IncomingFile.h"
#include "register/Clock.h"
#include "register/ProgramConfig.h"
#include "register/SettingsIni.h"
#include "session/OrganizationItems.h"
#include "session/Session.h"
#include "support/FuzzCheck.h"
#include "support/FuzzOperator.h"
#include "support/FuzzProgramDir.h"
#include "support/Learners.h"

using namespace vrklad;
namespace fs = std::filesystem;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    SetNowForTesting(LocalDateTime{2024, 3, 5, 14, 7, 9});
    const fs::path& dir = fuzz::FuzzProgramDir::Fresh();
    fuzz::FuzzProgramDir::Write(dir / Settings::kFileName,
                                "[Options]\r\nTypeOrganization=1\r\n[DateEndAllow]\r\n"
                                "MonthEndAllow=9\r\nDayEndAllow=30\r\n");
    fuzz::FuzzProgramDir::Write(dir / ConfigFile::kFileName, data, size);

    // The register the configuration names, when it names one, holding
    // learners of two organizations.
    {
        ConfigFile peek;
        FUZZ_CHECK(peek.Load(dir));
        const std::string name = RegisterFileName(peek.Data());
        FUZZ_CHECK(name.find('/') == std::string::npos);
        if (!name.empty()) {
            fuzz::WriteRecords(dir / name,
                               {fuzz::Learner(1, fuzz::kOwnOkpo, fuzz::kOwnAgency),
                                fuzz::Learner(2, fuzz::kSenderOkpo, fuzz::kSenderAgency)});
        }
    }

    fuzz::FuzzOperator op;
    op.okpoCode = static_cast<uint32_t>(fuzz::kOwnOkpo);
    op.agencyCode = fuzz::kOwnAgency;
    Session session(dir);
    const Session::StartupResult started = session.Startup(op);
    if (started == Session::StartupResult::Quit || started == Session::StartupResult::Stopped) {
        FUZZ_CHECK(!op.texts.empty());
        return 0;
    }
    const ProgramConfig& cfg = session.Config();
    (void)OrganizationItems(cfg);
    (void)LoadFileFilters(cfg);
    (void)MaxKlassFor(cfg.OrgType);
    for (int i = 0; i < ProgramConfig::kMaxOrgs; ++i) {
        (void)OkpoByAgency(cfg, cfg.OrgAgency[i]);
        (void)AgencyByOkpo(cfg, cfg.OrgOKPO[i]);
    }
    if (session.RegisterUsable()) {
        FUZZ_CHECK(cfg.RecordCount <= RegisterFile::kMaxRecords);
    }
    session.OnFirstShown(op);
    session.Exit(op);
    // Saved at exit as one whole record.
    FUZZ_CHECK(fs::file_size(dir / ConfigFile::kFileName) == sizeof(ProgramConfig));
    return 0;
}
