#pragma once

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "details/CreateDetailsDatabase.h"
#include "details/DetailsStore.h"
#include "exchange/Archiver.h"
#include "exchange/ProcessArchive.h"
#include "exchange/ProcessRecordFile.h"
#include "exchange/RegisterIndexes.h"
#include "register/ChangeCodes.h"
#include "register/Checksum.h"
#include "register/Clock.h"
#include "register/Cp1251.h"
#include "register/ProgramConfig.h"
#include "register/RegisterFile.h"
#include "register/SettingsIni.h"
#include "register/StudentRecord.h"
#include "support/ScriptedOperator.h"
#include "support/TempDir.h"

namespace vrklad::test {

namespace fs = std::filesystem;

inline const char* const kDetailsSchema = VRKLAD_SOURCE_DIR "/db/Additional.sql";

// The moment every protocol of these tests is stamped with.
inline constexpr LocalDateTime kNow = {2024, 3, 5, 14, 7, 9};
inline constexpr RecordDate kToday = {2024, 3, 5};

class FixedClock {
public:
    FixedClock() { SetNowForTesting(kNow); }
    ~FixedClock() { SetNowForTesting(std::nullopt); }
    FixedClock(const FixedClock&) = delete;
    FixedClock& operator=(const FixedClock&) = delete;
};

// The document of learner n: "П.40.05." and n in seven digits.
inline std::string DocOf(uint32_t n) {
    char number[16];
    std::snprintf(number, sizeof number, "%07u", n);
    return "П.40.05." + std::string(number);
}

// Learner n of an organization; every learner has its own document and name.
inline StudentRecord Pupil(uint32_t n, uint32_t okpo, uint16_t org) {
    StudentRecord r = EmptyRecord();
    r.OKPO = okpo;
    r.ORG = org;
    SetFieldText(r.DOC, DocOf(n));
    SetFieldText(r.FIO, "Ученик Номер " + std::to_string(n));
    SetFieldText(r.BILET, "0012345");
    r.PersSex = kSexMale;
    r.DBIRTH = {2008, 5, 1};
    r.DATEEND = {2026, 9, 30};
    r.KlassNumber = 10;
    r.KlassLetter = 0xC0;  // А
    r.LastChange = Added;
    r.ChangeDate = {2024, 1, 10};
    return r;
}

// An exchange file as the actual-records export writes it: the records, then
// the trailer under the file's own name.
inline void WriteExchangeFile(const fs::path& path, const std::vector<StudentRecord>& records) {
    const std::string bytes(reinterpret_cast<const char*>(records.data()),
                            records.size() * sizeof(StudentRecord));
    WriteFile(path, bytes);
    RegisterFile file;
    ASSERT_EQ(file.Open(path), RegisterFile::OpenResult::Ok);
    ASSERT_TRUE(SealRegister(file, path.filename().string()));
}

// A details database "Additional.db" in dir holding the given documents' details.
inline fs::path MakeDetailsDatabase(
    const fs::path& dir, const std::vector<std::pair<std::string, DocumentDetails>>& rows) {
    const fs::path path = dir / kDetailsFileName;
    std::string error;
    EXPECT_TRUE(CreateDetailsDatabase(path, kDetailsSchema, &error)) << error;
    ScriptedOperator op;
    DetailsStore store(op);
    EXPECT_TRUE(store.Open(dir.string() + "/"));
    for (const auto& [doc, details] : rows) EXPECT_TRUE(store.InsertDoc(doc, details));
    EXPECT_TRUE(op.shown.empty());
    return path;
}

inline DocumentDetails SomeDetails(const std::string& issuer) {
    return DocumentDetails{{2020, 6, 15}, issuer, 770001, "г. Москва"};
}

enum class Mode { District, School, University };

inline constexpr uint32_t kOwnOkpo = 12345678;
inline constexpr uint16_t kOwnAgency = 5;

// One installation in a temporary ProgramDir: configuration, settings,
// register, details database and lookup indexes, as the main window holds
// them, with a scripted operator.
class Installation {
public:
    struct Org {
        int32_t okpo;
        uint16_t agency;
    };

    explicit Installation(Mode mode, const std::vector<StudentRecord>& records = {},
                          const std::vector<Org>& orgs = {}, bool withDetails = false) {
        EXPECT_TRUE(config.Load(dir.Dir()));
        ProgramConfig& cfg = config.Data();
        cfg.OrgType = mode == Mode::University ? 4 : 1;
        cfg.LastExchangeDate = {2024, 1, 1};
        if (mode == Mode::District) {
            cfg.DistrictMode = 1;
            for (const Org& org : orgs) AddOrg(org);
        } else {
            AddOrg({static_cast<int32_t>(kOwnOkpo), kOwnAgency});
            cfg.OwnAgency = kOwnAgency;
        }
        EXPECT_TRUE(config.Save());
        const std::string bytes(reinterpret_cast<const char*>(records.data()),
                                records.size() * sizeof(StudentRecord));
        WriteFile(dir / RegisterFileName(cfg), bytes);
        EXPECT_EQ(reg.Open(dir / RegisterFileName(cfg)), RegisterFile::OpenResult::Ok);
        if (withDetails) {
            MakeDetailsDatabase(dir.Dir(), {});
            EXPECT_TRUE(details.Open(ProgramDir()));
        }
        fs::create_directories(Prcssd());
    }

    void AddOrg(const Org& org) {
        ProgramConfig& cfg = config.Data();
        cfg.OrgOKPO[cfg.OrgCount] = org.okpo;
        cfg.OrgAgency[cfg.OrgCount] = org.agency;
        ++cfg.OrgCount;
    }

    std::string ProgramDir() const { return dir.Path(); }
    fs::path Prcssd() const { return dir / kProcessedDir; }

    IncomingResult Archive(const fs::path& archive) {
        return ProcessArchive(archive, ProgramDir(), reg, config, settings, details, *indexes, op);
    }
    IncomingResult RecordFile(const fs::path& path) {
        return ProcessRecordFile(path, ProgramDir(), reg, config, settings, details, *indexes, op);
    }

    std::vector<StudentRecord> Records() const { return reg.ReadAll(); }
    // The configuration as saved on disk.
    ProgramConfig Saved() const {
        ConfigFile saved;
        EXPECT_TRUE(saved.Load(dir.Dir()));
        return saved.Data();
    }
    // The lines of PRCSSD/<name>.txt, decoded.
    std::vector<std::string> Protocol(const std::string& name) const {
        return Lines(ReadFile(Prcssd() / (name + ".txt")));
    }

    static std::vector<std::string> Lines(const std::string& cp1251) {
        std::vector<std::string> lines;
        size_t from = 0;
        for (size_t end = cp1251.find("\r\n"); end != std::string::npos;
             end = cp1251.find("\r\n", from)) {
            lines.push_back(Cp1251ToUtf8(cp1251.substr(from, end - from)));
            from = end + 2;
        }
        EXPECT_EQ(from, cp1251.size()) << "the last line has no CR LF";
        return lines;
    }

    FixedClock clock;
    ScriptedOperator op;
    TempDir dir;
    ConfigFile config;
    Settings settings;
    vrklad::RegisterFile reg;
    DetailsStore details{op};
    std::unique_ptr<RegisterIndexes> indexes = std::make_unique<RegisterIndexes>();
};

// The protocol's head and tail around the record lines.
inline std::vector<std::string> ExpectedProtocol(const std::string& name, size_t count,
                                                 const std::vector<std::string>& lines,
                                                 const IncomingCounters& c) {
    std::vector<std::string> all = {
        "          2024-03-05 14:07:09",
        "Протокол обработки файла от организации " + name,
        "Количество записей в файле: " + std::to_string(count),
        "",
    };
    all.insert(all.end(), lines.begin(), lines.end());
    all.push_back("");
    all.push_back("Добавлено новых записей: " + std::to_string(c.added));
    all.push_back("Обновлено записей : " + std::to_string(c.updated));
    all.push_back("Ошибочных записей : " + std::to_string(c.erroneous));
    all.push_back("Записей без изменений  : " + std::to_string(c.unchanged));
    all.push_back("Удалено записей : " + std::to_string(c.deleted));
    return all;
}

// The protocol line's lead-in of a Pupil at file position i (from 1).
inline std::string PrefixOf(size_t position, uint32_t n) {
    return std::to_string(position) + ";" + DocOf(n) + ";Ученик Номер " + std::to_string(n) +
           ";2008-5-1;10-А;";
}

}  // namespace vrklad::test
