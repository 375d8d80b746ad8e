#include "session/ShownListExport.h"

#include "exchange/LearnerList.h"
#include "session/Session.h"

namespace vrklad {

bool ExportShownLearners(Session& session, Operator& op, const std::vector<uint16_t>& rows) {
    if (rows.empty()) {
        op.Inform(kEmptyListMessage);
        return false;
    }
    const auto file = op.ChooseSaveFile(
        {{"Текстовые файлы", "*.txt"}, {"Файл с разделителями", "*.csv"}}, "txt");
    if (!file) return false;
    return ExportLearnerList(*file, session.Register(), rows, session.Details(), op);
}

}  // namespace vrklad
