// Keeping the data safe: backup and restore, compaction, reports, the copy
// of one organization and the organization commands, each the operation the
// menu item runs.
#include <filesystem>
#include <iostream>
#include <optional>
#include <string>
#include <system_error>

#include "cli/CliCommand.h"
#include "maintenance/Backup.h"
#include "maintenance/Compaction.h"
#include "maintenance/OrgMaintenance.h"
#include "maintenance/RegisterCopy.h"
#include "maintenance/Reports.h"
#include "session/OrganizationItems.h"

namespace vrklad {
namespace {

namespace fs = std::filesystem;

// The desktop program, whose files a register copy takes along.
constexpr const char* kDesktopProgram = "vrklad";

fs::path ToolFile() {
    std::error_code ec;
    const fs::path exe = fs::read_symlink("/proc/self/exe", ec);
    return ec ? fs::path() : exe;
}

// The desktop program of this installation: in ProgramDir, or else beside
// the tool. Empty when there is none.
fs::path DesktopProgramFile(const Session& session) {
    std::error_code ec;
    for (const fs::path& dir : {session.ProgramDir(), ToolFile().parent_path()}) {
        if (dir.empty()) continue;
        const fs::path file = dir / kDesktopProgram;
        if (fs::is_regular_file(file, ec)) return file;
    }
    return {};
}

bool KnownOrganization(const Session& session, uint32_t okpo) {
    for (const Operator::OrgItem& item : OrganizationItems(session.Config())) {
        if (item.okpo == okpo) return true;
    }
    return false;
}

// The replacements change nothing, silently, when the code given is the
// current one: that is no failure for a script.
int CodeReplaced(CliContext& ctx, bool changed, int problemsBefore, const std::string& unchanged) {
    if (changed) return kExitDone;
    if (ctx.Op().Problems() > problemsBefore) return kExitStopped;
    ctx.Op().Inform(unchanged);
    return kExitDone;
}

std::string ValidateCode(const CliArguments& args, Operator::Code code) {
    const std::string& digits = args.positional.at(0);
    const bool okpo = code == Operator::Code::Okpo;
    if (!TerminalOperator::CodeTextAcceptable(code, digits) || ParseDecimal(digits) == 0u) {
        return okpo ? "код ОКПО — от 6 до 8 цифр, не все нули"
                    : "код агенства — от 1 до 3 цифр, не все нули";
    }
    return {};
}

std::string ValidateOkpoArgument(const CliArguments& args) {
    if (!ParseDecimal(args.positional.at(0))) return "код ОКПО — десятичное число";
    return {};
}

int Backup(CliContext& ctx) {
    return ctx.Run([&] { return CreateBackup(ctx.GetSession(), ctx.Op(), ToolFile()); });
}

// A backup restored whole but without the register its configuration names
// leaves the installation without a register to work on: not a success.
int Restore(CliContext& ctx) {
    Session& session = ctx.GetSession();
    const fs::path archive = fs::absolute(ctx.Args().positional.at(0));
    const bool restored = RestoreBackup(session, ctx.Op(), archive);
    return restored && session.RegisterUsable() ? kExitDone : kExitStopped;
}

int Compact(CliContext& ctx) {
    switch (CompactRegister(ctx.GetSession(), ctx.Op())) {
        case CompactionResult::Compacted:
            return kExitDone;
        case CompactionResult::Declined:
            std::cerr << "Сжатие БД не выполнено (ответ «Да» — параметр --yes)." << std::endl;
            return kExitStopped;
        case CompactionResult::Failed:
            break;
    }
    return kExitStopped;
}

std::string ValidateReport(const CliArguments& args) {
    const std::string& kind = args.positional.at(0);
    if (kind != "orgs" && kind != "classes") return "вид отчёта — orgs или classes";
    if (const auto okpo = args.Value("--okpo")) {
        if (kind != "classes") return "параметр --okpo — только для отчёта classes";
        if (!ParseDecimal(*okpo)) return "код ОКПО — десятичное число";
    }
    return {};
}

int Report(CliContext& ctx) {
    Session& session = ctx.GetSession();
    if (ctx.Args().positional.at(0) == "orgs") {
        return ctx.Run([&] { return ReportByOrganizations(session, ctx.Op()); });
    }
    const auto okpo = ctx.Args().Value("--okpo");
    const std::optional<uint32_t> code = okpo ? ParseDecimal(*okpo) : std::nullopt;
    return ctx.Run([&] { return ReportByClasses(session, ctx.Op(), code); });
}

// The organization is one of the table, as the correction window's filter
// offers them: another code would copy only the records of no organization.
int CopyOrg(CliContext& ctx) {
    Session& session = ctx.GetSession();
    const uint32_t okpo = *ParseDecimal(ctx.Args().positional.at(0));
    if (!KnownOrganization(session, okpo)) {
        return ctx.Fail("Организация с кодом ОКПО " + std::to_string(okpo) +
                        " не найдена в таблице организаций. Копия не создана.");
    }
    const bool withProgram = ctx.Args().Has("--with-program");
    const fs::path program = DesktopProgramFile(session);
    if (withProgram && program.empty()) {
        ctx.Op().Inform(std::string("Программа ") + kDesktopProgram +
                        " не найдена ни в каталоге программы, ни рядом с " +
                        "vrklad-cli: копируются только остальные файлы программы.");
    }
    return ctx.Run([&] {
        return WriteRegisterCopy(session, ctx.Op(), OrganizationRows(session.Register(), okpo),
                                 okpo, ctx.Args().positional.at(1), withProgram, program);
    });
}

int ReplaceOkpoCommand(CliContext& ctx) {
    const uint32_t okpo = *ParseDecimal(ctx.Args().positional.at(0));
    const int before = ctx.Op().Problems();
    const bool changed = ReplaceOkpo(ctx.GetSession(), ctx.Op(), okpo);
    return CodeReplaced(ctx, changed, before,
                        "Код ОКПО уже " + std::to_string(okpo) + ": изменения не нужны.");
}

int ReplaceAgencyCommand(CliContext& ctx) {
    const uint32_t agency = *ParseDecimal(ctx.Args().positional.at(0));
    const int before = ctx.Op().Problems();
    const bool changed = ReplaceAgency(ctx.GetSession(), ctx.Op(), agency);
    return CodeReplaced(ctx, changed, before,
                        "Код агенства уже " + std::to_string(agency) + ": изменения не нужны.");
}

// The question names the organization, so it is confirmed as the next one
// asked rather than by its text.
int DeleteOrg(CliContext& ctx) {
    const uint32_t okpo = *ParseDecimal(ctx.Args().positional.at(0));
    ctx.Op().ConfirmNextQuestion();
    return ctx.Run([&] { return DeleteOrganization(ctx.GetSession(), ctx.Op(), okpo); });
}

std::string ValidateSetType(const CliArguments& args) {
    const auto type = ParseDecimal(args.positional.at(0), 1);
    if (!type || *type > 4) return "тип организации — цифра от 0 до 4";
    return {};
}

// As the organization type dialog: the type of a single organization, or
// the district office's sub-mode.
int SetType(CliContext& ctx) {
    Session& session = ctx.GetSession();
    const auto type = static_cast<uint8_t>(*ParseDecimal(ctx.Args().positional.at(0), 1));
    if (session.Config().DistrictMode == 1) {
        if (type > 1) {
            ctx.Op().Error(
                "В режиме района тип — 0 (детсады) или 1 (школы). Изменения не внесены.");
            return kExitUsage;
        }
        session.ChangeDistrictSubMode(type);
        return kExitDone;
    }
    if (type < 1) {
        ctx.Op().Error(
            "Тип организации — 1 (школа), 2 (техникум), 3 (ПТУ) или 4 (ВУЗ). Изменения не "
            "внесены.");
        return kExitUsage;
    }
    return ctx.Run([&] { return session.ChangeOrgType(ctx.Op(), type); });
}

const bool kBackupRegistered = RegisterCliCommand({
    .name = "backup",
    .summary = "создать копию БД в каталоге BACKUP (VRKLAD_ГГГГ-ММ-ДД_ЧЧ-ММ.BKP)",
    .run = Backup,
});

const bool kRestoreRegistered = RegisterCliCommand({
    .name = "restore",
    .synopsis = "ФАЙЛ",
    .summary = "восстановить БД из копии ФАЙЛ (путь от текущего каталога); работает и без "
               "файла данных",
    .minArguments = 1,
    .maxArguments = 1,
    .needs = CliCommand::Needs::Configuration,
    .run = Restore,
});

const bool kCompactRegistered = RegisterCliCommand({
    .name = "compact",
    .summary = "сжатие БД: убрать удалённые и исключённые записи (если их удаление ещё не "
               "передано, нужен --yes)",
    .run = Compact,
});

const bool kReportRegistered = RegisterCliCommand({
    .name = "report",
    .synopsis = "orgs|classes [--okpo N]",
    .summary = "отчёт по организациям (Export/RepOrg.txt) или по классам (Export/RepKlass.txt) "
               "всех организаций или одной; печатается путь к отчёту",
    .valueOptions = {"--okpo"},
    .minArguments = 1,
    .maxArguments = 1,
    .validate = ValidateReport,
    .run = Report,
});

const bool kCopyOrgRegistered = RegisterCliCommand({
    .name = "copy-org",
    .synopsis = "ОКПО КАТАЛОГ [--with-program]",
    .summary = "выгрузить учащихся организации в КАТАЛОГ как отдельную установку (ОКПО.sch и "
               "vrklad.cnf); с --with-program — и файлы программы: vrklad из каталога программы "
               "(или рядом с vrklad-cli), arj, VR_KLAD.INI",
    .flagOptions = {"--with-program"},
    .minArguments = 2,
    .maxArguments = 2,
    .targetArguments = {1},
    .validate = ValidateOkpoArgument,
    .run = CopyOrg,
});

const bool kReplaceOkpoRegistered = RegisterCliCommand({
    .name = "replace-okpo",
    .synopsis = "N",
    .summary = "заменить код ОКПО организации (режим одной организации)",
    .minArguments = 1,
    .maxArguments = 1,
    .validate = [](const CliArguments& args) { return ValidateCode(args, Operator::Code::Okpo); },
    .run = ReplaceOkpoCommand,
});

const bool kReplaceAgencyRegistered = RegisterCliCommand({
    .name = "replace-agency",
    .synopsis = "N",
    .summary = "заменить код агенства организации (режим одной организации)",
    .minArguments = 1,
    .maxArguments = 1,
    .validate = [](const CliArguments& args) { return ValidateCode(args, Operator::Code::Agency); },
    .run = ReplaceAgencyCommand,
});

const bool kDeleteOrgRegistered = RegisterCliCommand({
    .name = "delete-org",
    .synopsis = "ОКПО",
    .summary = "удалить данные организации из БД (режим района)",
    .minArguments = 1,
    .maxArguments = 1,
    .validate = ValidateOkpoArgument,
    .run = DeleteOrg,
});

const bool kSetTypeRegistered = RegisterCliCommand({
    .name = "set-type",
    .synopsis = "N",
    .summary = "изменить тип организации: 1 — школа, 2 — техникум, 3 — ПТУ, 4 — ВУЗ; в режиме "
               "района — 0 (детсады) или 1 (школы)",
    .minArguments = 1,
    .maxArguments = 1,
    .validate = ValidateSetType,
    .run = SetType,
});

}  // namespace
}  // namespace vrklad
