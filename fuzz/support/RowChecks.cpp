#include "support/RowChecks.h"

#include <string>

#include "register/Clock.h"
#include "register/Cp1251.h"
#include "register/ProgramConfig.h"
#include "register/StudentRecord.h"
#include "rules/Documents.h"
#include "rules/PersonalChecks.h"
#include "support/FuzzCheck.h"

namespace vrklad::fuzz {
namespace {

const ProgramConfig& FuzzConfig() {
    static const ProgramConfig config = [] {
        ProgramConfig c = EmptyConfig();
        c.OrgType = 1;
        c.OrgCount = 3;
        const int32_t okpo[] = {12345678, 87654321, 1};
        const uint16_t agency[] = {5, 7, 999};
        for (int i = 0; i < 3; ++i) {
            c.OrgOKPO[i] = okpo[i];
            c.OrgAgency[i] = agency[i];
        }
        c.OwnAgency = 5;
        return c;
    }();
    return config;
}

bool OneLine(const std::string& text) {
    for (char c : text)
        if (static_cast<unsigned char>(c) < 0x20) return false;
    return true;
}

bool ValidDate(const RecordDate& d) { return IsValidDate(d.year, d.month, d.day); }

}  // namespace

ImportRules FuzzRules(uint8_t orgType) {
    return ImportRules{FuzzConfig(), SchoolYear{orgType, MaxKlassFor(orgType), 9, 30},
                       RecordDate{2024, 2, 20}};
}

void CheckRow(const std::vector<std::string>& values, const ImportColumns& columns,
              const ImportRules& rules, uint32_t source) {
    const ImportedRow row = ImportRow(values, columns, rules, source);
    // Each row gives one line of the protocol.
    FUZZ_CHECK(OneLine(row.prefix));
    FUZZ_CHECK(OneLine(row.failure));
    if (row.ok()) {
        const StudentRecord& r = row.record;
        // The document is stored in canonical form: canonical again, unchanged.
        std::string doc = FieldBytes(r.DOC);
        std::string message;
        FUZZ_CHECK(doc.size() == 15);
        const std::string stored = doc;
        FUZZ_CHECK(CanonicalDocumentCp1251(doc, message));
        FUZZ_CHECK(doc == stored);
        FUZZ_CHECK(r.KlassNumber >= 1 && r.KlassNumber <= rules.year.maxKlass);
        FUZZ_CHECK(ValidDate(r.DBIRTH));
        FUZZ_CHECK(ValidDate(r.DATEEND));
        FUZZ_CHECK(r.ORG >= 1 && r.ORG <= 999);
        FUZZ_CHECK(r.OKPO != 0);
        FUZZ_CHECK(r.PersSex != 0);
        FUZZ_CHECK(r.SNILS == 0 || CheckSnils(r.SNILS));
        FUZZ_CHECK(IsFioValid(FieldText(r.FIO)));
    } else {
        FUZZ_CHECK(!row.failure.empty());
    }
    if (columns.HasDetails()) {
        const RowDetails details = ImportRowDetails(values, columns);
        FUZZ_CHECK(!(details.details && !details.failure.empty()));
        FUZZ_CHECK(OneLine(details.failure));
        if (details.details) FUZZ_CHECK(ValidDate(details.details->issueDate));
    }
}

void CheckRows(const ImportedTable& table) {
    const ImportColumns columns = ImportColumns::Find(table);
    FUZZ_CHECK(columns.width == table.columns.size());
    if (!columns.HasRequired()) return;  // the import stops with a message here
    for (const uint8_t orgType : {uint8_t{1}, uint8_t{4}}) {
        const ImportRules rules = FuzzRules(orgType);
        for (const ImportedTable::Row& row : table.rows) CheckRow(row.values, columns, rules, row.source);
    }
}

}  // namespace vrklad::fuzz
