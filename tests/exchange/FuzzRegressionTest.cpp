// Inputs the fuzz targets (fuzz/) found to break the exchange code, kept as
// ordinary tests next to it.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "exchange/IncomingFixtures.h"

namespace vrklad::test {
namespace {

constexpr uint32_t kSender = 87654321;
constexpr uint16_t kSenderAgency = 7;

StudentRecord With(StudentRecord r, uint8_t klassLetter, const std::string& fio,
                   const std::string& oldFio = {}) {
    r.KlassLetter = klassLetter;
    SetFieldBytes(r.FIO, fio);
    SetFieldBytes(r.OLDFIO, oldFio);
    return r;
}

// A record file's text fields and class letter may hold any byte, and the
// merge's messages quote them. The protocol line of such a record stays one
// line: control characters are shown as blanks (found by
// fuzz/record_file.cpp: a class letter 0x0A, a previous name with a LF).
TEST(FuzzRegression, ProtocolLineOfARecordWithLineBreaksStaysOneLine) {
    struct Case {
        const char* what;
        StudentRecord stored;    // the register's one record
        StudentRecord incoming;  // the file's one record
        std::string line;        // its protocol line, UTF-8
    };
    const StudentRecord pupil = Pupil(1, kSender, kSenderAgency);
    const auto deleted = [](StudentRecord r) {
        r.LastChange = Deleted;
        return r;
    };
    const std::string restored = " - восстановление удаленной записи";
    const std::string fio = Utf8ToCp1251("Ученик Номер 1");
    const std::string lead = "1;" + DocOf(1) + ";";
    StudentRecord renamed = With(pupil, 0xC0, Utf8ToCp1251("Петров Пётр"),
                                 Utf8ToCp1251("Сидоров\nСидор"));
    SetFieldText(renamed.DOC, DocOf(2));
    SetFieldText(renamed.OLDDOC, DocOf(1));
    const std::vector<Case> cases = {
        {"class letter LF", deleted(With(pupil, '\n', fio)), With(pupil, '\n', fio),
         lead + "Ученик Номер 1;2008-5-1;10- ;" + restored},
        {"CR LF in the name", deleted(With(pupil, 0xC0, Utf8ToCp1251("Ученик\r\nНомер"))),
         With(pupil, 0xC0, Utf8ToCp1251("Ученик\r\nНомер")),
         lead + "Ученик  Номер;2008-5-1;10-А;" + restored},
        {"tab and escape in the name", deleted(With(pupil, 0xC0, "A\tB\x1B" "C")),
         With(pupil, 0xC0, "A\tB\x1B" "C"), lead + "A B C;2008-5-1;10-А;" + restored},
        {"LF in the previous name the refusal quotes", pupil, renamed,
         "1;" + DocOf(2) + ";Петров Пётр;2008-5-1;10-А; - запись не обработана: Недопустимая "
                           "операция редактирования:  " +
             DocOf(1) + " Сидоров Сидор изменили на " + DocOf(2) + " Петров Пётр."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Installation inst(Mode::District, {c.stored},
                          {{static_cast<int32_t>(kSender), kSenderAgency}});
        WriteExchangeFile(inst.dir / "87654321.act", {c.incoming});

        const IncomingResult result = inst.RecordFile(inst.dir / "87654321.act");

        EXPECT_TRUE(result.completed);
        EXPECT_EQ(inst.Protocol("87654321"),
                  ExpectedProtocol("87654321", 1, {c.line}, result.counters));
    }
}

}  // namespace
}  // namespace vrklad::test
