// Keeping the data safe and the organizations right.
#include <filesystem>
#include <optional>

#include "cli/CliCommand.h"
#include "maintenance/Backup.h"
#include "maintenance/Compaction.h"
#include "maintenance/OrgMaintenance.h"
#include "maintenance/RegisterCopy.h"
#include "maintenance/Reports.h"

namespace vrklad {
namespace {

namespace fs = std::filesystem;

fs::path ToolFile() {
    std::error_code ec;
    const fs::path self = fs::read_symlink("/proc/self/exe", ec);
    return ec ? fs::path() : self;
}

// The program file that goes along with a backup's system information and a
// register copy: the desktop program lying beside the data, else this tool.
fs::path ProgramFile(Session& session) {
    const fs::path desktop = session.ProgramDir() / "vrklad";
    std::error_code ec;
    return fs::is_regular_file(desktop, ec) ? desktop : ToolFile();
}

std::string ValidateNumber(const CliArguments& args, size_t index, size_t maxDigits,
                           const char* what) {
    if (args.positional.size() <= index) return {};
    if (!ParseDecimal(args.positional[index], maxDigits)) return what;
    return {};
}

uint32_t Number(const CliContext& ctx, size_t index) {
    return ParseDecimal(ctx.Args().positional[index]).value_or(0);
}

int Backup(CliContext& ctx) {
    return ctx.Run(
        [&] { return CreateBackup(ctx.GetSession(), ctx.Op(), ProgramFile(ctx.GetSession())); });
}

int Restore(CliContext& ctx) {
    return ctx.Run(
        [&] { return RestoreBackup(ctx.GetSession(), ctx.Op(), ctx.Args().positional[0]); });
}

int Compact(CliContext& ctx) {
    return ctx.Run(
        [&] { return CompactRegister(ctx.GetSession(), ctx.Op()) == CompactionResult::Compacted; });
}

std::string ValidateReport(const CliArguments& args) {
    if (!args.positional.empty() && args.positional[0] != "orgs" &&
        args.positional[0] != "classes") {
        return "вид отчета — orgs или classes";
    }
    if (const auto okpo = args.Value("--okpo"); okpo && !ParseDecimal(*okpo, 8)) {
        return "код ОКПО — до 8 цифр";
    }
    if (args.Has("--okpo") && !args.positional.empty() && args.positional[0] == "orgs") {
        return "параметр --okpo относится к отчету classes";
    }
    return {};
}

int Report(CliContext& ctx) {
    if (ctx.Args().positional[0] == "orgs") {
        return ctx.Run([&] { return ReportByOrganizations(ctx.GetSession(), ctx.Op()); });
    }
    std::optional<uint32_t> okpo;
    if (const auto text = ctx.Args().Value("--okpo")) okpo = ParseDecimal(*text);
    return ctx.Run([&] { return ReportByClasses(ctx.GetSession(), ctx.Op(), okpo); });
}

int CopyOrg(CliContext& ctx) {
    Session& s = ctx.GetSession();
    const uint32_t okpo = Number(ctx, 0);
    return ctx.Run([&] {
        return WriteRegisterCopy(s, ctx.Op(), OrganizationRows(s.Register(), okpo), okpo,
                                 ctx.Args().positional[1], ctx.Args().Has("--with-program"),
                                 ProgramFile(s));
    });
}

int ReplaceOkpoCommand(CliContext& ctx) {
    return ctx.Run([&] { return ReplaceOkpo(ctx.GetSession(), ctx.Op(), Number(ctx, 0)); });
}

int ReplaceAgencyCommand(CliContext& ctx) {
    return ctx.Run([&] { return ReplaceAgency(ctx.GetSession(), ctx.Op(), Number(ctx, 0)); });
}

int DeleteOrg(CliContext& ctx) {
    // "Вы действительно желаете удалить данные … ?" names the organization.
    ctx.Op().ConfirmNextQuestion();
    return ctx.Run([&] { return DeleteOrganization(ctx.GetSession(), ctx.Op(), Number(ctx, 0)); });
}

// As the organization type dialog: the type of a single organization, the
// sub-mode of a district office.
int SetType(CliContext& ctx) {
    Session& s = ctx.GetSession();
    const uint32_t value = Number(ctx, 0);
    if (s.Config().DistrictMode == 1) {
        if (value > 1) return ctx.Fail("В режиме района тип — 0 (детсады) или 1 (школы)");
        s.ChangeDistrictSubMode(static_cast<uint8_t>(value));
        return kExitDone;
    }
    if (value < 1 || value > 4) {
        return ctx.Fail("Тип организации — 1 (школа), 2 (техникум), 3 (ПТУ) или 4 (ВУЗ)");
    }
    return ctx.Run([&] { return s.ChangeOrgType(ctx.Op(), static_cast<uint8_t>(value)); });
}

const bool kBackupRegistered = RegisterCliCommand({
    .name = "backup",
    .summary = "создать копию БД в папке BACKUP",
    .run = Backup,
});

const bool kRestoreRegistered = RegisterCliCommand({
    .name = "restore",
    .synopsis = "ФАЙЛ",
    .summary = "восстановить БД из копии (файл .bkp)",
    .minArguments = 1,
    .maxArguments = 1,
    .needs = CliCommand::Needs::Configuration,
    .run = Restore,
});

const bool kCompactRegistered = RegisterCliCommand({
    .name = "compact",
    .summary = "сжатие БД: удалить помеченные на удаление записи",
    .run = Compact,
});

const bool kReportRegistered = RegisterCliCommand({
    .name = "report",
    .synopsis = "orgs|classes [--okpo N]",
    .summary = "отчет по организациям или по классам (одной организации с --okpo)",
    .valueOptions = {"--okpo"},
    .minArguments = 1,
    .maxArguments = 1,
    .validate = ValidateReport,
    .run = Report,
});

const bool kCopyOrgRegistered = RegisterCliCommand({
    .name = "copy-org",
    .synopsis = "ОКПО ПАПКА [--with-program]",
    .summary = "выгрузить учащихся организации в ПАПКУ как отдельную установку (с "
               "--with-program — и файлы программы)",
    .flagOptions = {"--with-program"},
    .minArguments = 2,
    .maxArguments = 2,
    .validate =
        [](const CliArguments& a) { return ValidateNumber(a, 0, 8, "код ОКПО — до 8 цифр"); },
    .run = CopyOrg,
});

const bool kReplaceOkpoRegistered = RegisterCliCommand({
    .name = "replace-okpo",
    .synopsis = "N",
    .summary = "заменить код ОКПО организации",
    .minArguments = 1,
    .maxArguments = 1,
    .validate =
        [](const CliArguments& a) { return ValidateNumber(a, 0, 8, "код ОКПО — до 8 цифр"); },
    .run = ReplaceOkpoCommand,
});

const bool kReplaceAgencyRegistered = RegisterCliCommand({
    .name = "replace-agency",
    .synopsis = "N",
    .summary = "заменить код агенства организации",
    .minArguments = 1,
    .maxArguments = 1,
    .validate =
        [](const CliArguments& a) { return ValidateNumber(a, 0, 3, "код агенства — до 3 цифр"); },
    .run = ReplaceAgencyCommand,
});

const bool kDeleteOrgRegistered = RegisterCliCommand({
    .name = "delete-org",
    .synopsis = "ОКПО",
    .summary = "пометить удаленными записи организации",
    .minArguments = 1,
    .maxArguments = 1,
    .validate =
        [](const CliArguments& a) { return ValidateNumber(a, 0, 8, "код ОКПО — до 8 цифр"); },
    .run = DeleteOrg,
});

const bool kSetTypeRegistered = RegisterCliCommand({
    .name = "set-type",
    .synopsis = "N",
    .summary = "изменить тип организации (1–4), в режиме района — режим работы (0 детсады, "
               "1 школы)",
    .minArguments = 1,
    .maxArguments = 1,
    .validate = [](const CliArguments& a) { return ValidateNumber(a, 0, 1, "тип — одна цифра"); },
    .run = SetType,
});

}  // namespace
}  // namespace vrklad
