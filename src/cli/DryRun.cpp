#include "cli/DryRun.h"

#include <signal.h>
#include <strings.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "cli/DryRunPlan.h"
#include "cli/PathRewriteBuffer.h"
#include "cli/RegisterChanges.h"
#include "cli/TreeCopy.h"
#include "cli/TreeSnapshot.h"
#include "exchange/ExchangeNames.h"
#include "exchange/ImportTable.h"
#include "exchange/ProcessRecordFile.h"
#include "maintenance/Reports.h"
#include "register/Cp1251.h"
#include "register/ProgramConfig.h"
#include "register/RegisterFile.h"

namespace vrklad {
namespace fs = std::filesystem;

namespace {

// The signal that stops the dry run, and the child it is passed on to.
volatile sig_atomic_t g_signal = 0;
volatile sig_atomic_t g_child = 0;

void OnSignal(int signal) {
    if (g_signal == 0) g_signal = signal;
    const pid_t child = g_child;
    if (child > 0) kill(child, signal);
}

// The signals that end a run: while the dry run lasts they are caught, so
// that the copy is removed before the tool ends by the same signal. One that
// was ignored when the tool started stays ignored, as it would without
// --dry-run. A closed standard output must not end the parent before it has
// cleaned up.
class SignalGuard {
public:
    SignalGuard() {
        for (size_t i = 0; i < kCount; ++i) {
            sigaction(kSignals[i], nullptr, &m_old[i]);
            if (m_old[i].sa_handler == SIG_IGN) continue;
            struct sigaction action {};
            action.sa_handler = OnSignal;
            sigemptyset(&action.sa_mask);
            action.sa_flags = 0;  // waits are interrupted and look at g_signal
            sigaction(kSignals[i], &action, nullptr);
        }
        struct sigaction ignore {};
        ignore.sa_handler = SIG_IGN;
        sigemptyset(&ignore.sa_mask);
        sigaction(SIGPIPE, &ignore, &m_oldPipe);
    }
    ~SignalGuard() { Restore(); }
    SignalGuard(const SignalGuard&) = delete;
    SignalGuard& operator=(const SignalGuard&) = delete;

    void Block() {
        sigset_t set = Set();
        sigprocmask(SIG_BLOCK, &set, nullptr);
    }
    void Unblock() {
        sigset_t set = Set();
        sigprocmask(SIG_UNBLOCK, &set, nullptr);
    }
    // The dispositions the tool started with.
    void Restore() {
        for (size_t i = 0; i < kCount; ++i) sigaction(kSignals[i], &m_old[i], nullptr);
        sigaction(SIGPIPE, &m_oldPipe, nullptr);
    }

    // Ends the process by the signal, as it would have ended without the
    // dry run.
    [[noreturn]] void Raise(int signal) {
        Restore();
        struct sigaction fallback {};
        fallback.sa_handler = SIG_DFL;
        sigemptyset(&fallback.sa_mask);
        sigaction(signal, &fallback, nullptr);
        std::cout.flush();
        std::fflush(nullptr);
        sigset_t set;
        sigemptyset(&set);
        sigaddset(&set, signal);
        sigprocmask(SIG_UNBLOCK, &set, nullptr);
        raise(signal);
        _exit(128 + signal);
    }

private:
    static constexpr int kSignals[] = {SIGINT, SIGTERM, SIGHUP};
    static constexpr size_t kCount = sizeof kSignals / sizeof kSignals[0];

    static sigset_t Set() {
        sigset_t set;
        sigemptyset(&set);
        for (const int s : kSignals) sigaddset(&set, s);
        return set;
    }

    struct sigaction m_old[kCount] {};
    struct sigaction m_oldPipe {};
};

// The dry run's directory, removed whatever way the run ends but a signal's
// (which removes it by hand before the tool ends).
class ThrowawayDir {
public:
    ThrowawayDir() = default;
    ~ThrowawayDir() { Remove(); }
    ThrowawayDir(const ThrowawayDir&) = delete;
    ThrowawayDir& operator=(const ThrowawayDir&) = delete;

    // A fresh directory in the first of $TMPDIR, /tmp, /var/tmp that lies in
    // none of the guarded folders, which must stay as they are.
    bool Make(const std::vector<fs::path>& guarded, std::string& error) {
        std::vector<std::string> bases;
        if (const char* tmp = std::getenv("TMPDIR"); tmp != nullptr && *tmp != 0) {
            bases.emplace_back(tmp);
        }
        bases.emplace_back("/tmp");
        bases.emplace_back("/var/tmp");
        for (const std::string& base : bases) {
            std::error_code ec;
            const fs::path canonical = fs::canonical(base, ec);
            if (ec || !fs::is_directory(canonical, ec)) continue;
            bool inside = false;
            for (const fs::path& g : guarded) {
                const fs::path rel = canonical.lexically_relative(g);
                inside = inside || (!rel.empty() && *rel.begin() != "..");
            }
            if (inside) continue;
            std::string pattern = (canonical / "vrklad-dryrun.XXXXXX").string();
            if (mkdtemp(pattern.data()) == nullptr) {
                error = std::strerror(errno);
                continue;
            }
            m_path = pattern;
            return true;
        }
        if (error.empty()) error = "нет временного каталога вне каталогов команды";
        return false;
    }
    const fs::path& Path() const { return m_path; }
    void Remove() {
        if (m_path.empty()) return;
        if (!RemoveTree(m_path)) {
            std::cerr << "Не удалось удалить временный каталог " << m_path.string() << std::endl;
        }
        m_path.clear();
    }

private:
    fs::path m_path;
};

ProgramConfig ConfigIn(const fs::path& programDir) {
    ProgramConfig config = EmptyConfig();
    std::ifstream in(programDir / ConfigFile::kFileName, std::ios::binary);
    if (in) in.read(reinterpret_cast<char*>(&config), sizeof config);
    return config;
}

// The processes the dry run's command left behind (an archiver it started
// in a process group of its own, when the command was ended by a signal):
// they came to us as the subreaper and are stopped, so that nothing writes
// into the copy while it is removed.
std::vector<pid_t> OwnChildren() {
    std::vector<pid_t> children;
    const pid_t self = getpid();
    std::error_code ec;
    for (fs::directory_iterator it("/proc", ec), end; !ec && it != end; it.increment(ec)) {
        const std::string name = it->path().filename().string();
        if (name.empty() || name.find_first_not_of("0123456789") != std::string::npos) continue;
        std::ifstream stat(it->path() / "stat");
        std::string line;
        if (!std::getline(stat, line)) continue;
        const size_t close = line.rfind(')');
        if (close == std::string::npos) continue;
        std::istringstream rest(line.substr(close + 1));
        std::string state;
        pid_t parent = 0;
        if (rest >> state >> parent && parent == self) children.push_back(std::stoi(name));
    }
    return children;
}

void StopLeftovers() {
    for (;;) {
        const std::vector<pid_t> children = OwnChildren();
        for (const pid_t child : children) {
            kill(-child, SIGKILL);
            kill(child, SIGKILL);
        }
        int status = 0;
        const pid_t ended = waitpid(-1, &status, children.empty() ? WNOHANG : 0);
        if (ended < 0 && errno == EINTR) continue;
        if (ended <= 0) return;
    }
}

// The command in the child: its standard output and error rewritten and
// captured, its data written as it is. Never returns.
[[noreturn]] void RunChild(const CliRun& run, const CliArguments& args,
                           const PathRewriter& rewriter, const fs::path& capturePath, pid_t parent,
                           SignalGuard& signals) {
    signals.Restore();
    signals.Unblock();
    // Never outlive the parent, which alone removes the copy.
    prctl(PR_SET_PDEATHSIG, SIGKILL);
    if (getppid() != parent) _exit(kExitStopped);

    int status = kExitStopped;
    {
        std::ofstream capture(capturePath, std::ios::binary);
        std::streambuf* const out = std::cout.rdbuf();
        std::streambuf* const err = std::cerr.rdbuf();
        PathRewriteBuffer outBuffer(out, rewriter, &capture);
        PathRewriteBuffer errBuffer(err, rewriter, &capture);
        std::cout.rdbuf(&outBuffer);
        std::cerr.rdbuf(&errBuffer);
        std::ostream data(out);
        try {
            status = run(args, data);
        } catch (...) {
            status = kExitStopped;
        }
        data.flush();
        std::cout.flush();
        std::cerr.flush();
        std::cout.rdbuf(out);
        std::cerr.rdbuf(err);
    }
    std::cout.flush();
    std::fflush(nullptr);
    _exit(status);
}

// What the run of the child came to: its exit status, or the signal that
// ended it.
struct ChildEnd {
    int status = kExitStopped;
    int signal = 0;
};

ChildEnd WaitFor(pid_t child) {
    ChildEnd end;
    int status = 0;
    for (;;) {
        const pid_t ended = waitpid(child, &status, 0);
        if (ended == child) break;
        if (ended < 0 && errno != EINTR) return end;
    }
    if (WIFEXITED(status)) end.status = WEXITSTATUS(status);
    if (WIFSIGNALED(status)) end.signal = WTERMSIG(status);
    return end;
}

bool EqualsIgnoringCase(const std::string& a, const char* b) {
    return strcasecmp(a.c_str(), b) == 0;
}

// The protocols, logs and reports among the files of ProgramDir, which the
// user reads after a run.
bool IsProtocol(const std::string& relative) {
    const fs::path path(relative);
    const std::string folder = path.parent_path().generic_string();
    const std::string name = path.filename().string();
    if (EqualsIgnoringCase(folder, kProcessedDir)) {
        return EqualsIgnoringCase(path.extension().string(), ".txt");
    }
    if (folder.empty()) return EqualsIgnoringCase(name, kImportProtocolName);
    const std::string exportDir = std::string(kExportDir) + "/";
    for (const std::string& report : {std::string(kOrgReportFile), std::string(kKlassReportFile),
                                      exportDir + kActualLog, exportDir + kCorrectionsLog}) {
        if (EqualsIgnoringCase(relative, report.c_str())) return true;
    }
    return false;
}

std::string ReadBytes(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

// The text of a cp1251 file with CR LF line ends, one "\n" per line.
std::string TextOf(const std::string& cp1251, const PathRewriter& rewriter) {
    std::string text = rewriter.Rewrite(Cp1251ToUtf8(cp1251));
    std::string out;
    out.reserve(text.size() + 1);
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') continue;
        out += text[i];
    }
    if (!out.empty() && out.back() != '\n') out += '\n';
    return out;
}

const char* ChangeText(const TreeChange& c) {
    switch (c.kind) {
        case TreeChangeKind::Created:
            return c.folder ? "создан каталог" : "создан";
        case TreeChangeKind::Changed:
            return "изменён";
        case TreeChangeKind::Rewritten:
            return "записан заново без изменений";
        case TreeChangeKind::Removed:
            return c.folder ? "удалён каталог" : "удалён";
    }
    return "";
}

// The file a copy was made from.
std::function<std::optional<fs::path>(const fs::path&)> OriginalIn(const TreeCopier& copier) {
    return [&copier](const fs::path& copy) -> std::optional<fs::path> {
        const auto it = copier.Sources().find(copy);
        if (it == copier.Sources().end()) return std::nullopt;
        return it->second;
    };
}

struct FolderState {
    std::string heading;
    fs::path copy;
    TreeSnapshot before;
};

}  // namespace

int DryRun(const CliCommand& command, const CliArguments& args, const CliRun& run) {
    SignalGuard signals;
    std::cout.flush();
    DryRunPlan plan(args.programDir, command, args);

    ThrowawayDir root;
    std::string error;
    if (!root.Make(plan.Guarded(), error)) {
        std::cerr << "Пробный запуск невозможен: " << error << std::endl;
        return kExitStopped;
    }

    TreeCopier copier([] { return g_signal != 0; });
    copier.Exclude(root.Path());
    CliArguments childArgs;
    RegisterFile copyLock;
    const ProgramConfig configBefore = ConfigIn(plan.ProgramDir());
    const std::string registerBefore = RegisterFileName(configBefore);
    try {
        // Held while the copy is taken, so that no copy of the program
        // writes the register meanwhile; one that holds it already keeps it
        // in the copy too.
        RegisterFile realLock;
        bool held = false;
        if (!registerBefore.empty()) {
            held = realLock.Open(plan.ProgramDir() / registerBefore) ==
                   RegisterFile::OpenResult::InUse;
        }
        childArgs = plan.Prepare(root.Path(), copier);
        realLock.Close();
        if (held) copyLock.Open(plan.ProgramCopy() / registerBefore);
    } catch (const CopyStopped&) {
    } catch (const fs::filesystem_error& e) {
        std::cerr << "Пробный запуск невозможен: не удалось скопировать " << e.path1().string()
                  << ": " << e.code().message() << std::endl;
        return kExitStopped;
    }
    if (g_signal != 0) {
        root.Remove();
        signals.Raise(g_signal);
    }

    std::vector<FolderState> folders = {{"каталог программы " + plan.ProgramDir().string(),
                                         plan.ProgramCopy(), TakeSnapshot(plan.ProgramCopy())}};
    for (const DryRunPlan::Place& place : plan.Places()) {
        folders.push_back({"каталог " + place.real.string(), place.copy, TakeSnapshot(place.copy)});
    }
    const std::vector<StudentRecord> recordsBefore =
        registerBefore.empty() ? std::vector<StudentRecord>()
                               : ReadRegisterRecords(plan.ProgramCopy() / registerBefore);
    const bool registerExisted =
        !registerBefore.empty() && fs::exists(plan.ProgramCopy() / registerBefore);

    const PathRewriter rewriter(plan.Rewrites());
    const fs::path capturePath = root.Path() / "messages";
    // Orphans of the command (an archiver in a group of its own) come to us.
    prctl(PR_SET_CHILD_SUBREAPER, 1);
    signals.Block();
    const pid_t parent = getpid();
    const pid_t child = fork();
    if (child == 0) RunChild(run, childArgs, rewriter, capturePath, parent, signals);
    if (child < 0) {
        signals.Unblock();
        std::cerr << "Пробный запуск невозможен: " << std::strerror(errno) << std::endl;
        return kExitStopped;
    }
    g_child = child;
    signals.Unblock();
    if (g_signal != 0) kill(child, g_signal);
    const ChildEnd end = WaitFor(child);
    g_child = 0;
    StopLeftovers();
    copyLock.Close();
    if (g_signal != 0 || end.signal != 0) {
        root.Remove();
        signals.Raise(g_signal != 0 ? g_signal : end.signal);
    }

    // What it would have done.
    std::ostream& out = std::cout;
    out << "\n--- Пробный запуск: ничего не изменено. Команда сделала бы следующее ---\n";
    const std::string messages = ReadBytes(capturePath);
    if (!messages.empty()) out << "--- Сообщения ---\n" << messages;

    std::vector<std::vector<TreeChange>> changes;
    for (const FolderState& folder : folders) {
        changes.push_back(CompareSnapshots(folder.copy, folder.before, TakeSnapshot(folder.copy),
                                           OriginalIn(copier)));
    }
    for (const TreeChange& c : changes.front()) {
        if (c.folder || c.kind == TreeChangeKind::Removed || !IsProtocol(c.path)) continue;
        out << "--- " << c.path << " ---\n"
            << TextOf(ReadBytes(plan.ProgramCopy() / c.path), rewriter);
    }
    bool any = false;
    for (size_t i = 0; i < folders.size(); ++i) {
        if (changes[i].empty()) continue;
        any = true;
        out << "--- Файлы: " << folders[i].heading << " ---\n";
        for (const TreeChange& c : changes[i]) out << ChangeText(c) << ": " << c.path << "\n";
    }
    if (!any) out << "--- Файлы: ни один файл не изменился бы ---\n";

    const std::string registerAfter = RegisterFileName(ConfigIn(plan.ProgramCopy()));
    const bool registerExists =
        !registerAfter.empty() && fs::exists(plan.ProgramCopy() / registerAfter);
    if (registerExisted || registerExists) {
        const RegisterChanges r = CompareRegisters(
            recordsBefore, registerExists ? ReadRegisterRecords(plan.ProgramCopy() / registerAfter)
                                          : std::vector<StudentRecord>());
        out << "--- Файл данных " << (registerExisted ? registerBefore : registerAfter);
        if (registerExisted && registerExists && registerAfter != registerBefore) {
            out << " → " << registerAfter;
        }
        out << " ---\n"
            << "записей было " << r.before << ", стало бы " << r.after << "; новых " << r.added
            << ", изменённых " << r.changed << ", удалённых " << r.deleted << "\n";
    }
    out.flush();
    root.Remove();
    return end.status;
}

}  // namespace vrklad
