#pragma once

#include <cstdint>
#include <filesystem>
#include <stdexcept>
#include <string>

#include "register/RecordDate.h"

namespace vrklad {

class RegisterFile;

#pragma pack(push, 1)
// The whole content of "vrklad.cnf": 819 bytes, packed, little-endian.
struct ProgramConfig {
    static constexpr int kMaxOrgs = 100;

    uint8_t OrgType;  // 0 not configured, 1 school, 2 college, 3 vocational, 4 university
    uint16_t OrgCount;
    int32_t OrgOKPO[kMaxOrgs];
    uint16_t OrgLearners[kMaxOrgs];
    uint16_t OrgAgency[kMaxOrgs];
    RecordDate LastActualDate;
    RecordDate LastExchangeDate;
    uint8_t ConfigReserved;
    uint16_t OwnAgency;
    uint8_t DistrictMode;
    uint16_t RecordCount;
    uint16_t TotalLearners;
};
#pragma pack(pop)
static_assert(sizeof(ProgramConfig) == 819);

ProgramConfig EmptyConfig();

// An input/output error on "vrklad.cnf"; what() is the system's error text.
class ConfigError : public std::runtime_error {
public:
    enum class Kind { Read, Write };
    ConfigError(Kind kind, const std::string& systemText);
    // What the user is shown: which file could not be read or written, and why.
    const std::string& Message() const { return m_message; }

private:
    std::string m_message;
};

// "vrklad.cnf" in ProgramDir. Throws ConfigError on input/output errors.
class ConfigFile {
public:
    static constexpr const char* kFileName = "vrklad.cnf";

    // LoadConfig: creates the zero-filled file when missing, then reads it.
    // A file of another size gives what it holds, the rest zero-filled.
    bool Load(const std::filesystem::path& programDir);
    // SaveConfig: replaces the file with the 819-byte record (a temporary
    // file flushed and renamed over it, so a crash leaves the old or the new
    // record). False when not loaded.
    bool Save();
    // CloseConfig.
    void Close();
    bool IsLoaded() const { return m_loaded; }

    ProgramConfig& Data() { return m_config; }
    const ProgramConfig& Data() const { return m_config; }

private:
    ProgramConfig m_config = EmptyConfig();
    std::filesystem::path m_path;
    bool m_loaded = false;
};

// "SCHOOL.R_N", "12345678.sch", ...; empty for a combination with no name.
std::string RegisterFileName(const ProgramConfig& config);
// The highest class or course: 12, 5, 4, 8 for OrgType 1..4, else 0.
uint8_t MaxKlassFor(uint8_t orgType);

// Rebuilds RecordCount, TotalLearners, OrgLearners (and the rows in district
// mode) from the register. Never adds a row past the 100th: learners of the
// further organizations count in TotalLearners only, in no row.
void RecountOrganizations(ProgramConfig& config, const RegisterFile& reg,
                          uint8_t typeOrganization);
void RecountByOkpo(ProgramConfig& config, const RegisterFile& reg);
void RecountByAgency(ProgramConfig& config, const RegisterFile& reg);

// Search all 100 rows, used or not; 0 when none matches.
int32_t OkpoByAgency(const ProgramConfig& config, uint16_t agency);
uint16_t AgencyByOkpo(const ProgramConfig& config, int32_t okpo);

}  // namespace vrklad
