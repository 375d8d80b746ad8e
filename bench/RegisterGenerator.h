#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "details/DocumentDetails.h"
#include "register/ProgramConfig.h"
#include "register/RecordDate.h"
#include "register/StudentRecord.h"

namespace vrklad::bench {

// One school of the generated district.
struct Organization {
    int32_t okpo = 0;
    uint16_t agency = 0;
};

struct GeneratorOptions {
    uint32_t records = 1024;      // at most 65,535
    uint32_t organizations = 40;  // at most 100
    uint32_t seed = 1;            // the same seed gives the same register
};

// Realistic registers of a district education office (schools, told apart
// by agency code) of a given size, the same every time for the same options:
// every document passes CanonicalDocument, every SNILS CheckSnils, every
// name IsFioValid, every benefit end date CheckBenefitEnd today, and every
// document is unique. Records lie in blocks by organization, as the
// organizations' archives bring them in. Texts are built in UTF-8 and
// stored in cp1251 like the program stores them.
class RegisterGenerator {
public:
    explicit RegisterGenerator(const GeneratorOptions& options);

    const std::vector<Organization>& Organizations() const { return m_orgs; }
    const std::vector<StudentRecord>& Records() const { return m_records; }
    // The issue details of record i's document.
    DocumentDetails Details(size_t i) const;

    // OrgType 1, DistrictMode 1, the organizations in the table with their
    // learner counts; the last exchange was yesterday.
    ProgramConfig Config() const;

    // The records as the organizations would send them back today: every
    // other one (from the first) changed today (new ticket, and the class
    // letter or the benefit end), the rest as they are.
    std::vector<StudentRecord> ChangedHalf() const;

    // The exchange table with all 15 columns for these records: the header,
    // then one row per record, UTF-8 (the file is written in cp1251).
    std::vector<std::string> TableLines() const;

private:
    std::vector<Organization> m_orgs;
    std::vector<StudentRecord> m_records;
    RecordDate m_today;
};

// "VR_KLAD.INI" of a district office of schools (TypeOrganization 1).
std::string DistrictSettingsText();

// Writes a complete ProgramDir for the generated register: VR_KLAD.INI,
// vrklad.cnf, the sealed register SCHOOL.R_N, Additional.db (made from the
// schema script `schemaSql`) with the details of every record, and the
// working directories Export/, Export/ARH/ and PRCSSD/. The directory must
// not hold a register yet. False with a reason on failure.
bool WriteProgramDir(const RegisterGenerator& gen, const std::filesystem::path& dir,
                     const std::filesystem::path& schemaSql, std::string& error);

// A details database at `path` with the details of records [0, count).
bool WriteDetailsDatabase(const RegisterGenerator& gen, const std::filesystem::path& path,
                          const std::filesystem::path& schemaSql, size_t count, std::string& error);

// The exchange table as a semicolon-delimited cp1251 text file.
bool WriteTable(const RegisterGenerator& gen, const std::filesystem::path& path,
                std::string& error);

}  // namespace vrklad::bench
