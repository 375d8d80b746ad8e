#include "maintenance/RegisterCopy.h"

#include <string>
#include <string_view>
#include <system_error>

#include "exchange/Archiver.h"
#include "exchange/ExchangeFile.h"
#include "exchange/LearnerList.h"
#include "register/ChangeCodes.h"
#include "register/Checksum.h"
#include "register/Clock.h"
#include "register/ProgramConfig.h"
#include "register/RegisterFile.h"
#include "register/SafeReplace.h"
#include "session/Session.h"

namespace vrklad {
namespace {

namespace fs = std::filesystem;

constexpr const char* kFolderTitle = "Выберете каталог, в который будут выгружены данные";
constexpr const char* kProgramFilesQuestion = "Добавить файлы программы в каталог с БД?";
constexpr uint32_t kNoOrganizationOkpo = 99999999;

bool Exists(const fs::path& path) {
    std::error_code ec;
    return fs::exists(fs::symlink_status(path, ec));
}

bool RefuseEmpty(Operator& op, const std::vector<uint16_t>& rows) {
    if (!rows.empty()) return false;
    op.Inform(kEmptyListMessage);
    return true;
}

// The configuration of the copy: a school of its own with the learners
// written, whose pending corrections start from yesterday.
ProgramConfig CopyConfig(const ProgramConfig& source, uint32_t okpo, uint16_t learners) {
    const uint16_t agency = AgencyByOkpo(source, static_cast<int32_t>(okpo));
    ProgramConfig config = EmptyConfig();
    config.OrgType = 1;
    config.OrgCount = 1;
    config.OrgOKPO[0] = static_cast<int32_t>(okpo);
    config.OrgLearners[0] = learners;
    config.OrgAgency[0] = agency;
    config.LastExchangeDate = DateOf(AddHours(Now(), -24));
    config.OwnAgency = agency;
    config.DistrictMode = 0;
    config.RecordCount = learners;
    config.TotalLearners = learners;
    return config;
}

bool WriteCopyFiles(Session& session, Operator& op, const std::vector<uint16_t>& rows,
                    uint32_t okpo, const fs::path& dir) {
    std::error_code ec;
    if (!fs::is_directory(dir, ec) && (!fs::create_directories(dir, ec) || ec)) {
        op.Error("Не удалось создать каталог " + dir.string() + " (" + ec.message() + ").");
        return false;
    }
    // The copy's "vrklad.cnf" would replace this installation's own.
    if (fs::equivalent(dir, session.ProgramDir(), ec)) {
        op.Error(
            "Выгрузка в каталог программы невозможна: файл конфигурации vrklad.cnf этой "
            "установки был бы заменён. Выберите другой каталог.");
        return false;
    }

    const std::string name = std::to_string(okpo) + ".sch";
    const fs::path copyPath = dir / name;
    const RegisterFile& reg = session.Register();
    std::vector<StudentRecord> records;
    records.reserve(rows.size());
    for (const uint16_t index : rows) {
        StudentRecord r;
        if (reg.Read(index, r)) records.push_back(r);
    }
    // Written whole beside its place and renamed there, sealed under its own
    // name as the copy's installation will verify it: a failed write leaves
    // no half copy under that name.
    std::string error;
    if (!WriteExchangeFile(copyPath, records, error)) {
        op.Error("Не удалось записать файл " + copyPath.string() + " (" + error + ").");
        return false;
    }
    const auto written = static_cast<uint16_t>(records.size());

    const ProgramConfig config = CopyConfig(session.Config(), okpo, written);
    const fs::path configPath = dir / ConfigFile::kFileName;
    if (const std::error_code err = ReplaceFileSafely(
            configPath, std::string_view(reinterpret_cast<const char*>(&config), sizeof config))) {
        op.Error("Не удалось записать файл " + configPath.string() + " (" + err.message() + ").");
        return false;
    }
    return true;
}

// Files missing here are simply not offered; the directory's own files are
// kept. Only a copy that was tried and failed is reported.
void CopyProgramFiles(Session& session, Operator& op, const fs::path& dir,
                      const fs::path& programFile) {
    const fs::path& programDir = session.ProgramDir();
    const fs::path sources[] = {programFile, programDir / kArchiverProgram,
                                programDir / "AlterVelum.asz", programDir / "VR_KLAD.INI"};
    std::string failed;
    for (const fs::path& source : sources) {
        std::error_code ec;
        if (source.empty() || !fs::is_regular_file(source, ec)) continue;
        const fs::path target = dir / source.filename();
        if (Exists(target)) continue;
        if (!fs::copy_file(source, target, fs::copy_options::none, ec) || ec) {
            failed += (failed.empty() ? "" : ", ") + source.filename().string() + " (" +
                      ec.message() + ")";
        }
    }
    if (!failed.empty()) op.Warn("Не удалось скопировать файлы программы: " + failed + ".");
}

}  // namespace

bool WriteRegisterCopy(Session& session, Operator& op, const std::vector<uint16_t>& rows,
                       uint32_t okpo, const fs::path& programFile) {
    if (RefuseEmpty(op, rows)) return false;
    const std::optional<std::string> dir = op.ChooseFolder(kFolderTitle);
    if (!dir) return false;
    if (!WriteCopyFiles(session, op, rows, okpo, *dir)) return false;
    if (op.Message(Operator::Icon::None, kProgramFilesQuestion, Operator::Buttons::YesNo) ==
        Operator::Answer::Yes) {
        CopyProgramFiles(session, op, *dir, programFile);
    }
    return true;
}

bool WriteRegisterCopy(Session& session, Operator& op, const std::vector<uint16_t>& rows,
                       uint32_t okpo, const fs::path& directory, bool withProgramFiles,
                       const fs::path& programFile) {
    if (RefuseEmpty(op, rows)) return false;
    if (!WriteCopyFiles(session, op, rows, okpo, directory)) return false;
    if (withProgramFiles) CopyProgramFiles(session, op, directory, programFile);
    return true;
}

std::vector<uint16_t> OrganizationRows(const RegisterFile& reg, uint32_t okpo) {
    std::vector<uint16_t> rows;
    const std::vector<StudentRecord> records = reg.ReadAll();
    for (uint32_t i = 0; i < records.size(); ++i) {
        const StudentRecord& r = records[i];
        if (IsExcludedByBits(r.LastChange)) continue;
        if (r.OKPO == okpo || r.OKPO == 0 || r.OKPO >= kNoOrganizationOkpo) {
            rows.push_back(static_cast<uint16_t>(i));
        }
    }
    return rows;
}

}  // namespace vrklad
