#include "exchange/RegisterIndexes.h"

#include "register/RegisterFile.h"

namespace vrklad {

void RegisterIndexes::Rebuild(const RegisterFile& reg) {
    const std::vector<StudentRecord> records = reg.ReadAll();
    docs.Rebuild(records);
    snils.Rebuild(records);
}

}  // namespace vrklad
