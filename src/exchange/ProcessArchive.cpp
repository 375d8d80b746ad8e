#include "exchange/ProcessArchive.h"

#include <strings.h>

#include <algorithm>
#include <fstream>
#include <optional>
#include <system_error>

#include "exchange/Archiver.h"
#include "exchange/FileCommands.h"
#include "register/Operator.h"
#include "register/ProgramConfig.h"
#include "register/SettingsIni.h"
#include "register/StudentRecord.h"

namespace vrklad {

namespace fs = std::filesystem;

namespace {

constexpr const char* kCannotProcess = "Не возможно обработать указанный файл.";
constexpr const char* kOtherOkpo =
    "Обрабатываемый файл имеет другой код ОКПО. Обработка не возможна. ";
constexpr const char* kAskAddOrganization =
    "Организация с таким кодом ОКПО отсутствует в файле данных.\nБез добавления организации "
    "дальнейшая обработка файла невозможна.Желаете добавить?.";
constexpr const char* kTooManyOrganizations =
    "Превышено допустимое число организаций в файле. Удалите не нужные организации и "
    "попытайтесь снова.";
constexpr const char* kAgencyHeldLead =
    "В обрабатываемом файле указан агенский код, который числится за организацией ";
constexpr const char* kAgencyHeldTail =
    "Уточните агенский код организации в Корвалене и выполните исправления.";

constexpr const char* kActExtension = ".act";
constexpr size_t kActLength = 4;
constexpr const char* kSenderLog = "actual.log";

bool HasActExtension(const std::string& name) {
    return name.size() >= kActLength &&
           strcasecmp(name.c_str() + name.size() - kActLength, kActExtension) == 0;
}

// The name with every occurrence of its extension (as it is written) removed.
std::string WithoutExtension(const std::string& name) {
    const std::string ext = name.substr(name.size() - kActLength);
    std::string rest;
    size_t from = 0;
    for (size_t at = name.find(ext); at != std::string::npos; at = name.find(ext, from)) {
        rest.append(name, from, at - from);
        from = at + ext.size();
    }
    rest.append(name, from);
    return rest;
}

// The first record's agency code; 0 when the file holds no whole record.
uint16_t SenderAgency(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    StudentRecord first = EmptyRecord();
    if (!in.read(reinterpret_cast<char*>(&first), sizeof first)) return 0;
    return first.ORG;
}

bool KnownOkpo(const ProgramConfig& cfg, int32_t okpo) {
    // Element by element: the packed record's array is not aligned, so no
    // reference to its elements may be formed (std::find would take them).
    for (int i = 0; i < ProgramConfig::kMaxOrgs; ++i) {
        if (cfg.OrgOKPO[i] == okpo) return true;
    }
    return false;
}

// The row in use that holds the agency code. Rows not in use hold no
// organization: their zeros must not make a file without records look like
// one whose agency code is taken.
std::optional<int> RowWithAgency(const ProgramConfig& cfg, uint16_t agency) {
    const int rows = std::min<int>(cfg.OrgCount, ProgramConfig::kMaxOrgs);
    for (int i = 0; i < rows; ++i) {
        if (cfg.OrgAgency[i] == agency) return i;
    }
    return std::nullopt;
}

// The district office's checks of an organization it does not know yet; true
// when the row has been added.
bool AddOrganization(ProgramConfig& cfg, const Settings& settings, int32_t okpo, uint16_t agency,
                     Operator& op) {
    if (!op.AskYesNo(Operator::Icon::Question, kAskAddOrganization)) return false;
    if (cfg.OrgCount >= ProgramConfig::kMaxOrgs) {
        op.Warn(kTooManyOrganizations);
        return false;
    }
    // Telling organizations apart by agency code needs the code to be unique.
    if (settings.TypeOrganization != 0) {
        if (const std::optional<int> row = RowWithAgency(cfg, agency)) {
            op.Error(kAgencyHeldLead + std::to_string(cfg.OrgOKPO[*row]) + kAgencyHeldTail);
            return false;
        }
    }
    cfg.OrgOKPO[cfg.OrgCount] = okpo;
    cfg.OrgAgency[cfg.OrgCount] = agency;
    ++cfg.OrgCount;
    return true;
}

// Empties PRCSSD and unpacks the archive into it. An archive picked inside
// PRCSSD itself would go with the rest before it is read: it is unpacked
// from a copy kept aside and put back afterwards.
ExtractResult Unpack(const std::string& programDir, const fs::path& archive, const fs::path& dir) {
    std::error_code ec;
    fs::create_directories(dir, ec);
    const fs::path source = fs::path(programDir) / archive;
    fs::path from = source;
    const bool inside = fs::equivalent(source.parent_path(), dir, ec);
    if (inside) {
        from = fs::path(programDir) / ("~" + source.filename().string());
        if (!fs::copy_file(source, from, fs::copy_options::overwrite_existing, ec)) return {};
    }
    DeleteAllFiles(dir);
    ExtractResult extracted = ExtractArchive(programDir, from.string(), dir.string());
    if (inside) {
        fs::copy_file(from, source, fs::copy_options::skip_existing, ec);
        fs::remove(from, ec);
    }
    return extracted;
}

}  // namespace

IncomingResult ProcessArchive(const fs::path& archive, const std::string& programDir,
                              RegisterFile& reg, ConfigFile& config, const Settings& settings,
                              DetailsStore& details, RegisterIndexes& indexes, Operator& op) {
    const fs::path dir = fs::path(programDir) / kProcessedDir;
    // A refused or failed extraction leaves no ".act" file, which is what the
    // operator is told.
    const ExtractResult extracted = Unpack(programDir, archive, dir);

    std::string actFile;
    std::string senderLog;
    for (const std::string& file : extracted.files) {  // sorted by name
        if (actFile.empty() && HasActExtension(file)) actFile = file;
        if (senderLog.empty() && strcasecmp(file.c_str(), kSenderLog) == 0) senderLog = file;
    }
    if (actFile.empty()) {
        op.Warn(kCannotProcess);
        return {};
    }
    const std::string name = WithoutExtension(actFile);
    const uint16_t agency = SenderAgency(dir / actFile);
    int32_t okpo = 0;
    switch (ReadOkpoName(name, &okpo)) {
        case OkpoName::Valid:
            break;
        case OkpoName::NotDigits:
            op.Warn(kCannotProcess);
            return {};
        case OkpoName::TooLarge:
            op.Warn(OkpoTooLargeMessage(name));
            return {};
    }

    ProgramConfig& cfg = config.Data();
    const ProgramConfig before = cfg;
    if (cfg.OrgType == 4) {
        if (okpo != cfg.OrgOKPO[0]) {
            op.Warn(kOtherOkpo);
            return {};
        }
    } else if (cfg.DistrictMode == 1 && !KnownOkpo(cfg, okpo)) {
        if (!AddOrganization(cfg, settings, okpo, agency, op)) return {};
    }

    // The sender's own export protocol, for the operator to compare.
    if (!senderLog.empty()) op.OpenInViewer((dir / senderLog).string());

    IncomingResult result =
        ProcessRecordFile(dir / actFile, programDir, reg, config, settings, details, indexes, op);
    // An organization added here stays only with the records it sent.
    if (!result.registerChanged) cfg = before;
    return result;
}

}  // namespace vrklad
