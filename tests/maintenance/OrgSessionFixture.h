#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "register/Checksum.h"
#include "register/ProgramConfig.h"
#include "register/RegisterFile.h"
#include "register/StudentRecord.h"
#include "session/Session.h"
#include "session/SessionFixture.h"

namespace vrklad::test {

// A started Session over a register of records the test gives, in a single
// school (OKPO 123, agency 45) or a district office ("SCHOOL.R_N").
class OrgSessionFixture : public SessionFixture {
protected:
    static ProgramConfig DistrictConfig() {
        ProgramConfig config = EmptyConfig();
        config.OrgType = 1;
        config.DistrictMode = 1;
        return config;
    }

    static StudentRecord Learner(uint32_t okpo, uint16_t org, uint8_t klass = 5, uint8_t letter = 0,
                                 uint16_t lastChange = Added) {
        StudentRecord r = Record(okpo, org);
        r.KlassNumber = klass;
        r.KlassLetter = letter;
        r.LastChange = lastChange;
        r.AllChanges = 0x0100;
        r.ChangeDate = RecordDate{2023, 9, 1};
        return r;
    }

    // Writes the settings, the configuration and the sealed register, then
    // starts the session; the start must leave the register usable.
    void Start(const ProgramConfig& config, const std::vector<StudentRecord>& records,
               int typeOrganization = 1) {
        WriteIni(typeOrganization);
        WriteConfig(config);
        const std::string name = RegisterFileName(config);
        {
            RegisterFile file;
            ASSERT_EQ(file.Create(File(name)), RegisterFile::OpenResult::Ok);
            for (const StudentRecord& r : records) file.Append(r);
            ASSERT_TRUE(records.empty() || SealRegister(file, name));
        }
        ASSERT_EQ(m_session.Startup(m_op), Session::StartupResult::Ready);
        ASSERT_TRUE(m_op.shown.empty());
        m_session.OnFirstShown(m_op);
    }

    std::vector<StudentRecord> Records() const { return m_session.Register().ReadAll(); }

    Session m_session{Dir()};
};

}  // namespace vrklad::test
