#pragma once

#include <filesystem>

#include "exchange/ProcessRecordFile.h"

namespace vrklad {

class Operator;
class Session;

// "Обработать файл" once the file is chosen: an archive, another
// organization's register file or a table, each by its own processing, on
// the session's register, configuration, details and indexes.
IncomingResult LoadFile(Session& session, Operator& op, const std::filesystem::path& path);

}  // namespace vrklad
