#include "session/ServiceInfoRow.h"

#include <cstdio>
#include <cstring>

#include "register/ChangeCodes.h"
#include "register/Clock.h"

namespace vrklad {
namespace {

std::string UpperHex(unsigned value) {
    char text[16];
    std::snprintf(text, sizeof text, "%X", value);
    return text;
}

}  // namespace

std::array<std::string, 7> ServiceInfoRow(const StudentRecord& r) {
    const RecordDate date = r.ChangeDate;
    return {
        std::to_string(date.year) + "-" + TwoDigits(date.month) + "-" + TwoDigits(date.day),
        UpperHex(r.AllChanges),
        UpperHex(r.LastChange),
        FieldText(r.OLDFIO),
        FieldText(r.OLDDOC),
        std::to_string(r.OKPO),
        std::to_string(r.ORG),
    };
}

void EraseChangeHistory(StudentRecord& r) {
    std::memset(r.OLDFIO, 0, sizeof r.OLDFIO);
    std::memset(r.OLDDOC, 0, sizeof r.OLDDOC);
    r.AllChanges = 0;
    r.LastChange = ChangesErased;
}

}  // namespace vrklad
