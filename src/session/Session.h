#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "details/DetailsStore.h"
#include "exchange/RegisterIndexes.h"
#include "register/Operator.h"
#include "register/ProgramConfig.h"
#include "register/RegisterFile.h"
#include "register/SettingsIni.h"
#include "session/MainMenuAccess.h"

namespace vrklad {

// The state one run of the program works on: the settings, the
// configuration and the one exclusive register handle, with the start-up
// and exit sequences. The desktop program and the batch tool share it; all
// questions and messages go through the Operator.
class Session {
public:
    enum class StartupResult {
        Ready,       // register open (and verified): full menu, start the timer
        Restricted,  // no usable register (missing, held by another copy, unreadable)
        Stopped,     // a working directory could not be made; nothing was loaded
        Quit,        // the program ends: no settings, first start cancelled or failed
    };

    enum class RegisterState {
        Closed,      // not opened yet
        Open,        // the handle is ours
        Missing,     // no file of the configured name
        Locked,      // held by another running copy; never written by this one
        Unreadable,  // exists but cannot be opened; never written
    };

    // What start-up does about the first-start dialogue. The desktop program
    // asks when the installation is not configured; the batch tool refuses
    // to work on an installation that is not configured, except for the
    // command whose whole work is the first start.
    enum class FirstStartPolicy {
        Ask,     // not configured: run the dialogue
        Refuse,  // not configured: stop (Quit) before anything is asked
        Only,    // configured already: stop (Quit) before the register is opened
    };

    // `programDir` is the executable's directory.
    explicit Session(std::filesystem::path programDir);
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;

    StartupResult Startup(Operator& op);
    // Set before Startup; Ask by default.
    void SetFirstStartPolicy(FirstStartPolicy policy) { m_firstStartPolicy = policy; }
    // Startup ended with Quit because of the policy (nothing was shown).
    bool StoppedByFirstStartPolicy() const { return m_stoppedByPolicy; }
    // Startup found a checksum trailer that does not match the records.
    bool ChecksumMismatch() const { return m_checksumMismatch; }
    // False keeps the register byte for byte at exit (no fresh trailer), so
    // that a failed verification stays visible; the exit still recounts and
    // saves the configuration.
    void SetSealOnExit(bool seal) { m_sealOnExit = seal; }
    // MaxKlass, then the details database when its file is present.
    void OnFirstShown(Operator& op);
    // Recount, save and close the configuration, seal and close the
    // register. A register this copy does not own is left untouched, and so
    // is the configuration then. Runs once; later calls do nothing. False
    // when the configuration could not be saved (after the message).
    bool Exit(Operator& op);

    // Opens the register under the name the configuration gives, unless it
    // is open already, telling the user why when it cannot be used. For
    // start-up and for the operations that close and reopen it.
    RegisterState OpenRegister(Operator& op);

    // Closes the configuration, the register and the details database for an
    // operation that packs or replaces their files. With `bringToRest` the
    // files are first left as exit leaves them: organizations recounted,
    // configuration saved, register sealed. False, after the platform's error
    // text, when the configuration could not be saved; nothing is closed then.
    bool CloseFiles(Operator& op, bool bringToRest);
    // After CloseFiles: reads the configuration again (created empty when
    // missing), opens the register under the name it now gives, with the
    // start-up's messages, reconnects the details database when its file is
    // there and applies the menu rule of the outcome.
    RegisterState ReopenFiles(Operator& op);
    // After the register's file was replaced under the open handle: the
    // handle lets go of the old file and the register is opened again under
    // its name; the menu follows the outcome.
    RegisterState ReopenRegister(Operator& op);

    // Moves the open register to the name the configuration `next` gives
    // (a new OKPO or organization type), its records replaced by `records`
    // when given, and makes `next` the configuration, saved at once: the
    // configuration must always name the file the register is in. Refused,
    // before anything changes, when a file of the new name exists; a failed
    // move leaves the register open under its old name and the configuration
    // as it was. With no register file on disk only `next` is taken. True
    // when the register now goes by the new name.
    bool RenameRegister(Operator& op, const ProgramConfig& next,
                        const std::vector<StudentRecord>* records = nullptr);

    // Puts `records` in the place of the open register, under its own name
    // or, with `next`, under the name `next` gives, `next` then becoming the
    // configuration (saved). The records go to a new file beside the
    // register, sealed under its name, flushed and held locked from the
    // start; it takes the register's place by one rename, so a crash at any
    // point leaves either the old register or the new one, and a move to
    // another name is settled by the next start. The register stays open.
    // The system's error text on failure, with nothing changed; empty when
    // done.
    std::string ReplaceRegister(const std::vector<StudentRecord>& records,
                                const ProgramConfig* next = nullptr);

    // The organization type dialog: single mode changes OrgType (and the
    // register's name with it, refused as RenameRegister refuses); district
    // mode changes the sub-mode in memory and in the settings file.
    bool ChangeOrgType(Operator& op, uint8_t orgType);
    void ChangeDistrictSubMode(uint8_t typeOrganization);

    // The "Прочие параметры" dialog: in memory and in the settings file.
    void SetEndOfSchoolYear(uint8_t month, uint8_t day);

    // Applies the menu rule of a usable (true) or missing register.
    void MainMenuAccess(bool enabled);

    const std::filesystem::path& ProgramDir() const { return m_programDir; }
    Settings& IniSettings() { return m_settings; }
    const Settings& IniSettings() const { return m_settings; }
    ConfigFile& Configuration() { return m_config; }
    ProgramConfig& Config() { return m_config.Data(); }
    const ProgramConfig& Config() const { return m_config.Data(); }
    RegisterFile& Register() { return m_register; }
    const RegisterFile& Register() const { return m_register; }
    bool RegisterUsable() const { return m_register.IsOpen(); }
    RegisterState State() const { return m_state; }
    const std::string& RegisterName() const { return m_registerName; }
    uint8_t MaxKlass() const { return m_maxKlass; }
    const MainMenuState& Menu() const { return m_menu; }
    // The document details database (connected or not) and the two lookup
    // indexes; both exist from Startup on.
    DetailsStore& Details() { return *m_details; }
    bool DetailsAvailable() const { return m_details && m_details->DetailsAvailable(); }
    RegisterIndexes& Indexes() { return *m_indexes; }

private:
    bool MakeWorkingDirectories(Operator& op);
    bool FirstStart(Operator& op);
    bool AbandonFirstStart(Operator& op, const ProgramConfig& before, const std::string& text);
    void ReportUnusable(Operator& op, RegisterState state);
    void FinishInterruptedRestore(Operator& op);
    // Returns the name an interrupted move was going to.
    std::string SettleInterruptedRename();
    void RemoveLeftovers(const std::string& movedTo);

    std::filesystem::path m_programDir;
    Settings m_settings;
    ConfigFile m_config;
    RegisterFile m_register;
    RegisterState m_state = RegisterState::Closed;
    std::string m_registerName;
    uint8_t m_maxKlass = 0;
    MainMenuState m_menu;
    std::unique_ptr<DetailsStore> m_details;
    std::unique_ptr<RegisterIndexes> m_indexes = std::make_unique<RegisterIndexes>();
    bool m_saveOnExit = false;
    bool m_exited = false;
    FirstStartPolicy m_firstStartPolicy = FirstStartPolicy::Ask;
    bool m_stoppedByPolicy = false;
    bool m_checksumMismatch = false;
    bool m_sealOnExit = true;
};

}  // namespace vrklad
