// The batch tool's exchange and maintenance commands reach the operations
// under the tool's conventions; the operations have their own tests.
#include <filesystem>

#include "cli/CliFixture.h"

namespace vrklad::test {
namespace {

namespace fs = std::filesystem;

class OperationCommands : public CliFixture {
protected:
    // One record of the register marked deleted long before the last exchange.
    void DeleteFirstRecord() {
        RegisterFile file;
        ASSERT_EQ(file.Open(File("123.sch")), RegisterFile::OpenResult::Ok);
        StudentRecord r = EmptyRecord();
        ASSERT_TRUE(file.Read(0, r));
        r.LastChange = Deleted;
        r.ChangeDate = {2000, 1, 1};
        ASSERT_TRUE(file.Write(0, r));
        ASSERT_TRUE(SealRegister(file, "123.sch"));
    }
};

TEST_F(OperationCommands, ExportActualWithAndWithoutRemovableMedia) {
    Configure(3);
    CliRun run = Run({"export-actual"});
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(fs::file_size(File("Export/123.act")), 3 * 192 + 6u);
    EXPECT_TRUE(Exists("Export/ACTUAL.ARJ"));

    const fs::path media = m_io.Dir() / "media";
    fs::create_directory(media);
    run = Run({"export-actual", "--to", media.string()});
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_TRUE(fs::exists(media / "ACTUAL.ARJ"));
    EXPECT_FALSE(Exists("Export/ACTUAL.ARJ"));
    EXPECT_TRUE(Has(run.out, "Файл успешно перенесен на "));
}

TEST_F(OperationCommands, ExportCorrectionsToAMissingFolderFails) {
    Configure(2);
    const CliRun run = Run({"export-corrections", "--to", (m_io.Dir() / "absent").string()});
    EXPECT_EQ(run.status, 1);
    EXPECT_TRUE(Has(run.err, "Ошибка переноса файла с корректированными записями"));
    EXPECT_TRUE(Exists("Export/Correct.log"));
}

TEST_F(OperationCommands, ProcessImportsEachFile) {
    Configure(0);
    const fs::path list = m_io.Dir() / "list.csv";
    WriteFile(list,
              "ORG;DOC;FIO;DBIRTH;BILET;KLASS;DATEEND;SNILS;PersSex\r\n"
              "45;\xCF.40.05.1234567;\xC8\xE2\xE0\xED\xEE\xE2 \xC8\xE2\xE0\xED;01.02.2010;77;5;"
              "30.06.2029;;\xCC\r\n");
    const CliRun run = Run({"process", list.string(), (m_io.Dir() / "none.csv").string()});
    EXPECT_EQ(run.status, 1) << "the missing second file stops";
    EXPECT_EQ(fs::file_size(File("123.sch")), 192u + 6u);
    EXPECT_TRUE(Has(run.out, "ImpotrData.txt"));
}

TEST_F(OperationCommands, BackupThenRestoreGivesTheRegisterBack) {
    Configure(2);
    ASSERT_EQ(Run({"backup"}).status, 0);
    const std::string before = ReadFile(File("123.sch"));
    fs::path archive;
    for (const auto& e : fs::directory_iterator(File("BACKUP"))) {
        if (e.path().extension() == ".BKP") archive = e.path();
    }
    ASSERT_FALSE(archive.empty());
    DeleteFirstRecord();
    ASSERT_NE(ReadFile(File("123.sch")), before);

    const CliRun run = Run({"restore", archive.string()});
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(ReadFile(File("123.sch")).substr(0, 2 * 192), before.substr(0, 2 * 192));
}

TEST_F(OperationCommands, CompactDropsDeletedRecords) {
    Configure(4);
    DeleteFirstRecord();
    // No exchange yet: the deletion may not have gone out, so it asks first.
    EXPECT_EQ(Run({"compact"}).status, 1);
    EXPECT_EQ(fs::file_size(File("123.sch")), 4 * 192u + 6u);
    const CliRun run = Run({"--yes", "compact"});
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_TRUE(Has(run.out, "Сжатие выполнено на 25%."));
    EXPECT_EQ(fs::file_size(File("123.sch")), 3 * 192u + 6u);
}

TEST_F(OperationCommands, OrganizationCommands) {
    Configure(1);
    EXPECT_EQ(Run({"report", "orgs"}).status, 0);
    EXPECT_TRUE(Exists("Export/RepOrg.txt"));
    EXPECT_EQ(Run({"report", "pupils"}).status, 2);

    EXPECT_EQ(Run({"replace-agency", "77"}).status, 0);
    EXPECT_EQ(ReadConfig().OrgAgency[0], 77);

    EXPECT_EQ(Run({"delete-org", "123"}).status, 1) << "a single organization is not deleted";

    const fs::path copy = m_io.Dir() / "copy";
    EXPECT_EQ(Run({"copy-org", "123", copy.string()}).status, 0);
    EXPECT_EQ(fs::file_size(copy / "123.sch"), 192u + 6u);
    EXPECT_FALSE(fs::exists(copy / "VR_KLAD.INI"));

    EXPECT_EQ(Run({"set-type", "2"}).status, 0);
    EXPECT_TRUE(Exists("123.stu"));
    EXPECT_EQ(Run({"set-type", "7"}).status, 2);

    EXPECT_EQ(Run({"replace-okpo", "4567890"}).status, 0);
    EXPECT_TRUE(Exists("4567890.stu"));
    EXPECT_EQ(ReadConfig().OrgOKPO[0], 4567890);
}

}  // namespace
}  // namespace vrklad::test
