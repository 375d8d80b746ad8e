#include "register/StudentRecord.h"

namespace vrklad {

std::string KlassText(const StudentRecord& r) {
    std::string s = std::to_string(r.KlassNumber);
    if (r.KlassLetter != 0) {
        s += '-';
        s += Cp1251ToUtf8(std::string(1, static_cast<char>(r.KlassLetter)));
    }
    return s;
}

}  // namespace vrklad
