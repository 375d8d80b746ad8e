#include "session/SaveRecord.h"

#include <string>

#include "exchange/MatchIncoming.h"
#include "exchange/RecordUpdate.h"
#include "session/Session.h"

namespace vrklad {
namespace {

constexpr const char* kNotSaved = " Сохранение не возможно!";
constexpr const char* kReplaceQuestion = " Продолжить и заменить?";

SchoolYear SchoolYearOf(const Session& session) {
    SchoolYear year;
    year.orgType = session.Config().OrgType;
    year.maxKlass = session.MaxKlass();
    year.monthEndAllow = session.IniSettings().MonthEndAllow;
    year.dayEndAllow = session.IniSettings().DayEndAllow;
    return year;
}

void StoreDetails(Session& session, const StudentRecord& r, const EnteredRecord& entered) {
    if (session.DetailsAvailable()) {
        session.Details().ReplaceDoc(DetailsDocument(r), entered.details);
    }
}

SaveOutcome Refused(Operator& op, const std::string& text) {
    op.Error(text);
    return {};
}

// Writes at `index`, or appends when it is -1.
SaveOutcome Write(Session& session, Operator& op, int32_t index, const StudentRecord& r,
                  const EnteredRecord& entered) {
    RegisterFile& reg = session.Register();
    if (index < 0) {
        uint16_t appended = RegisterFile::kNoRecord;
        switch (reg.Append(r, &appended)) {
            case RegisterFile::AppendResult::Ok:
                index = appended;
                break;
            case RegisterFile::AppendResult::Full:
                return Refused(op, std::string(kRegisterFullMessage) + kNotSaved);
            case RegisterFile::AppendResult::Failed:
                return Refused(op, std::string(kRegisterIoMessage) + kNotSaved);
        }
    } else if (!reg.Write(static_cast<uint32_t>(index), r)) {
        return Refused(op, std::string(kRegisterIoMessage) + kNotSaved);
    }
    StoreDetails(session, r, entered);
    return {SaveOutcome::Kind::Written, index};
}

SaveOutcome Add(Session& session, Operator& op, const EnteredRecord& entered) {
    const StudentRecord r = NewRecordFromEntered(entered, session.Config());
    const MatchResult match = MatchIncoming(session.Register(), session.Indexes(), r);
    switch (match.verdict) {
        case MatchTakeOver:
            if (op.Message(Operator::Icon::Warning, match.message + kReplaceQuestion,
                           Operator::Buttons::YesNo) != Operator::Answer::Yes) {
                return {SaveOutcome::Kind::Declined, match.target};
            }
            return Write(session, op, match.target, r, entered);
        case MatchUpdate:
            return Write(session, op, match.target, r, entered);
        case MatchNew:
            return Write(session, op, -1, r, entered);
        default:
            return Refused(op, match.message + kNotSaved);
    }
}

SaveOutcome Change(Session& session, Operator& op, int32_t selectedIndex,
                   const EnteredRecord& entered) {
    StudentRecord r = EmptyRecord();
    if (selectedIndex < 0 || !session.Register().Read(static_cast<uint32_t>(selectedIndex), r)) {
        return Refused(op, std::string(kRegisterIoMessage) + kNotSaved);
    }
    std::string message;
    if (!ChangeRecordFromEntered(r, entered, session.Config(), message)) {
        return Refused(op, message);
    }
    const MatchResult match = MatchIncoming(session.Register(), session.Indexes(), r);
    if (match.verdict == MatchRefused) return Refused(op, match.message + kNotSaved);
    return Write(session, op, selectedIndex, r, entered);
}

}  // namespace

SaveOutcome SaveEnteredRecord(Session& session, Operator& op, bool adding, int32_t selectedIndex,
                              const EnteredRecord& entered) {
    if (const auto problem = CheckEnteredRecord(entered, SchoolYearOf(session))) {
        op.Plain(problem->message);
        SaveOutcome outcome;
        outcome.clearSnils = problem->clearSnils;
        return outcome;
    }
    const SaveOutcome outcome =
        adding ? Add(session, op, entered) : Change(session, op, selectedIndex, entered);
    if (outcome.kind != SaveOutcome::Kind::Refused) {
        RegisterFile& reg = session.Register();
        RecountOrganizations(session.Config(), reg, session.IniSettings().TypeOrganization);
        session.Indexes().Rebuild(reg);
    }
    return outcome;
}

}  // namespace vrklad
