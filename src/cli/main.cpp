// The batch tool: the program's operations from a terminal, on the same core
// and the same start-up and exit as the desktop program.
#include <unistd.h>

#include <exception>
#include <filesystem>
#include <iostream>
#include <sstream>
#include <string>
#include <system_error>

#include "cli/CliCommand.h"
#include "cli/CliContext.h"
#include "cli/DryRun.h"
#include "cli/TerminalOperator.h"
#include "session/Session.h"

namespace vrklad {
namespace {

constexpr const char* kTool = "vrklad-cli";

bool Contains(const std::vector<std::string>& list, const std::string& item) {
    for (const auto& s : list) {
        if (s == item) return true;
    }
    return false;
}

std::string CommandLine(const CliCommand& c) {
    return c.synopsis.empty() ? c.name : c.name + " " + c.synopsis;
}

// Characters, not bytes, of UTF-8 text.
size_t Width(const std::string& text) {
    size_t n = 0;
    for (const char c : text) n += (static_cast<unsigned char>(c) & 0xC0) != 0x80;
    return n;
}

// The text broken into lines of at most `width` characters at spaces, each
// line led by `indent`.
std::string Wrapped(const std::string& text, const std::string& indent, size_t width) {
    std::istringstream words(text);
    std::string word;
    std::string out;
    std::string line;
    while (words >> word) {
        if (!line.empty() && Width(line) + 1 + Width(word) > width) {
            out += indent + line + "\n";
            line.clear();
        }
        line += (line.empty() ? "" : " ") + word;
    }
    if (!line.empty()) out += indent + line + "\n";
    return out;
}

std::string Usage() {
    std::ostringstream s;
    s << "Использование: " << kTool << " [--dir КАТАЛОГ] [--yes] [--dry-run] КОМАНДА [АРГУМЕНТЫ]\n"
      << "\n"
      << "Выполняет одну операцию программы ведения реестра учащихся без окон: запуск\n"
      << "программы, операцию и завершение работы с сохранением конфигурации.\n"
      << "\n"
      << "Общие параметры:\n"
      << "  --dir КАТАЛОГ  каталог программы (по умолчанию — каталог, где лежит " << kTool << ")\n"
      << "  --yes          отвечать «Да» на вопросы программы (на вопрос о сменном\n"
      << "                 носителе отвечает параметр --to КАТАЛОГ)\n"
      << "  --dry-run      пробный запуск: команда выполняется как обычно, но на\n"
      << "                 временной копии каталога программы и каталогов, которые\n"
      << "                 она читает или куда пишет; сами они не изменяются. После\n"
      << "                 неё выводятся её сообщения, тексты протоколов и отчётов,\n"
      << "                 файлы, которые были бы созданы, изменены или удалены, и\n"
      << "                 число записей файла данных до и после (новых, изменённых,\n"
      << "                 удалённых). Копия удаляется и после ошибки или сигнала.\n"
      << "  --help         эта справка\n"
      << "\n"
      << "Команды:\n";
    for (const CliCommand& c : CliCommands()) {
        s << "  " << CommandLine(c) << "\n" << Wrapped(c.summary, "      ", 74);
    }
    s << "\n"
      << "Вопрос, открывающий операцию, считается подтверждённым названием команды;\n"
      << "на остальные вопросы ответ «Нет» (или «Да» с --yes). Сообщения выводятся в\n"
      << "UTF-8: информация — в стандартный вывод, предупреждения и ошибки — в поток\n"
      << "ошибок. Вместо открытия протокола или отчёта печатается путь к файлу.\n"
      << "\n"
      << "Код завершения: 0 — операция выполнена до конца; 1 — остановлена ошибкой или\n"
      << "предупреждением; 2 — ошибка в командной строке.\n";
    return s.str();
}

// Reports a wrong command line; exit status 2.
int UsageError(const std::string& text, const CliCommand* command) {
    std::cerr << kTool << ": " << text << "\n";
    if (command != nullptr) {
        std::cerr << "Использование: " << kTool << " [--dir КАТАЛОГ] [--yes] [--dry-run] "
                  << CommandLine(*command) << "\n";
    }
    std::cerr << "Справка: " << kTool << " --help" << std::endl;
    return kExitUsage;
}

// Options are "--name VALUE" or "--name=VALUE"; "--" ends them. The common
// options may stand anywhere, the command's own after the command's name.
// Returns an error text, empty when the line is good.
std::string Parse(const std::vector<std::string>& argv, CliArguments& args,
                  const CliCommand*& command) {
    command = nullptr;
    bool optionsEnded = false;
    for (size_t i = 0; i < argv.size(); ++i) {
        const std::string& arg = argv[i];
        if (!optionsEnded && arg == "--") {
            optionsEnded = true;
            continue;
        }
        if (optionsEnded || arg.size() < 2 || arg[0] != '-') {
            if (args.command.empty()) {
                args.command = arg;
                command = FindCliCommand(arg);
                if (command == nullptr) return "неизвестная команда «" + arg + "»";
            } else {
                args.positional.push_back(arg);
            }
            continue;
        }
        if (arg[1] != '-') return "неизвестный параметр «" + arg + "»";

        const size_t eq = arg.find('=');
        const std::string name = arg.substr(0, eq);
        std::optional<std::string> inlineValue;
        if (eq != std::string::npos) inlineValue = arg.substr(eq + 1);
        const bool takesValue =
            name == "--dir" || (command != nullptr && Contains(command->valueOptions, name));
        const bool isFlag = name == "--yes" || name == "--help" || name == "--dry-run" ||
                            (command != nullptr && Contains(command->flagOptions, name));
        if (!takesValue && !isFlag) return "неизвестный параметр «" + name + "»";
        if (isFlag) {
            if (inlineValue) return "параметр " + name + " не принимает значения";
            if (name == "--yes") {
                args.yes = true;
            } else if (name == "--dry-run") {
                args.dryRun = true;
            } else if (name == "--help") {
                args.help = true;
            } else {
                args.flags.insert(name);
            }
            continue;
        }
        std::string value;
        if (inlineValue) {
            value = *inlineValue;
        } else if (i + 1 < argv.size() && argv[i + 1].rfind("--", 0) != 0) {
            value = argv[++i];
        } else {
            return "для параметра " + name + " не указано значение";
        }
        if (name == "--dir") {
            if (!args.programDir.empty()) return "параметр --dir указан дважды";
            if (value.empty()) return "для параметра --dir не указано значение";
            args.programDir = value;
        } else if (!args.values.emplace(name, value).second) {
            return "параметр " + name + " указан дважды";
        }
    }
    if (args.help) return {};
    if (command == nullptr) return "не указана команда";
    const size_t n = args.positional.size();
    if (n < command->minArguments) return "не хватает аргументов команды " + command->name;
    if (command->maxArguments != CliCommand::kAnyCount && n > command->maxArguments) {
        return "лишний аргумент «" + args.positional[command->maxArguments] + "»";
    }
    if (command->validate) return command->validate(args);
    return {};
}

std::filesystem::path ExecutableDir() {
    std::error_code ec;
    const std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", ec);
    return ec ? std::filesystem::current_path() : exe.parent_path();
}

// Start-up, the command's handler, exit: the run of the desktop program
// without its windows. `data` takes what the command writes to standard
// output besides its messages.
int RunCommand(const CliCommand& command, const CliArguments& args, std::ostream& data) {
    TerminalOperator op(std::cout, std::cerr, ::isatty(STDERR_FILENO) == 1);
    op.SetAssumeYes(args.yes);
    if (const auto to = args.Value("--to")) op.SetFolder(*to);
    if (const auto okpo = args.Value("--okpo")) op.SetCode(Operator::Code::Okpo, *okpo);
    if (const auto agency = args.Value("--agency")) op.SetCode(Operator::Code::Agency, *agency);

    Session session(args.programDir);
    session.SetFirstStartPolicy(command.needs == CliCommand::Needs::FirstStart
                                    ? Session::FirstStartPolicy::Only
                                    : Session::FirstStartPolicy::Refuse);
    CliContext ctx(session, op, args, data);

    int status = kExitStopped;
    bool runHandler = false;
    switch (session.Startup(op)) {
        case Session::StartupResult::Ready:
            runHandler = true;
            break;
        case Session::StartupResult::Restricted:
            // A register held by another copy, or unreadable, is never
            // worked on; a missing one only by the commands that allow it.
            runHandler = session.State() == Session::RegisterState::Missing &&
                         command.needs == CliCommand::Needs::Configuration;
            break;
        case Session::StartupResult::Quit:
            if (!session.StoppedByFirstStartPolicy()) break;
            if (command.needs == CliCommand::Needs::FirstStart) {
                op.Error("Программа уже настроена (файл данных " +
                         RegisterFileName(session.Config()) + "). Команда init не выполнена.");
            } else {
                op.Error(
                    "Программа не настроена: в файле vrklad.cnf не указан тип организации. "
                    "Выполните " +
                    std::string(kTool) + " init.");
            }
            break;
        case Session::StartupResult::Stopped:
            break;
    }

    if (runHandler) {
        try {
            session.OnFirstShown(op);
            status = command.run(ctx);
        } catch (const ConfigError& e) {
            status = ctx.Fail(e.Message());
        } catch (const std::exception& e) {
            status = ctx.Fail(e.what());
        }
    }
    const int before = op.Problems();
    session.Exit(op);
    if (status == kExitDone && op.Problems() > before) status = kExitStopped;
    return status;
}

int Main(int argc, char** argv) {
    const std::vector<std::string> argList(argv + 1, argv + argc);
    CliArguments args;
    const CliCommand* command = nullptr;
    const std::string error = Parse(argList, args, command);
    // "--help" wins over whatever else is wrong on the line.
    for (const std::string& arg : argList) {
        if (arg == "--") break;
        if (arg == "--help") args.help = true;
    }
    if (args.help) {
        std::cout << Usage() << std::flush;
        return kExitDone;
    }
    if (!error.empty()) return UsageError(error, command);

    std::error_code ec;
    args.programDir =
        args.programDir.empty() ? ExecutableDir() : std::filesystem::absolute(args.programDir, ec);
    if (ec || !std::filesystem::is_directory(args.programDir, ec)) {
        std::cerr << "Каталог программы " << args.programDir.string() << " не найден." << std::endl;
        return kExitStopped;
    }
    if (args.dryRun) {
        return DryRun(*command, args, [command](const CliArguments& a, std::ostream& data) {
            return RunCommand(*command, a, data);
        });
    }
    return RunCommand(*command, args, std::cout);
}

}  // namespace
}  // namespace vrklad

int main(int argc, char** argv) { return vrklad::Main(argc, argv); }
