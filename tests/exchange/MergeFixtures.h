#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "exchange/RegisterIndexes.h"
#include "register/ChangeCodes.h"
#include "register/RegisterFile.h"
#include "register/StudentRecord.h"
#include "support/TempDir.h"

namespace vrklad::test {

// One learner of a school register; tests change what they look at.
inline StudentRecord Learner(const std::string& doc = "П.40.05.1234567",
                             const std::string& fio = "Иванов Иван Иванович",
                             int64_t snils = 11223344595) {
    StudentRecord r = EmptyRecord();
    r.OKPO = 12345678;
    r.ORG = 5;
    SetFieldText(r.DOC, doc);
    SetFieldText(r.FIO, fio);
    SetFieldText(r.BILET, "0012345");
    r.SNILS = snils;
    r.PersSex = kSexMale;
    r.DBIRTH = {2008, 5, 1};
    r.DATEEND = {2026, 9, 30};
    r.KlassNumber = 10;
    r.KlassLetter = 0xC0;  // А
    r.JuniorFlag = 0;
    r.LastChange = Added;
    r.ChangeDate = {2024, 1, 10};
    return r;
}

// A register file in a temporary directory, opened, with its indexes built.
class TestRegister {
  public:
    explicit TestRegister(const std::vector<StudentRecord>& records) {
        std::string bytes(reinterpret_cast<const char*>(records.data()),
                          records.size() * sizeof(StudentRecord));
        WriteFile(m_dir / "12345678.sch", bytes);
        EXPECT_EQ(m_reg.Open(m_dir / "12345678.sch"), RegisterFile::OpenResult::Ok);
        m_indexes = std::make_unique<RegisterIndexes>();
        m_indexes->Rebuild(m_reg);
    }

    RegisterFile& Reg() { return m_reg; }
    RegisterIndexes& Indexes() { return *m_indexes; }
    StudentRecord At(uint32_t index) const {
        StudentRecord r = EmptyRecord();
        EXPECT_TRUE(m_reg.Read(index, r));
        return r;
    }

  private:
    TempDir m_dir;
    RegisterFile m_reg;
    std::unique_ptr<RegisterIndexes> m_indexes;
};

}  // namespace vrklad::test
