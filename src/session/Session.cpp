#include "session/Session.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <system_error>

#include "register/Checksum.h"
#include "register/Clock.h"
#include "register/FaultInjection.h"
#include "register/ReplacementJournal.h"
#include "register/SafeReplace.h"

namespace vrklad {
namespace {

constexpr const char* kAttention = "Внимание!";

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
    FinishInterruptedRestore(op);
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
        op.Error(e.Message());
        m_config.Close();
        return StartupResult::Quit;
    }
    m_saveOnExit = true;

    if (OpenRegister(op) != RegisterState::Open) {
        MainMenuAccess(false);
        return StartupResult::Restricted;
    }
    // The register is ours now, so no other copy is in the middle of a
    // replacement: what one left behind can go.
    RemoveLeftovers(SettleInterruptedRename());
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

bool Session::RenameRegister(Operator& op, const ProgramConfig& next,
                             const std::vector<StudentRecord>* records) {
    const std::string oldName = m_registerName;
    const std::string newName = RegisterFileName(next);
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
        m_config.Data() = next;
        m_registerName = newName;
        return true;
    }
    if (newName == oldName) {
        m_config.Data() = next;
        return true;
    }
    if (Exists(m_programDir / newName)) {
        op.Error("Файл данных " + newName + " уже существует. Файл данных " + oldName +
                 " не переименован, изменения не внесены.");
        return false;
    }
    std::vector<StudentRecord> stored;
    if (records == nullptr) {
        stored = m_register.ReadAll();
        if (stored.size() != m_register.CountRecords()) {
            op.Error("Не удалось прочитать файл данных " + oldName + ". Изменения не внесены.");
            return false;
        }
        records = &stored;
    }
    const std::string error = ReplaceRegister(*records, &next);
    if (!error.empty()) {
        op.Error("Не удалось переименовать файл данных " + oldName + " в " + newName + " (" +
                 error + "). Изменения не внесены.");
        return false;
    }
    return true;
}

std::string Session::ReplaceRegister(const std::vector<StudentRecord>& records,
                                     const ProgramConfig* next) {
    if (!m_register.IsOpen()) return std::strerror(EBADF);
    const std::string oldName = m_registerName;
    const std::string newName = next != nullptr ? RegisterFileName(*next) : oldName;
    if (newName.empty()) return std::strerror(EINVAL);
    const bool move = newName != oldName;
    // Another configuration under the same name would be a second file to
    // replace, which one rename cannot do.
    if (next != nullptr && !move) return std::strerror(EINVAL);
    const std::filesystem::path oldPath = m_register.Path();
    const std::filesystem::path newPath = m_programDir / newName;
    if (move) {
        if (Exists(newPath)) return std::strerror(EEXIST);
        // Written first: whatever follows, the next start knows which file
        // is left over.
        const ReplacementJournal journal{
            ReplacementJournal::Kind::Rename, oldName, newName, {}, {}};
        if (const std::error_code ec = WriteJournal(m_programDir, journal)) return ec.message();
    }
    const auto undo = [&](const std::string& error) {
        if (move) RemoveJournal(m_programDir);
        return error;
    };

    std::string temp;
    const int fd = CreateTemporaryBeside(newPath, temp);
    if (fd < 0) return undo(std::strerror(errno));
    RegisterFile fresh;
    const RegisterFile::OpenResult opened = fresh.Open(temp);
    ::close(fd);
    errno = 0;
    const bool written =
        opened == RegisterFile::OpenResult::Ok &&
        (records.empty() ||
         (fresh.WriteAt(0, records.data(), records.size() * sizeof(StudentRecord)) &&
          SealRegister(fresh, newName))) &&
        fresh.Sync();
    if (!written || !fresh.MoveTo(newPath, /*replace=*/!move)) {
        const std::string error =
            fresh.LastError().empty() ? std::strerror(errno ? errno : EIO) : fresh.LastError();
        fresh.Close();
        ::unlink(temp.c_str());
        return undo(error);
    }

    if (move) {
        // The configuration names the new file from here on: this save is
        // the moment the move takes effect.
        const ProgramConfig before = m_config.Data();
        m_config.Data() = *next;
        try {
            m_config.Save();
        } catch (const ConfigError& e) {
            m_config.Data() = before;
            io::Unlink(newPath.c_str());
            return undo(e.what());
        }
        // A file that will not go is removed by the next start.
        if (io::Unlink(oldPath.c_str()) == 0 || errno == ENOENT) {
            io::SyncDirectory(m_programDir.c_str());
            RemoveJournal(m_programDir);
        }
    }
    m_register = std::move(fresh);
    m_registerName = newName;
    m_state = RegisterState::Open;
    return {};
}

void Session::FinishInterruptedRestore(Operator& op) {
    const std::optional<ReplacementJournal> journal = ReadJournal(m_programDir);
    if (!journal || journal->kind != ReplacementJournal::Kind::Moves) return;
    std::string failed;
    if (const std::error_code ec = CarryOutMoves(m_programDir, *journal, &failed)) {
        op.Error("Не удалось завершить прерванное восстановление из резервной копии: файл " +
                 failed + " не заменён (" + ec.message() + ").");
    }
}

std::string Session::SettleInterruptedRename() {
    const std::optional<ReplacementJournal> journal = ReadJournal(m_programDir);
    if (!journal || journal->kind != ReplacementJournal::Kind::Rename) return {};
    // The configuration tells whether the move took effect.
    const std::string& left = m_registerName == journal->to     ? journal->from
                              : m_registerName == journal->from ? journal->to
                                                                : m_registerName;
    if (left != m_registerName && io::Unlink((m_programDir / left).c_str()) != 0 &&
        errno != ENOENT) {
        return {};
    }
    RemoveJournal(m_programDir);
    return journal->to;
}

void Session::RemoveLeftovers(const std::string& movedTo) {
    // The temporary files of whole-file replacements (the configuration, the
    // register under its name and under the name of an interrupted move,
    // compaction's work file, the journal) and the staging directories of
    // restores, left by a crash.
    const std::string names[] = {ConfigFile::kFileName, m_registerName, movedTo, "NewDataFile",
                                 ReplacementJournal::kFileName};
    const bool journalLeft = ReadJournal(m_programDir).has_value();
    std::vector<std::filesystem::path> leftovers;
    try {
        for (const auto& entry : std::filesystem::directory_iterator(m_programDir)) {
            const std::string name = entry.path().filename().string();
            if (name.empty() || name[0] != '.') continue;
            const bool staging = name.rfind(ReplacementJournal::kStagingPrefix, 0) == 0;
            if ((staging && !journalLeft) ||
                std::any_of(std::begin(names), std::end(names), [&](const std::string& of) {
                    return !of.empty() && IsTemporaryOf(name, of);
                })) {
                leftovers.push_back(entry.path());
            }
        }
    } catch (const std::filesystem::filesystem_error&) {
        return;  // tidying up only; the next start tries again
    }
    for (const std::filesystem::path& path : leftovers) {
        std::error_code ec;
        std::filesystem::remove_all(path, ec);
    }
}

bool Session::CloseFiles(Operator& op, bool bringToRest) {
    if (bringToRest && m_config.IsLoaded() && m_register.IsOpen()) {
        RecountOrganizations(m_config.Data(), m_register, m_settings.TypeOrganization);
        try {
            m_config.Save();
        } catch (const ConfigError& e) {
            op.Error(e.Message());
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
        op.Error(e.Message());
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
    if (RegisterFileName(next) == m_registerName) {
        // The name stays: the type is stored with the next save.
        m_config.Data().OrgType = orgType;
        return true;
    }
    return RenameRegister(op, next);
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

bool Session::Exit(Operator& op) {
    if (m_exited) return true;
    m_exited = true;
    bool saved = true;
    // A register held by another copy belongs to that copy, and so do the
    // counts in the configuration: neither is written from here.
    const bool owns = m_saveOnExit && m_config.IsLoaded() && m_state != RegisterState::Locked &&
                      m_state != RegisterState::Unreadable;
    if (owns) {
        RecountOrganizations(m_config.Data(), m_register, m_settings.TypeOrganization);
        try {
            m_config.Save();
        } catch (const ConfigError& e) {
            op.Error(e.Message());
            saved = false;
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
    return saved;
}

}  // namespace vrklad
