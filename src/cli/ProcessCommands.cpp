// Taking records in: "Обработать файл" for each file named, in turn, so
// that a whole folder of archives is processed in one run.
#include <filesystem>
#include <optional>
#include <string>
#include <system_error>
#include <vector>

#include "cli/CliCommand.h"
#include "session/LoadFile.h"

namespace vrklad {
namespace {

namespace fs = std::filesystem;

// Unpacking an archive empties PRCSSD, so a file lying there would be gone
// before its turn came.
std::optional<fs::path> FileInProcessedDir(const std::vector<fs::path>& files,
                                           const fs::path& programDir) {
    std::error_code ec;
    const fs::path processed = fs::weakly_canonical(programDir / kProcessedDir, ec);
    if (ec) return std::nullopt;
    for (const fs::path& file : files) {
        const fs::path dir = fs::weakly_canonical(file, ec).parent_path();
        if (!ec && dir == processed) return file;
    }
    return std::nullopt;
}

// The counts stay in the tool's output: the protocol of an archive lies in
// PRCSSD, which the next archive empties.
std::string CountsLine(const IncomingCounters& c) {
    return "Добавлено " + std::to_string(c.added) + ", обновлено " + std::to_string(c.updated) +
           ", ошибочных " + std::to_string(c.erroneous) + ", без изменений " +
           std::to_string(c.unchanged) + ", удалено " + std::to_string(c.deleted) + ".";
}

int Process(CliContext& ctx) {
    // The files are named from the current directory, as a shell names them.
    std::vector<fs::path> files;
    for (const std::string& arg : ctx.Args().positional) files.push_back(fs::absolute(arg));
    if (files.size() > 1) {
        if (const auto inside = FileInProcessedDir(files, ctx.GetSession().ProgramDir())) {
            ctx.Op().Error("Файл " + inside->string() +
                           " лежит в каталоге PRCSSD, который очищается при распаковке архива. "
                           "Такие файлы обрабатываются по одному. Файлы не обработаны.");
            return kExitUsage;
        }
    }

    int stopped = 0;
    for (const fs::path& file : files) {
        ctx.Op().Plain("Обработка файла " + file.string());
        std::error_code ec;
        if (!fs::is_regular_file(file, ec)) {
            ctx.Op().Error("Файл " + file.string() + " не найден.");
            ++stopped;
            continue;
        }
        const IncomingResult result = LoadFile(ctx.GetSession(), ctx.Op(), file);
        if (result.completed) {
            ctx.Op().Plain(CountsLine(result.counters));
        } else {
            ctx.Op().Warn("Файл " + file.string() + " не обработан.");
            ++stopped;
        }
    }
    if (files.size() > 1) {
        ctx.Op().Plain("Обработано файлов: " + std::to_string(files.size() - stopped) + " из " +
                       std::to_string(files.size()) + ".");
    }
    return stopped == 0 ? kExitDone : kExitStopped;
}

const bool kProcessRegistered = RegisterCliCommand({
    .name = "process",
    .synopsis = "ФАЙЛ...",
    .summary = "обработать файлы по очереди, как «Обработать файл»: архивы организаций и "
               "факультетов (.arj), файл данных другого учебного заведения, таблицы (txt, csv, "
               "dbf); код завершения 1, если хотя бы один файл не обработан",
    .minArguments = 1,
    .maxArguments = CliCommand::kAnyCount,
    .run = Process,
});

}  // namespace
}  // namespace vrklad
