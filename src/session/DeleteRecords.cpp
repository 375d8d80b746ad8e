#include "session/DeleteRecords.h"

#include "register/ChangeCodes.h"
#include "register/Clock.h"
#include "session/Session.h"

namespace vrklad {

void MarkDeleted(StudentRecord& r) {
    r.AllChanges |= r.LastChange;
    r.LastChange = Deleted;
    r.ChangeDate = Today();
}

void DeleteRecords(Session& session, const std::vector<uint16_t>& indexes) {
    RegisterFile& reg = session.Register();
    for (const uint16_t index : indexes) {
        StudentRecord r = EmptyRecord();
        if (!reg.Read(index, r)) continue;
        MarkDeleted(r);
        if (reg.Write(index, r) && session.DetailsAvailable()) {
            session.Details().DelDoc(DetailsDocument(r));
        }
    }
    RecountOrganizations(session.Config(), reg, session.IniSettings().TypeOrganization);
}

}  // namespace vrklad
