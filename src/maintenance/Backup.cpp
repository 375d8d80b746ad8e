#include "maintenance/Backup.h"

#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <system_error>
#include <utility>
#include <vector>

#include "details/DetailsStore.h"
#include "exchange/Archiver.h"
#include "exchange/ArjListing.h"
#include "maintenance/SysInfo.h"
#include "register/FaultInjection.h"
#include "register/Operator.h"
#include "register/ProgramConfig.h"
#include "register/RegisterFile.h"
#include "register/ReplacementJournal.h"
#include "register/TextFile.h"
#include "session/Session.h"

namespace vrklad {

namespace fs = std::filesystem;

namespace {

constexpr const char* kCreated = " резервной копии успешно создан";
constexpr const char* kNotCreated = "Ошибка создания файла резервной копии";
constexpr const char* kNoDiskAccess =
    "Нет доступа к диску. Обратитесь к своему системному администратору";

bool SameNameIgnoringCase(std::string_view a, std::string_view b) {
    return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
        const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c; };
        return lower(x) == lower(y);
    });
}

// The extracted file standing for `wanted`: of that very name, else of that
// name in another letter case (archivers of other systems change it).
std::optional<std::string> FindMember(const std::vector<std::string>& files,
                                      std::string_view wanted) {
    if (std::find(files.begin(), files.end(), wanted) != files.end()) return std::string(wanted);
    for (const std::string& name : files) {
        if (SameNameIgnoringCase(name, wanted)) return name;
    }
    return std::nullopt;
}

bool ArchiveHolds(const fs::path& archive, const std::vector<std::string>& names) {
    const ArjListing listing = ReadArjListing(archive);
    if (!listing.ok) return false;
    return std::all_of(names.begin(), names.end(), [&](const std::string& name) {
        return std::any_of(listing.members.begin(), listing.members.end(),
                           [&](const ArjMember& m) { return m.storedName == name; });
    });
}

bool SyncPath(const fs::path& path, int flags) {
    const int fd = ::open(path.c_str(), flags | O_CLOEXEC);
    if (fd < 0) return false;
    const bool ok = io::Fsync(fd) == 0;
    ::close(fd);
    return ok;
}

// A private directory in ProgramDir for the unpacked backup, removed with
// whatever is left in it.
class RestoreDir {
public:
    explicit RestoreDir(const fs::path& parent) {
        std::string templ =
            (parent / (std::string(ReplacementJournal::kStagingPrefix) + "XXXXXX")).string();
        if (::mkdtemp(templ.data()) != nullptr) m_path = templ;
    }
    ~RestoreDir() {
        std::error_code ec;
        if (!m_path.empty() && !m_kept) fs::remove_all(m_path, ec);
    }
    RestoreDir(const RestoreDir&) = delete;
    RestoreDir& operator=(const RestoreDir&) = delete;

    const fs::path& Path() const { return m_path; }
    // Left for the next start, which finishes the moves out of it.
    void Keep() { m_kept = true; }

private:
    fs::path m_path;
    bool m_kept = false;
};

// Why the unpacked backup cannot be restored; empty when it can.
std::string CheckExtraction(const ExtractResult& x) {
    if (x.refused) return "файл повреждён или не является резервной копией";
    if (!x.run.started) return "не удалось запустить архиватор arj";
    if (x.run.timedOut) return "архиватор arj не завершил работу";
    if (x.run.exitCode != 0) {
        return "файл повреждён или прочитан не полностью (код завершения архиватора " +
               std::to_string(x.run.exitCode) + ")";
    }
    return {};
}

}  // namespace

std::string BackupArchiveName(const LocalDateTime& t) {
    return "VRKLAD_" + std::to_string(t.year) + "-" + TwoDigits(t.month) + "-" + TwoDigits(t.day) +
           "_" + TwoDigits(t.hour) + "-" + TwoDigits(t.minute) + ".BKP";
}

bool CreateBackup(Session& session, Operator& op, const fs::path& programFile) {
    const fs::path dir = session.ProgramDir();
    if (!session.RegisterUsable()) {
        op.Error("Файл данных не открыт. Резервная копия не создана.");
        return false;
    }
    const fs::path backupDir = dir / kBackupDir;
    std::error_code ec;
    if (!fs::is_directory(backupDir, ec)) {
        fs::create_directory(backupDir, ec);
        if (ec || !fs::is_directory(backupDir, ec)) {
            op.Message(Operator::Icon::Error, kNoDiskAccess, Operator::Buttons::Yes);
            return false;
        }
    }
    if (WriteTextFile(backupDir / kSysInfoFileName, SysInfoLines(CollectSysInfo(programFile)))) {
        op.Message(Operator::Icon::Error, kNoDiskAccess, Operator::Buttons::Yes);
        return false;
    }
    const std::string name = BackupArchiveName(Now());
    const std::string registerName = session.RegisterName();

    if (!session.CloseFiles(op, /*bringToRest=*/true)) return false;
    std::vector<std::string> files = {registerName, ConfigFile::kFileName};
    if (fs::is_regular_file(dir / kDetailsFileName, ec)) files.emplace_back(kDetailsFileName);
    files.push_back(std::string(kBackupDir) + "/" + kSysInfoFileName);
    const RunResult run = AddToArchive(dir.string(), std::string(kBackupDir) + "/" + name, files);
    session.ReopenFiles(op);

    // Only a clean run counts: the archiver also ends with an archive when a
    // file could not be read, and a second backup in the same minute adds
    // to the archive already there.
    const bool ok = run.started && !run.timedOut && run.exitCode == 0 &&
                    ArchiveHolds(backupDir / name, {registerName, ConfigFile::kFileName});
    op.Plain(ok ? "Файл " + name + kCreated : kNotCreated);
    return ok;
}

std::optional<fs::path> ChooseBackupFile(Session& session, Operator& op) {
    const std::optional<std::string> file = op.ChooseOpenFile(
        (session.ProgramDir() / kBackupDir).string(), {{"Файл резервной копии", "*.bkp"}});
    if (!file) return std::nullopt;
    return fs::path(*file);
}

bool RestoreBackup(Session& session, Operator& op, const fs::path& archive) {
    const fs::path dir = session.ProgramDir();
    const fs::path archivePath = archive.is_absolute() ? archive : dir / archive;
    const auto refuse = [&](const std::string& reason) {
        op.Error("Восстановление из резервной копии " + archivePath.filename().string() +
                 " не выполнено: " + reason + ". Файл данных и файл конфигурации не изменены.");
        return false;
    };

    // Another running copy would go on writing the files replaced here.
    if (session.State() == Session::RegisterState::Locked) {
        return refuse("файл данных " + session.RegisterName() +
                      " занят другой запущенной копией программы");
    }
    std::error_code ec;
    if (!fs::is_regular_file(archivePath, ec)) return refuse("файл не найден");

    RestoreDir unpacked(dir);
    if (unpacked.Path().empty()) {
        return refuse(std::string("нет доступа к папке программы (") + std::strerror(errno) + ")");
    }
    const ExtractResult x =
        ExtractArchive(dir.string(), archivePath.string(), unpacked.Path().string());
    if (const std::string why = CheckExtraction(x); !why.empty()) return refuse(why);

    const std::optional<std::string> configMember = FindMember(x.files, ConfigFile::kFileName);
    if (!configMember) return refuse("в копии нет файла конфигурации vrklad.cnf");
    const std::string configBytes = [&] {
        std::string bytes;
        std::FILE* f = std::fopen((unpacked.Path() / *configMember).c_str(), "rb");
        if (f == nullptr) return bytes;
        char buffer[sizeof(ProgramConfig) + 1];
        bytes.assign(buffer, std::fread(buffer, 1, sizeof buffer, f));
        std::fclose(f);
        return bytes;
    }();
    ProgramConfig restored = EmptyConfig();
    if (configBytes.size() == sizeof restored) {
        std::memcpy(&restored, configBytes.data(), sizeof restored);
    }
    const std::string registerName = RegisterFileName(restored);
    if (configBytes.size() != sizeof restored || registerName.empty()) {
        return refuse("файл конфигурации vrklad.cnf в копии повреждён");
    }

    // The register the restored configuration names may be held by another
    // copy of the program even when ours is not.
    const fs::path registerPath = dir / registerName;
    if (!(session.RegisterUsable() && session.Register().Path() == registerPath) &&
        fs::exists(registerPath, ec)) {
        RegisterFile probe;
        if (probe.Open(registerPath) == RegisterFile::OpenResult::InUse) {
            return refuse("файл данных " + registerName +
                          " занят другой запущенной копией программы");
        }
    }

    // What goes where; the configuration last, since it names the register.
    std::vector<std::pair<std::string, std::string>> members;
    if (auto m = FindMember(x.files, registerName)) members.emplace_back(*m, registerName);
    if (auto m = FindMember(x.files, kDetailsFileName)) members.emplace_back(*m, kDetailsFileName);
    if (auto m = FindMember(x.files, kSysInfoFileName)) members.emplace_back(*m, kSysInfoFileName);
    members.emplace_back(*configMember, ConfigFile::kFileName);
    // The staged files take the names they will have, so that the journal
    // holds only names of this program's own.
    ReplacementJournal journal;
    journal.kind = ReplacementJournal::Kind::Moves;
    journal.staging = unpacked.Path().filename().string();
    for (const auto& [from, to] : members) {
        const fs::path staged = unpacked.Path() / to;
        if ((from != to && io::Rename((unpacked.Path() / from).c_str(), staged.c_str()) != 0) ||
            !SyncPath(staged, O_RDONLY)) {
            return refuse("не удалось записать на диск файл " + to + " (" + std::strerror(errno) +
                          ")");
        }
        journal.moves.push_back(to);
    }
    SyncPath(unpacked.Path(), O_RDONLY | O_DIRECTORY);
    // From the journal on, the restore is carried through to its end, by the
    // next start if this run is cut short; until then nothing has changed.
    if (const std::error_code jec = WriteJournal(dir, journal)) {
        return refuse("не удалось записать на диск файл " +
                      std::string(ReplacementJournal::kFileName) + " (" + jec.message() + ")");
    }

    session.CloseFiles(op, /*bringToRest=*/false);
    std::string failed;
    const std::error_code moveEc = CarryOutMoves(dir, journal, &failed);
    session.ReopenFiles(op);

    if (moveEc) {
        unpacked.Keep();
        op.Error("Восстановление из резервной копии " + archivePath.filename().string() +
                 " прервано: не удалось заменить файл " + failed + " (" + moveEc.message() +
                 "). Оно будет завершено при следующем запуске программы.");
        return false;
    }
    return true;
}

}  // namespace vrklad
