// Taking records in: archives, other registers and tables, one after another.
#include <iostream>

#include "cli/CliCommand.h"
#include "session/LoadFile.h"

namespace vrklad {
namespace {

// Each file as "Обработать файл" would take it; a file that stops does not
// keep the others from being processed.
int Process(CliContext& ctx) {
    int status = kExitDone;
    for (const std::string& file : ctx.Args().positional) {
        std::cerr << "Обработка файла " << file << std::endl;
        const int one =
            ctx.Run([&] { return LoadFile(ctx.GetSession(), ctx.Op(), file).completed; });
        if (one != kExitDone) status = one;
    }
    return status;
}

const bool kProcessRegistered = RegisterCliCommand({
    .name = "process",
    .synopsis = "ФАЙЛ...",
    .summary = "обработать файлы: архивы актуальных записей, файл данных другого учебного "
               "заведения, таблицы txt, csv и dbf",
    .minArguments = 1,
    .maxArguments = CliCommand::kAnyCount,
    .run = Process,
});

}  // namespace
}  // namespace vrklad
