#include "maintenance/OrgMaintenance.h"

#include <algorithm>
#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

#include "register/ChangeCodes.h"
#include "register/Checksum.h"
#include "register/Clock.h"
#include "register/ProgramConfig.h"
#include "register/RegisterFile.h"
#include "session/OrganizationItems.h"
#include "session/Session.h"

namespace vrklad {
namespace {

constexpr uint32_t kMaxOkpo = 99999999;  // 8 digits
constexpr uint32_t kMaxAgency = 999;     // 3 digits

std::string UpdatedText(uint32_t count) { return "Обновлено записей: " + std::to_string(count); }

bool Exists(const std::filesystem::path& path) {
    std::error_code ec;
    return std::filesystem::exists(std::filesystem::symlink_status(path, ec));
}

// The configuration is written at once: the records already carry the
// change, and a crash must not leave them disagreeing with it for long.
// Should it fail, the configuration in memory still matches the register
// and is saved again at exit.
bool SaveConfiguration(Session& session, Operator& op) {
    try {
        session.Configuration().Save();
        return true;
    } catch (const ConfigError& e) {
        op.Error(e.Message());
        return false;
    }
}

// The changed records take the register's place as a whole (a new file
// renamed over it), so a write failing half way changes no record at all.
bool ReplaceRecords(Session& session, Operator& op, const std::vector<StudentRecord>& records) {
    const std::string error = session.ReplaceRegister(records);
    if (error.empty()) return true;
    op.Error("Не удалось записать файл данных " + session.RegisterName() + " (" + error +
             "). Изменения не внесены.");
    return false;
}

bool ReadRecords(Session& session, Operator& op, std::vector<StudentRecord>& records) {
    RegisterFile& reg = session.Register();
    records = reg.ReadAll();
    if (records.size() == std::min(reg.CountRecords(), RegisterFile::kMaxRecords)) return true;
    op.Error("Не удалось прочитать файл данных " + session.RegisterName() +
             ". Изменения не внесены.");
    return false;
}

// The batch tool can reach these commands in any mode; the menu offers
// them in one mode only, because in the other they would merge or unname
// organizations.
bool RequireSingleMode(Session& session, Operator& op, const char* command) {
    if (session.Config().DistrictMode == 0) return true;
    op.Error(std::string(command) +
             " можно только в режиме одной организации. Изменения не внесены.");
    return false;
}

bool RequireRegister(Session& session, Operator& op) {
    if (session.RegisterUsable()) return true;
    op.Error("Файл данных не открыт. Изменения не внесены.");
    return false;
}

// The change code of an organization change: the two replacements add
// OrgChanged to the history and make it the latest change. A deleted or
// excluded record stays so: taking OrgChanged as its latest change would
// bring it back into the list, the counts and the exchange as an active
// learner. It takes the new code all the same and goes out again as a
// deletion.
void MarkOrgChanged(StudentRecord& r, const RecordDate& today) {
    r.AllChanges |= OrgChanged;
    if (!IsExcludedByBits(r.LastChange)) r.LastChange = OrgChanged;
    r.ChangeDate = today;
}

bool DeleteChosen(Session& session, Operator& op, const Operator::OrgItem& item) {
    if (!op.AskYesNo(
            Operator::Icon::Question,
            "Вы действительно желаете удалить данные из БД по организации " + item.text + " ?")) {
        return false;
    }
    const RecordDate today = Today();
    std::vector<StudentRecord> records;
    if (!ReadRecords(session, op, records)) return false;
    bool marked = false;
    for (StudentRecord& r : records) {
        if (r.OKPO != item.okpo) continue;
        // Records deleted earlier are marked again: the deletion of the
        // whole organization is what the next corrections export reports.
        r.AllChanges |= r.LastChange;
        r.LastChange = Deleted;
        r.ChangeDate = today;
        marked = true;
    }
    if (marked && !ReplaceRecords(session, op, records)) return false;

    ProgramConfig& cfg = session.Config();
    for (int row = 0; row < ProgramConfig::kMaxOrgs; ++row) {
        if (static_cast<uint32_t>(cfg.OrgOKPO[row]) != item.okpo) continue;
        cfg.OrgOKPO[row] = 0;
        cfg.OrgLearners[row] = 0;
        cfg.OrgAgency[row] = 0;
    }
    RecountOrganizations(cfg, session.Register(), session.IniSettings().TypeOrganization);
    return SaveConfiguration(session, op);
}

bool RequireDistrictMode(Session& session, Operator& op) {
    if (session.Config().DistrictMode == 1) return true;
    op.Error("Удалить организацию можно только в режиме РОНО. Изменения не внесены.");
    return false;
}

}  // namespace

bool ReplaceOkpo(Session& session, Operator& op) {
    if (!RequireSingleMode(session, op, "Заменить ОКПО")) return false;
    const auto current = static_cast<uint32_t>(session.Config().OrgOKPO[0]);
    return ReplaceOkpo(session, op, op.AskCode(Operator::Code::Okpo, current));
}

bool ReplaceOkpo(Session& session, Operator& op, uint32_t newOkpo) {
    if (!RequireSingleMode(session, op, "Заменить ОКПО")) return false;
    ProgramConfig& cfg = session.Config();
    if (newOkpo == 0 || newOkpo == static_cast<uint32_t>(cfg.OrgOKPO[0])) return false;
    if (newOkpo > kMaxOkpo) {
        op.Error("Код ОКПО должен содержать не более 8 цифр. Изменения не внесены.");
        return false;
    }
    if (!RequireRegister(session, op)) return false;

    ProgramConfig next = cfg;
    next.OrgOKPO[0] = static_cast<int32_t>(newOkpo);
    const std::string newName = RegisterFileName(next);
    if (!newName.empty() && Exists(session.ProgramDir() / newName)) {
        op.Error("Файл данных " + newName + " уже существует. Код ОКПО не заменён, изменения " +
                 "не внесены.");
        return false;
    }
    RegisterFile& reg = session.Register();
    std::vector<StudentRecord> records = reg.ReadAll();
    if (records.size() != reg.CountRecords()) {
        op.Error("Не удалось прочитать файл данных " + session.RegisterName() +
                 ". Код ОКПО не заменён, изменения не внесены.");
        return false;
    }
    const RecordDate today = Today();
    for (StudentRecord& r : records) {
        r.OKPO = newOkpo;
        MarkOrgChanged(r, today);
    }
    // The changed records go to a new file under the new name, which the
    // saved configuration then names: a crash leaves either the old register
    // and configuration or the new ones, never records half changed.
    if (!session.RenameRegister(op, next, &records)) return false;
    op.Plain(UpdatedText(static_cast<uint32_t>(records.size())));
    return true;
}

bool ReplaceAgency(Session& session, Operator& op) {
    if (!RequireSingleMode(session, op, "Заменить код агенства")) return false;
    return ReplaceAgency(session, op,
                         op.AskCode(Operator::Code::Agency, session.Config().OrgAgency[0]));
}

bool ReplaceAgency(Session& session, Operator& op, uint32_t newAgency) {
    if (!RequireSingleMode(session, op, "Заменить код агенства")) return false;
    if (newAgency == 0) return false;
    if (newAgency > kMaxAgency) {
        op.Error("Код агенства должен содержать не более 3 цифр. Изменения не внесены.");
        return false;
    }
    if (!RequireRegister(session, op)) return false;

    const auto agency = static_cast<uint16_t>(newAgency);
    const RecordDate today = Today();
    std::vector<StudentRecord> records;
    if (!ReadRecords(session, op, records)) return false;
    uint32_t updated = 0;
    for (StudentRecord& r : records) {
        if (r.ORG == agency) continue;
        r.ORG = agency;
        MarkOrgChanged(r, today);
        ++updated;
    }
    if (updated != 0 && !ReplaceRecords(session, op, records)) return false;
    ProgramConfig& cfg = session.Config();
    cfg.OwnAgency = agency;
    cfg.OrgAgency[0] = agency;
    if (!SaveConfiguration(session, op)) return false;
    op.Plain(UpdatedText(updated));
    return true;
}

bool DeleteOrganization(Session& session, Operator& op) {
    if (!RequireDistrictMode(session, op) || !RequireRegister(session, op)) return false;
    const std::optional<Operator::OrgItem> choice =
        op.ChooseOrganization(OrganizationItems(session.Config()));
    if (!choice) return false;
    return DeleteChosen(session, op, *choice);
}

bool DeleteOrganization(Session& session, Operator& op, uint32_t okpo) {
    if (!RequireDistrictMode(session, op) || !RequireRegister(session, op)) return false;
    for (const Operator::OrgItem& item : OrganizationItems(session.Config())) {
        if (item.okpo == okpo) return DeleteChosen(session, op, item);
    }
    op.Error("Организация с кодом ОКПО " + std::to_string(okpo) +
             " не найдена в таблице организаций. Изменения не внесены.");
    return false;
}

}  // namespace vrklad
