#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

#include "register/Cp1251.h"
#include "register/RecordDate.h"

namespace vrklad {

#pragma pack(push, 1)
// One learner: the raw 192-byte layout of the register and exchange files.
// Text fields are cp1251, zero-filled, without terminator when full.
struct StudentRecord {
    uint32_t OKPO;
    char DOC[16];
    int64_t SNILS;
    uint8_t PersSex;
    uint8_t Reserved1[7];
    char BILET[11];
    char FIO[46];
    RecordDate DATEEND;
    RecordDate DBIRTH;
    uint8_t KlassNumber;
    uint8_t KlassLetter;
    uint8_t JuniorFlag;
    uint16_t AllChanges;
    uint16_t LastChange;
    RecordDate ChangeDate;
    char OLDFIO[46];
    char OLDDOC[16];
    uint8_t Reserved2[16];
    uint16_t ORG;
};
#pragma pack(pop)

static_assert(sizeof(StudentRecord) == 192);
static_assert(offsetof(StudentRecord, OKPO) == 0);
static_assert(offsetof(StudentRecord, DOC) == 4);
static_assert(offsetof(StudentRecord, SNILS) == 20);
static_assert(offsetof(StudentRecord, PersSex) == 28);
static_assert(offsetof(StudentRecord, Reserved1) == 29);
static_assert(offsetof(StudentRecord, BILET) == 36);
static_assert(offsetof(StudentRecord, FIO) == 47);
static_assert(offsetof(StudentRecord, DATEEND) == 93);
static_assert(offsetof(StudentRecord, DBIRTH) == 97);
static_assert(offsetof(StudentRecord, KlassNumber) == 101);
static_assert(offsetof(StudentRecord, KlassLetter) == 102);
static_assert(offsetof(StudentRecord, JuniorFlag) == 103);
static_assert(offsetof(StudentRecord, AllChanges) == 104);
static_assert(offsetof(StudentRecord, LastChange) == 106);
static_assert(offsetof(StudentRecord, ChangeDate) == 108);
static_assert(offsetof(StudentRecord, OLDFIO) == 112);
static_assert(offsetof(StudentRecord, OLDDOC) == 158);
static_assert(offsetof(StudentRecord, Reserved2) == 174);
static_assert(offsetof(StudentRecord, ORG) == 190);

constexpr size_t kRecordSize = sizeof(StudentRecord);
constexpr uint8_t kSexMale = 0xCC;    // "М" in cp1251
constexpr uint8_t kSexFemale = 0xC6;  // "Ж" in cp1251

// A zero-filled record.
inline StudentRecord EmptyRecord() {
    StudentRecord r{};
    return r;
}

inline bool SameBytes(const StudentRecord& a, const StudentRecord& b) {
    return std::memcmp(&a, &b, sizeof a) == 0;
}

// The raw cp1251 bytes of a text field, up to the first zero byte or its width.
template <size_t N>
std::string FieldBytes(const char (&field)[N]) {
    size_t len = 0;
    while (len < N && field[len] != 0) ++len;
    return std::string(field, len);
}

// Clears the field and copies at most N bytes of cp1251 text into it.
template <size_t N>
void SetFieldBytes(char (&field)[N], std::string_view cp1251) {
    std::memset(field, 0, N);
    std::memcpy(field, cp1251.data(), cp1251.size() < N ? cp1251.size() : N);
}

// The same through the codec, for UTF-8 text.
template <size_t N>
std::string FieldText(const char (&field)[N]) {
    return Cp1251ToUtf8(FieldBytes(field));
}

template <size_t N>
void SetFieldText(char (&field)[N], std::string_view utf8) {
    SetFieldBytes(field, Utf8ToCp1251(utf8));
}

// The KLASS column: the number, then "-" and the letter when there is one.
std::string KlassText(const StudentRecord& r);

}  // namespace vrklad
