#pragma once

#include <string>

#include "exchange/ExportResult.h"
#include "register/Operator.h"
#include "register/ProgramConfig.h"
#include "register/RegisterFile.h"

namespace vrklad {

// "Создать с актуальными записями": writes every current record of the
// register into Export/<base>.act (the exchange file format, JuniorFlag
// computed afresh), its protocol Export/Actual.log, sets LastActualDate and
// LastExchangeDate to today and saves the configuration, packs the file, the
// log and ProgramDir/Additional.db into Export/ACTUAL.ARJ and offers to move
// that archive to removable media; once moved, the pending corrections file
// is dropped. The register is only read.
ExportResult ExportActual(const std::string& programDir, const RegisterFile& reg,
                          ConfigFile& config, Operator& op);

}  // namespace vrklad
