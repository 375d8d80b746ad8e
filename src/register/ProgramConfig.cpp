#include "register/ProgramConfig.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <string_view>
#include <unordered_map>

#include "register/ChangeCodes.h"
#include "register/RegisterFile.h"
#include "register/SafeReplace.h"

namespace vrklad {
namespace {

[[noreturn]] void ThrowErrno(ConfigError::Kind kind, int err) {
    throw ConfigError(kind, std::strerror(err));
}

std::string_view BytesOf(const ProgramConfig& config) {
    return {reinterpret_cast<const char*>(&config), sizeof config};
}

bool IsDistrict(const ProgramConfig& config) { return config.DistrictMode == 1; }

// Both recount variants; `keyOf` tells organizations apart in district mode.
template <typename KeyOf>
void Recount(ProgramConfig& config, const RegisterFile& reg, KeyOf keyOf) {
    const uint32_t n = reg.CountRecords();
    config.RecordCount = static_cast<uint16_t>(std::min(n, RegisterFile::kMaxRecords));
    config.TotalLearners = 0;
    if (n == 0) return;

    const bool district = IsDistrict(config);
    if (district) {
        config.OrgCount = 0;
        std::memset(config.OrgOKPO, 0, sizeof config.OrgOKPO);
        std::memset(config.OrgAgency, 0, sizeof config.OrgAgency);
    }
    std::memset(config.OrgLearners, 0, sizeof config.OrgLearners);

    // Key -> row; a row of -1 stands for the organizations past the 100th,
    // whose learners count in TotalLearners only.
    std::unordered_map<int64_t, int> rows;
    rows.reserve(2 * ProgramConfig::kMaxOrgs);
    for (const StudentRecord& record : reg.ReadAll()) {
        if (IsExcludedByValue(record.LastChange)) continue;
        int row = 0;
        if (district) {
            const auto [it, added] = rows.try_emplace(keyOf(record), -1);
            if (added && config.OrgCount < ProgramConfig::kMaxOrgs) {
                it->second = config.OrgCount++;
                config.OrgOKPO[it->second] = static_cast<int32_t>(record.OKPO);
                config.OrgAgency[it->second] = record.ORG;
            }
            row = it->second;
        }
        if (row >= 0) ++config.OrgLearners[row];
        ++config.TotalLearners;
    }

    if (!district && config.OrgAgency[0] == 0) config.OrgAgency[0] = config.OwnAgency;
}

}  // namespace

ConfigError::ConfigError(Kind kind, const std::string& systemText)
    : std::runtime_error(systemText),
      m_message(std::string(kind == Kind::Read ? "Не удалось прочитать" : "Не удалось записать") +
                " файл конфигурации " + ConfigFile::kFileName + " (" + systemText + ")") {}

ProgramConfig EmptyConfig() {
    ProgramConfig config;
    std::memset(static_cast<void*>(&config), 0, sizeof config);
    return config;
}

bool ConfigFile::Load(const std::filesystem::path& programDir) {
    m_loaded = false;
    m_path = programDir / kFileName;

    int fd;
    do {
        fd = ::open(m_path.c_str(), O_RDONLY | O_CLOEXEC);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0) {
        if (errno != ENOENT) ThrowErrno(ConfigError::Kind::Read, errno);
        m_config = EmptyConfig();
        if (const std::error_code ec = ReplaceFileSafely(m_path, BytesOf(m_config))) {
            throw ConfigError(ConfigError::Kind::Write, ec.message());
        }
        m_loaded = true;
        return true;
    }

    // A file of another size is read for what it holds; missing bytes are 0.
    ProgramConfig config = EmptyConfig();
    auto* p = reinterpret_cast<char*>(&config);
    size_t got = 0;
    while (got < sizeof config) {
        const ssize_t r = ::read(fd, p + got, sizeof config - got);
        if (r < 0 && errno == EINTR) continue;
        if (r < 0) {
            const int err = errno;
            ::close(fd);
            ThrowErrno(ConfigError::Kind::Read, err);
        }
        if (r == 0) break;
        got += static_cast<size_t>(r);
    }
    ::close(fd);
    m_config = config;
    m_loaded = true;
    return true;
}

bool ConfigFile::Save() {
    if (!m_loaded) return false;
    // A new file replaces the old one, so a crash mid-write cannot leave a
    // torn configuration; the file is exactly one record afterwards.
    if (const std::error_code ec = ReplaceFileSafely(m_path, BytesOf(m_config))) {
        throw ConfigError(ConfigError::Kind::Write, ec.message());
    }
    return true;
}

void ConfigFile::Close() { m_loaded = false; }

std::string RegisterFileName(const ProgramConfig& config) {
    if (config.DistrictMode == 1) {
        switch (config.OrgType) {
            case 1:
                return "SCHOOL.R_N";
            case 2:
                return "STUD.R_N";
            case 3:
                return "PTU.R_N";
            default:
                return {};
        }
    }
    if (config.DistrictMode == 0) {
        const std::string okpo = std::to_string(config.OrgOKPO[0]);
        switch (config.OrgType) {
            case 1:
                return okpo + ".sch";
            case 2:
            case 4:
                return okpo + ".stu";
            case 3:
                return okpo + ".ptu";
            default:
                return {};
        }
    }
    return {};
}

uint8_t MaxKlassFor(uint8_t orgType) {
    switch (orgType) {
        case 1:
            return 12;
        case 2:
            return 5;
        case 3:
            return 4;
        case 4:
            return 8;
        default:
            return 0;
    }
}

void RecountOrganizations(ProgramConfig& config, const RegisterFile& reg,
                          uint8_t typeOrganization) {
    if (typeOrganization != 0) {
        RecountByAgency(config, reg);
    } else {
        RecountByOkpo(config, reg);
    }
}

void RecountByOkpo(ProgramConfig& config, const RegisterFile& reg) {
    Recount(config, reg, [](const StudentRecord& r) { return int64_t{r.OKPO}; });
}

void RecountByAgency(ProgramConfig& config, const RegisterFile& reg) {
    Recount(config, reg, [](const StudentRecord& r) { return int64_t{r.ORG}; });
}

int32_t OkpoByAgency(const ProgramConfig& config, uint16_t agency) {
    for (int i = 0; i < ProgramConfig::kMaxOrgs; ++i) {
        if (config.OrgAgency[i] == agency) return config.OrgOKPO[i];
    }
    return 0;
}

uint16_t AgencyByOkpo(const ProgramConfig& config, int32_t okpo) {
    for (int i = 0; i < ProgramConfig::kMaxOrgs; ++i) {
        if (config.OrgOKPO[i] == okpo) return config.OrgAgency[i];
    }
    return 0;
}

}  // namespace vrklad
