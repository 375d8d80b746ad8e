// The exports for the transport operator.
#include "cli/CliCommand.h"
#include "exchange/ActualExport.h"
#include "exchange/CorrectionsExport.h"

namespace vrklad {
namespace {

int ExportActualCommand(CliContext& ctx) {
    Session& s = ctx.GetSession();
    ctx.Op().ExpectConfirmation("Создать файл с актуальными записями?");
    return ctx.Run([&] {
        return ExportActual(s.ProgramDir().string(), s.Register(), s.Configuration(), ctx.Op())
            .Succeeded();
    });
}

int ExportCorrectionsCommand(CliContext& ctx) {
    Session& s = ctx.GetSession();
    ctx.Op().ExpectConfirmation("Создать файл с откорректированными записями?");
    return ctx.Run([&] {
        return ExportCorrections(s.ProgramDir().string(), s.Register(), s.Configuration(),
                                 s.Indexes(), ctx.Op())
            .Succeeded();
    });
}

const bool kExportActualRegistered = RegisterCliCommand({
    .name = "export-actual",
    .synopsis = "[--to ПАПКА]",
    .summary = "создать файл с актуальными записями и архив ACTUAL.ARJ; с --to перенести "
               "архив в ПАПКУ (сменный носитель)",
    .valueOptions = {"--to"},
    .run = ExportActualCommand,
});

const bool kExportCorrectionsRegistered = RegisterCliCommand({
    .name = "export-corrections",
    .synopsis = "[--to ПАПКА]",
    .summary = "создать файл с откорректированными записями и архив CORRECT_*.ARJ; с --to "
               "перенести архив в ПАПКУ (сменный носитель)",
    .valueOptions = {"--to"},
    .run = ExportCorrectionsCommand,
});

}  // namespace
}  // namespace vrklad
