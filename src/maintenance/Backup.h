#pragma once

#include <filesystem>
#include <optional>
#include <string>

#include "register/Clock.h"

namespace vrklad {

class Operator;
class Session;

// The backup folder under ProgramDir and the system information file in it.
inline constexpr const char* kBackupDir = "BACKUP";
inline constexpr const char* kSysInfoFileName = "SysInfo.txt";

// "VRKLAD_2019-12-09_14-05.BKP" for that moment.
std::string BackupArchiveName(const LocalDateTime& moment);

// "Создать копию БД": writes "BACKUP/SysInfo.txt", brings the register and
// the configuration to rest as exit does, packs the register, "vrklad.cnf",
// "Additional.db" (when present) and SysInfo.txt into "BACKUP/VRKLAD_….BKP",
// reopens the files and tells the user how it went. `programFile` is the
// running program's file. True when the archive holds the backup.
bool CreateBackup(Session& session, Operator& op, const std::filesystem::path& programFile);

// The open dialog of "Восстановить БД из копии", in "BACKUP"; nothing on cancel.
std::optional<std::filesystem::path> ChooseBackupFile(Session& session, Operator& op);

// Puts the register, the configuration and the details database of a backup
// in place and reopens them. The archive is unpacked into a fresh directory
// first; only when it was read whole and holds a sound configuration are
// its files moved into ProgramDir, so a failing archiver or a damaged backup
// leaves every file as it was (after a message). Members other than those a
// backup writes are ignored. A relative `archive` is taken in ProgramDir.
// True when the files were replaced; a register the restored configuration
// names but the backup lacked then gets the start-up's message and the
// restricted menu.
bool RestoreBackup(Session& session, Operator& op, const std::filesystem::path& archive);

}  // namespace vrklad
