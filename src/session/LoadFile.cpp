#include "session/LoadFile.h"

#include "exchange/ImportTable.h"
#include "exchange/IncomingFile.h"
#include "session/Session.h"

namespace vrklad {

IncomingResult LoadFile(Session& session, Operator& op, const std::filesystem::path& path) {
    const auto import = [&](const std::filesystem::path& table) {
        const ImportTableResult r =
            ImportTable(table, session.ProgramDir(), session.Register(), session.Configuration(),
                        session.IniSettings(), session.MaxKlass(), session.Details(),
                        session.Indexes(), op);
        IncomingResult result;
        result.completed = r.imported;
        result.counters.added = r.added;
        result.counters.updated = r.updated;
        result.counters.erroneous = r.erroneous;
        result.counters.unchanged = r.unchanged;
        result.protocol = r.protocol;
        return result;
    };
    return ProcessIncomingFile(path, session.ProgramDir().string(), session.Register(),
                               session.Configuration(), session.IniSettings(), session.Details(),
                               session.Indexes(), op, import);
}

}  // namespace vrklad
