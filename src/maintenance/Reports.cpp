#include "maintenance/Reports.h"

#include <algorithm>
#include <array>
#include <filesystem>
#include <system_error>

#include "register/ChangeCodes.h"
#include "register/Cp1251.h"
#include "register/ProgramConfig.h"
#include "register/RegisterFile.h"
#include "register/TextFile.h"
#include "rules/Cp1251Case.h"
#include "session/OrganizationItems.h"
#include "session/Session.h"

namespace vrklad {
namespace {

constexpr int kKlassRows = 12;
constexpr int kLetterColumns = 33;  // no letter, then А..Я
constexpr unsigned char kFirstCapital = 0xC0;
constexpr unsigned char kLastCapital = 0xDF;

// The viewer reports no reason of its own; the message carries the shell's
// code for "no application is associated with the file", which is what a
// failure to start the default viewer amounts to.
constexpr int kNoViewerCode = 31;

std::string Unsigned(int32_t okpo) { return std::to_string(static_cast<uint32_t>(okpo)); }

// The column of a letter byte, or -1 when the table has none for it.
int LetterColumn(uint8_t letter) {
    if (letter == 0) return 0;
    const auto upper = static_cast<unsigned char>(Cp1251Upper(static_cast<char>(letter)));
    if (upper < kFirstCapital || upper > kLastCapital) return -1;
    return upper - (kFirstCapital - 1);
}

// A space for the column without letter.
std::string LetterText(int column) {
    if (column == 0) return " ";
    return Cp1251ToUtf8(std::string(1, static_cast<char>(kFirstCapital - 1 + column)));
}

bool WriteAndShow(Session& session, Operator& op, const char* name,
                  const std::vector<std::string>& lines) {
    const std::filesystem::path path = session.ProgramDir() / name;
    if (const std::error_code ec = WriteTextFile(path, lines)) {
        op.Error("Не удалось записать файл " + path.string() + " (" + ec.message() + ").");
        return false;
    }
    if (!op.OpenInViewer(path.string())) {
        op.Warn("Не удалось открыть файл. Код ошибки " + std::to_string(kNoViewerCode));
    }
    return true;
}

}  // namespace

std::vector<std::string> OrganizationReportLines(const ProgramConfig& config) {
    std::vector<std::string> lines{"Код ОКПО; Орг.; Кол-во"};
    const int rows = std::min<int>(config.OrgCount, ProgramConfig::kMaxOrgs);
    for (int i = 0; i < rows; ++i) {
        lines.push_back(Unsigned(config.OrgOKPO[i]) + "; " + std::to_string(config.OrgAgency[i]) +
                        " ; " + std::to_string(config.OrgLearners[i]));
    }
    lines.push_back("Всего организаций " + std::to_string(config.OrgCount) + ", " +
                    std::to_string(config.TotalLearners) + " человек(а)");
    return lines;
}

bool ReportByOrganizations(Session& session, Operator& op) {
    return WriteAndShow(session, op, kOrgReportFile, OrganizationReportLines(session.Config()));
}

std::vector<std::string> ClassReportLines(const ProgramConfig& config, const RegisterFile& reg,
                                          std::optional<uint32_t> okpo) {
    std::array<std::array<uint16_t, kLetterColumns>, kKlassRows + 1> counts{};
    uint32_t others = 0;
    for (const StudentRecord& r : reg.ReadAll()) {
        if (IsExcludedByValue(r.LastChange)) continue;
        if (okpo && r.OKPO != *okpo) continue;
        const int column = LetterColumn(r.KlassLetter);
        if (r.KlassNumber < 1 || r.KlassNumber > kKlassRows || column < 0) {
            ++others;
            continue;
        }
        ++counts[r.KlassNumber][column];
    }

    std::vector<std::string> lines{"Класс ;Кол-во"};
    for (int klass = 1; klass <= kKlassRows; ++klass) {
        for (int column = 0; column < kLetterColumns; ++column) {
            const uint16_t count = counts[klass][column];
            if (count == 0) continue;
            lines.push_back(std::to_string(klass) + "  '" + LetterText(column) + "';" +
                            std::to_string(count));
        }
    }
    if (others != 0) lines.push_back("Прочие;" + std::to_string(others));

    int row = 0;
    if (okpo) {
        row = -1;
        for (int i = 0; i < ProgramConfig::kMaxOrgs && row < 0; ++i) {
            if (static_cast<uint32_t>(config.OrgOKPO[i]) == *okpo) row = i;
        }
    }
    const std::string total = row >= 0 ? Unsigned(config.OrgOKPO[row]) : std::to_string(*okpo);
    const std::string learners = row >= 0 ? std::to_string(config.OrgLearners[row]) : "0";
    lines.push_back("Всего в организации '" + total + "' : " + learners + " человек(а)");
    return lines;
}

bool ReportByClasses(Session& session, Operator& op) {
    const ProgramConfig& cfg = session.Config();
    std::optional<uint32_t> okpo;
    if (cfg.OrgCount > 1) {
        const std::optional<Operator::OrgItem> choice =
            op.ChooseOrganization(OrganizationItems(cfg));
        if (!choice) return false;
        okpo = choice->okpo;
    }
    return WriteAndShow(session, op, kKlassReportFile,
                        ClassReportLines(cfg, session.Register(), okpo));
}

bool ReportByClasses(Session& session, Operator& op, std::optional<uint32_t> okpo) {
    const ProgramConfig& cfg = session.Config();
    if (okpo) {
        const auto items = OrganizationItems(cfg);
        const bool known = std::any_of(items.begin(), items.end(),
                                       [&](const Operator::OrgItem& i) { return i.okpo == *okpo; });
        if (!known) {
            op.Error("Организация с кодом ОКПО " + std::to_string(*okpo) +
                     " не найдена в таблице организаций.");
            return false;
        }
    }
    return WriteAndShow(session, op, kKlassReportFile,
                        ClassReportLines(cfg, session.Register(), okpo));
}

}  // namespace vrklad
