#pragma once

#include <array>
#include <string>

#include "register/StudentRecord.h"

namespace vrklad {

// The row of the service information window for one record, in the column
// order "Дата изм.", "Все изменения", "Код посл. изм.", "Пред. ФИО",
// "Пред. документ", "ОКПО", "Аг. код". UTF-8.
std::array<std::string, 7> ServiceInfoRow(const StudentRecord& record);

// What "Стереть изменения" does to the record: the history is dropped,
// ChangeDate and every other field stay.
void EraseChangeHistory(StudentRecord& record);

}  // namespace vrklad
