#include "support/Learners.h"

#include <cstdio>
#include <string>

#include "register/ChangeCodes.h"
#include "support/FuzzProgramDir.h"

namespace vrklad::fuzz {

StudentRecord Learner(uint32_t n, int32_t okpo, uint16_t agency) {
    StudentRecord r = EmptyRecord();
    r.OKPO = static_cast<uint32_t>(okpo);
    r.ORG = agency;
    char doc[32];
    std::snprintf(doc, sizeof doc, "\xCF.40.05.%07u", n);  // П.40.05.NNNNNNN
    SetFieldBytes(r.DOC, doc);
    SetFieldText(r.FIO, "Ученик Номер " + std::to_string(n));
    SetFieldText(r.BILET, "0012345");
    r.PersSex = kSexMale;
    r.DBIRTH = {2008, 5, 1};
    r.DATEEND = {2026, 9, 30};
    r.KlassNumber = 10;
    r.KlassLetter = 0xC0;  // А
    r.LastChange = Added;
    r.ChangeDate = {2024, 1, 10};
    return r;
}

void WriteRecords(const std::filesystem::path& path, const std::vector<StudentRecord>& records) {
    FuzzProgramDir::Write(path, std::string(reinterpret_cast<const char*>(records.data()),
                                            records.size() * sizeof(StudentRecord)));
}

}  // namespace vrklad::fuzz
