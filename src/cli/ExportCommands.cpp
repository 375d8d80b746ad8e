// The exports for the transport operator: the same operations the menu
// "Создать файл" runs, with the folder of removable media from --to.
#include "cli/CliCommand.h"
#include "exchange/ActualExport.h"
#include "exchange/CorrectionsExport.h"

namespace vrklad {
namespace {

std::string ValidateExport(const CliArguments& args) {
    if (const auto to = args.Value("--to"); to && to->empty()) {
        return "для параметра --to не указан каталог";
    }
    return {};
}

// An archive made counts as done whether it was moved or not: without --to
// it stays in Export/, and the user is told where.
int ExportStatus(CliContext& ctx, const ExportResult& result) {
    if (!result.Succeeded()) return kExitStopped;
    if (result.stop != ExportStop::Moved) {
        ctx.Op().Inform("Архив " + result.archive.string() + " оставлен в каталоге Export.");
    }
    return kExitDone;
}

int ExportActualCommand(CliContext& ctx) {
    ctx.Op().ExpectConfirmation("Создать файл с актуальными записями?");
    Session& session = ctx.GetSession();
    return ExportStatus(ctx, ExportActual(session.ProgramDir().string(), session.Register(),
                                          session.Configuration(), ctx.Op()));
}

int ExportCorrectionsCommand(CliContext& ctx) {
    ctx.Op().ExpectConfirmation("Создать файл с откорректированными записями?");
    Session& session = ctx.GetSession();
    return ExportStatus(ctx,
                        ExportCorrections(session.ProgramDir().string(), session.Register(),
                                          session.Configuration(), session.Indexes(), ctx.Op()));
}

const bool kExportActualRegistered = RegisterCliCommand({
    .name = "export-actual",
    .synopsis = "[--to КАТАЛОГ]",
    .summary = "создать файл с актуальными записями (Export/ACTUAL.ARJ) и перенести архив в "
               "КАТАЛОГ сменного носителя; без --to архив остаётся в Export",
    .valueOptions = {"--to"},
    .validate = ValidateExport,
    .run = ExportActualCommand,
});

const bool kExportCorrectionsRegistered = RegisterCliCommand({
    .name = "export-corrections",
    .synopsis = "[--to КАТАЛОГ]",
    .summary = "создать файл с откорректированными записями (Export/CORRECT_….ARJ) и перенести "
               "архив в КАТАЛОГ сменного носителя; без --to архив остаётся в Export",
    .valueOptions = {"--to"},
    .validate = ValidateExport,
    .run = ExportCorrectionsCommand,
});

}  // namespace
}  // namespace vrklad
