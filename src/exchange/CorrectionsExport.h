#pragma once

#include <string>

#include "exchange/ExportResult.h"
#include "exchange/RegisterIndexes.h"
#include "register/Operator.h"
#include "register/ProgramConfig.h"
#include "register/RegisterFile.h"

namespace vrklad {

// "Создать с откорректированными записями": adds the records changed since
// LastExchangeDate to the pending corrections file Export/<base>.cor (a
// record changed on that very day only when the file holds no identical
// copy), writes the protocol Export/Correct.log, sets LastExchangeDate to
// today and saves the configuration, moves older Export/CORRECT_*.ARJ into
// Export/ARH/, packs the file, the log and ProgramDir/Additional.db into
// Export/CORRECT_YYmmDDHHMMSS.ARJ and offers to move that archive to
// removable media; once moved, the pending file is dropped. The indexes are
// rebuilt from the register first; the register is only read. When the
// configuration cannot be saved the pending file is put back as it was, so
// that the next export, from the same date, does not add the records again.
ExportResult ExportCorrections(const std::string& programDir, const RegisterFile& reg,
                               ConfigFile& config, RegisterIndexes& indexes, Operator& op);

}  // namespace vrklad
