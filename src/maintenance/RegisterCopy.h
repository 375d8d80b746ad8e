#pragma once

#include <cstdint>
#include <filesystem>
#include <vector>

#include "register/Operator.h"

namespace vrklad {

class RegisterFile;
class Session;

// "Выгрузить в файл": the learners of one organization as an installation
// of its own, in a directory of the operator's choice: "<OKPO>.sch" (the
// records of the rows, in the rows' order, sealed under that name), a
// single-organization "vrklad.cnf" for it and, on request, the program
// files. `rows` are register record indexes in the list's order;
// `programFile` is the desktop program's executable. The program files
// copied are that executable, the archiver "arj" when it lies in
// ProgramDir, "AlterVelum.asz" when present, and "VR_KLAD.INI"; files the
// directory already holds are kept. An empty list, or ProgramDir itself as
// the target (its own configuration would be replaced), is refused with a
// message. True when the register copy and its configuration were written.
bool WriteRegisterCopy(Session& session, Operator& op, const std::vector<uint16_t>& rows,
                       uint32_t okpo, const std::filesystem::path& programFile);

// The same into `directory` (created when missing) without questions; the
// program files are copied when `withProgramFiles`.
bool WriteRegisterCopy(Session& session, Operator& op, const std::vector<uint16_t>& rows,
                       uint32_t okpo, const std::filesystem::path& directory, bool withProgramFiles,
                       const std::filesystem::path& programFile);

// The rows the correction window lists when only `okpo` is checked in its
// organization filter, in register order: records not deleted or excluded
// whose OKPO is that code, or 0, or 99,999,999 and above (those belong to
// no organization and are always listed).
std::vector<uint16_t> OrganizationRows(const RegisterFile& reg, uint32_t okpo);

}  // namespace vrklad
