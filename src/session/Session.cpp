#include "session/Session.h"

#include <fcntl.h>
#include <stdio.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <system_error>

#include "register/Checksum.h"
#include "register/Clock.h"

namespace vrklad {
namespace {

constexpr const char* kAttention = "Внимание!";

// rename(2) that never replaces an existing file. Filesystems without
// RENAME_NOREPLACE get link + unlink, which refuses an existing target too.
bool MoveNoReplace(const std::filesystem::path& from, const std::filesystem::path& to,
                   std::string& error) {
    if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) {
        return true;
    }
    if (errno != EINVAL && errno != ENOSYS) {
        error = std::strerror(errno);
        return false;
    }
    if (::link(from.c_str(), to.c_str()) != 0) {
        error = std::strerror(errno);
        return false;
    }
    ::unlink(from.c_str());
    return true;
}

bool Exists(const std::filesystem::path& path) {
    std::error_code ec;
    return std::filesystem::exists(std::filesystem::symlink_status(path, ec));
}

std::string UnusableText(Session::RegisterState state, const std::string& name,
                         const std::string& error) {
    if (state == Session::RegisterState::Locked) {
        return "Файл данных " + name +
               " занят другой запущенной копией программы. Работа с ним невозможна до её "
               "закрытия.";
    }
    return "Файл данных " + name + " не удаётся открыть (" + error + "). Работа с ним невозможна.";
}

}  // namespace

Session::Session(std::filesystem::path programDir) : m_programDir(std::move(programDir)) {}

Session::StartupResult Session::Startup(Operator& op) {
    m_menu = MainMenuState{};
    m_stoppedByPolicy = false;
    m_checksumMismatch = false;
    m_details = std::make_unique<DetailsStore>(op);
    if (!MakeWorkingDirectories(op)) {
        // Nothing is loaded: keep the user away from the commands that need
        // the register; exit then has nothing to save.
        MainMenuAccess(false);
        return StartupResult::Stopped;
    }
    if (!ReadSettings(m_programDir, m_settings)) {
        op.Error("Файл VR_KLAD.INI не найден. Продолжение работы не возможно");
        return StartupResult::Quit;
    }
    try {
        m_config.Load(m_programDir);
        ProgramConfig& cfg = m_config.Data();
        const bool configured = cfg.OrgType != 0;
        if ((!configured && m_firstStartPolicy == FirstStartPolicy::Refuse) ||
            (configured && m_firstStartPolicy == FirstStartPolicy::Only)) {
            m_stoppedByPolicy = true;
            m_config.Close();
            return StartupResult::Quit;
        }
        if (!configured && !FirstStart(op)) return StartupResult::Quit;
        if (cfg.OwnAgency != 0 && cfg.DistrictMode == 0 && cfg.OrgAgency[0] == 0) {
            cfg.OrgAgency[0] = cfg.OwnAgency;
        }
    } catch (const ConfigError& e) {
        op.Error(e.what());
        m_config.Close();
        return StartupResult::Quit;
    }
    m_saveOnExit = true;

    if (OpenRegister(op) != RegisterState::Open) {
        MainMenuAccess(false);
        return StartupResult::Restricted;
    }
    if (m_register.FileSize() > 6 && !VerifyRegister(m_register, m_registerName)) {
        m_checksumMismatch = true;
        op.Message(Operator::Icon::Warning, "Контрольная сумма не совпадает с расчетной",
                   Operator::Buttons::Ok, "Предупреждение о нарушении целостности файла данных");
        RecountOrganizations(m_config.Data(), m_register, m_settings.TypeOrganization);
    }
    MainMenuAccess(true);
    return StartupResult::Ready;
}

bool Session::MakeWorkingDirectories(Operator& op) {
    for (const char* dir : {"Export", "Export/ARH", "PRCSSD"}) {
        const std::filesystem::path path = m_programDir / dir;
        std::error_code ec;
        if (std::filesystem::is_directory(path, ec)) continue;
        if (!std::filesystem::create_directory(path, ec) || ec) {
            op.Error("Ошибка доступа к диску.");
            return false;
        }
    }
    return true;
}

bool Session::FirstStart(Operator& op) {
    ProgramConfig& cfg = m_config.Data();
    const ProgramConfig before = cfg;

    cfg.OrgType = m_settings.TypeOrganization;
    if (cfg.DistrictMode != 0) {
        cfg.OrgType = 1;
    } else {
        if (cfg.OrgType < 1 || cfg.OrgType > 4) {
            // No register name follows from such a type; asking for codes
            // would only end in a file that cannot be created.
            cfg = before;
            op.Error(
                "В файле VR_KLAD.INI не указан тип организации (TypeOrganization от 1 до 4). "
                "Продолжение работы не возможно");
            return false;
        }
        const uint32_t okpo = op.AskCode(Operator::Code::Okpo, 0);
        if (okpo == 0) {
            cfg = before;
            return false;
        }
        cfg.OrgOKPO[0] = static_cast<int32_t>(okpo);
        const auto agency = static_cast<uint16_t>(op.AskCode(Operator::Code::Agency, 0));
        if (agency == 0) {
            cfg = before;
            return false;
        }
        cfg.OwnAgency = agency;
        cfg.OrgAgency[0] = agency;
        cfg.OrgCount = 1;
        m_config.Save();
    }

    m_registerName = RegisterFileName(cfg);
    const std::filesystem::path path = m_programDir / m_registerName;
    bool created = false;
    // A register left by an earlier installation is kept as it is: a
    // configuration made again must not wipe the learners. It is opened and
    // verified like any other below.
    if (!Exists(path)) {
        if (m_register.Create(path) != RegisterFile::OpenResult::Ok) {
            return AbandonFirstStart(op, before,
                                     "Не удалось создать файл данных " + m_registerName + " (" +
                                         m_register.LastError() +
                                         "). Продолжение работы не возможно");
        }
        created = true;
    }
    cfg.LastExchangeDate = DateOf(AddHours(Now(), -24));
    if (created) SealRegister(m_register, m_registerName);
    // Stored now rather than only at exit, so that an interrupted first run
    // does not leave a register without its configuration.
    m_config.Save();
    return true;
}

bool Session::AbandonFirstStart(Operator& op, const ProgramConfig& before,
                                const std::string& text) {
    // Put back the configuration as it was found, so that the next start
    // asks again instead of looking for a register that was never made.
    m_config.Data() = before;
    m_config.Save();
    op.Error(text);
    return false;
}

Session::RegisterState Session::OpenRegister(Operator& op) {
    if (m_register.IsOpen()) return m_state = RegisterState::Open;
    m_registerName = RegisterFileName(m_config.Data());
    if (m_registerName.empty()) {
        op.Message(Operator::Icon::Warning,
                   "По файлу конфигурации vrklad.cnf невозможно определить имя файла данных (тип "
                   "организации " +
                       std::to_string(m_config.Data().OrgType) +
                       "). Работа с файлом данных невозможна.",
                   Operator::Buttons::Ok, kAttention);
        return m_state = RegisterState::Missing;
    }
    const std::filesystem::path path = m_programDir / m_registerName;
    RegisterFile::OpenResult result =
        Exists(path) ? m_register.Open(path) : RegisterFile::OpenResult::Missing;
    switch (result) {
        case RegisterFile::OpenResult::Ok:
            return m_state = RegisterState::Open;
        case RegisterFile::OpenResult::Missing:
            op.Message(Operator::Icon::Information,
                       "Не обнаружен файл данных. Если файл был утерян, выполните восстановление "
                       "из резервной копии",
                       Operator::Buttons::Ok, kAttention);
            return m_state = RegisterState::Missing;
        case RegisterFile::OpenResult::InUse:
            m_state = RegisterState::Locked;
            break;
        case RegisterFile::OpenResult::Failed:
            m_state = RegisterState::Unreadable;
            break;
    }
    ReportUnusable(op, m_state);
    return m_state;
}

void Session::ReportUnusable(Operator& op, RegisterState state) {
    op.Message(state == RegisterState::Locked ? Operator::Icon::Warning : Operator::Icon::Error,
               UnusableText(state, m_registerName, m_register.LastError()), Operator::Buttons::Ok,
               kAttention);
}

bool Session::RenameRegister(Operator& op, const std::string& newName) {
    const std::string oldName = m_registerName;
    if (newName == oldName) return true;
    if (newName.empty()) {
        op.Error("Для выбранного типа организации нет имени файла данных. Изменения не внесены.");
        return false;
    }
    if (m_state == RegisterState::Locked || m_state == RegisterState::Unreadable) {
        op.Error(UnusableText(m_state, oldName, m_register.LastError()) + " Изменения не внесены.");
        return false;
    }
    if (!m_register.IsOpen()) {
        // No file on disk to move: the register will be looked for under
        // the new name.
        m_registerName = newName;
        return true;
    }
    const std::filesystem::path newPath = m_programDir / newName;
    if (Exists(newPath)) {
        op.Error("Файл данных " + newName + " уже существует. Файл данных " + oldName +
                 " не переименован, изменения не внесены.");
        return false;
    }
    // The file is moved while still locked by this copy, so no other copy
    // can take it under either name in between.
    m_register.Sync();
    std::string error;
    if (!MoveNoReplace(m_register.Path(), newPath, error)) {
        op.Error("Не удалось переименовать файл данных " + oldName + " в " + newName + " (" +
                 error + "). Изменения не внесены.");
        return false;
    }
    m_register.Close();
    m_registerName = newName;
    const RegisterFile::OpenResult reopened = m_register.Open(newPath);
    if (reopened != RegisterFile::OpenResult::Ok) {
        m_state = reopened == RegisterFile::OpenResult::InUse ? RegisterState::Locked
                                                              : RegisterState::Unreadable;
        ReportUnusable(op, m_state);
        MainMenuAccess(false);
        return true;
    }
    // The trailer binds the records to the file name: renew it so that the
    // next start does not report a false integrity failure.
    SealRegister(m_register, m_registerName);
    return true;
}

bool Session::CloseFiles(Operator& op, bool bringToRest) {
    if (bringToRest && m_config.IsLoaded() && m_register.IsOpen()) {
        RecountOrganizations(m_config.Data(), m_register, m_settings.TypeOrganization);
        try {
            m_config.Save();
        } catch (const ConfigError& e) {
            op.Error(e.what());
            return false;
        }
    }
    m_config.Close();
    if (m_register.IsOpen()) {
        if (bringToRest) {
            SealRegister(m_register, m_registerName);
            m_register.Sync();
        }
        m_register.Close();
    }
    m_state = RegisterState::Closed;
    if (m_details) m_details->Close();
    return true;
}

Session::RegisterState Session::ReopenFiles(Operator& op) {
    m_register.Close();
    m_state = RegisterState::Closed;
    try {
        m_config.Load(m_programDir);
    } catch (const ConfigError& e) {
        // Without a configuration there is no register name: nothing opens,
        // and exit leaves the files alone.
        op.Error(e.what());
        MainMenuAccess(false);
        return m_state;
    }
    OpenRegister(op);
    MainMenuAccess(m_state == RegisterState::Open);
    // A restored configuration may be of another organization type.
    m_maxKlass = MaxKlassFor(m_config.Data().OrgType);
    if (!m_details) m_details = std::make_unique<DetailsStore>(op);
    m_details->Open(m_programDir.string());
    return m_state;
}

Session::RegisterState Session::ReopenRegister(Operator& op) {
    m_register.Close();
    m_state = RegisterState::Closed;
    OpenRegister(op);
    MainMenuAccess(m_state == RegisterState::Open);
    return m_state;
}

bool Session::ChangeOrgType(Operator& op, uint8_t orgType) {
    ProgramConfig next = m_config.Data();
    next.OrgType = orgType;
    if (!RenameRegister(op, RegisterFileName(next))) return false;
    m_config.Data().OrgType = orgType;
    return true;
}

void Session::ChangeDistrictSubMode(uint8_t typeOrganization) {
    m_settings.TypeOrganization = typeOrganization;
    WriteIniInteger(m_programDir, "Options", "TypeOrganization", typeOrganization);
}

void Session::SetEndOfSchoolYear(uint8_t month, uint8_t day) {
    m_settings.MonthEndAllow = month;
    m_settings.DayEndAllow = day;
    WriteIniInteger(m_programDir, "DateEndAllow", "MonthEndAllow", month);
    WriteIniInteger(m_programDir, "DateEndAllow", "DayEndAllow", day);
}

void Session::MainMenuAccess(bool enabled) {
    vrklad::MainMenuAccess(m_menu, enabled, m_config.Data());
}

void Session::OnFirstShown(Operator& op) {
    m_maxKlass = MaxKlassFor(m_config.Data().OrgType);
    if (!m_details) m_details = std::make_unique<DetailsStore>(op);
    m_details->Open(m_programDir.string());
}

void Session::Exit(Operator& op) {
    if (m_exited) return;
    m_exited = true;
    // A register held by another copy belongs to that copy, and so do the
    // counts in the configuration: neither is written from here.
    const bool owns = m_saveOnExit && m_config.IsLoaded() && m_state != RegisterState::Locked &&
                      m_state != RegisterState::Unreadable;
    if (owns) {
        RecountOrganizations(m_config.Data(), m_register, m_settings.TypeOrganization);
        try {
            m_config.Save();
        } catch (const ConfigError& e) {
            op.Error(e.what());
        }
    }
    m_config.Close();
    if (m_register.IsOpen()) {
        if (owns && m_sealOnExit) {
            SealRegister(m_register, m_register.Path().filename().string());
            m_register.Sync();
        }
        m_register.Close();
    }
}

}  // namespace vrklad
