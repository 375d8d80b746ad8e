#pragma once

#include <cstdint>
#include <vector>

#include "register/StudentRecord.h"

namespace vrklad {

class Session;

// What "В след. класс\курс" needs to know of the installation.
struct NextClassRule {
    uint8_t maxKlass = 0;
    uint8_t orgType = 0;
    uint8_t monthEndAllow = 9;  // end of the school year of the graduating class
    uint8_t dayEndAllow = 30;
    bool moveBenefitEnd = false;  // the answer Yes: the benefit end moves too
};

// The same day a year later; 29 February becomes 28 February when the next
// year has no 29 February.
RecordDate SameDayNextYear(RecordDate date);

// The last benefit day of a learner now in class `klass`: the end of the
// school year in which the highest class ends.
RecordDate FinalBenefitEnd(int currentYear, const NextClassRule& rule, uint8_t klass);

// Moves the learner up one class or course, with the change code and today's
// change date; with moveBenefitEnd the benefit end moves a year on, never
// past the final date. A learner in the highest class is left byte for byte
// as he is: false.
bool PromoteToNextClass(StudentRecord& record, const NextClassRule& rule);

// Promotes the records at these indexes of the session's register, in order.
void PromoteRecords(Session& session, const std::vector<uint16_t>& indexes, bool moveBenefitEnd);

}  // namespace vrklad
