#pragma once

#include <filesystem>
#include <string>

#include "register/Operator.h"
#include "register/ProgramConfig.h"

namespace vrklad {

// Steps the actual-records and corrections exports have in common.

// "Не удалось записать файл <path> (<error>)".
std::string CannotWriteText(const std::filesystem::path& path, const std::string& error);

// Sets LastExchangeDate (and LastActualDate when asked) to today and saves
// the configuration. When saving fails the dates in memory go back to what
// the file still holds and the system's error text is shown.
bool SaveExchangeDates(ConfigFile& config, bool actual, Operator& op);

// Packs the record file and its log from Export/, with the details database
// of ProgramDir when there is one, into Export/<archiveName> (added to when
// it exists). When the archiver does not do it, shows "Ошибка создания
// файла " + the archive's path and returns false.
bool PackExport(const std::string& programDir, const std::string& archiveName,
                const std::string& recordFile, const std::string& logFile, Operator& op);

}  // namespace vrklad
