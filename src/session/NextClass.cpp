#include "session/NextClass.h"

#include "register/ChangeCodes.h"
#include "register/Clock.h"
#include "session/Session.h"

namespace vrklad {

RecordDate SameDayNextYear(RecordDate date) {
    RecordDate next = date;
    next.year = static_cast<uint16_t>(date.year + 1);
    if (date.month == 2 && date.day == 29 && !IsValidDate(next.year, 2, 29)) next.day = 28;
    return next;
}

RecordDate FinalBenefitEnd(int currentYear, const NextClassRule& rule, uint8_t klass) {
    const int year = currentYear + rule.maxKlass - klass + 1;
    return {static_cast<uint16_t>(year), rule.monthEndAllow, rule.dayEndAllow};
}

bool PromoteToNextClass(StudentRecord& r, const NextClassRule& rule) {
    if (r.KlassNumber + 1 > rule.maxKlass) return false;
    r.AllChanges |= r.LastChange;
    r.LastChange = KlassChanged;
    r.KlassNumber = static_cast<uint8_t>(r.KlassNumber + 1);
    r.JuniorFlag = (r.KlassNumber < 9 && rule.orgType == 1) ? 1 : 0;
    if (rule.moveBenefitEnd) {
        const RecordDate moved = SameDayNextYear(r.DATEEND);
        const RecordDate final = FinalBenefitEnd(Now().year, rule, r.KlassNumber);
        r.DATEEND = moved.Number() <= final.Number() ? moved : final;
        r.LastChange |= DateEndChanged;
    }
    r.ChangeDate = Today();
    return true;
}

void PromoteRecords(Session& session, const std::vector<uint16_t>& indexes, bool moveBenefitEnd) {
    NextClassRule rule;
    rule.maxKlass = session.MaxKlass();
    rule.orgType = session.Config().OrgType;
    rule.monthEndAllow = session.IniSettings().MonthEndAllow;
    rule.dayEndAllow = session.IniSettings().DayEndAllow;
    rule.moveBenefitEnd = moveBenefitEnd;
    RegisterFile& reg = session.Register();
    for (const uint16_t index : indexes) {
        StudentRecord r = EmptyRecord();
        if (!reg.Read(index, r)) continue;
        if (PromoteToNextClass(r, rule)) reg.Write(index, r);
    }
}

}  // namespace vrklad
