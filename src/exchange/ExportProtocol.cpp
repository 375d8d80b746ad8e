#include "exchange/ExportProtocol.h"

namespace vrklad {

std::string ExportProtocolHeading(const LocalDateTime& at) {
    return "\tПротокол от " + TwoDigits(at.day) + "-" + TwoDigits(at.month) + "-" +
           std::to_string(at.year) + " " + TwoDigits(at.hour) + ":" + TwoDigits(at.minute) + ":" +
           TwoDigits(at.second);
}

std::string ExportedRecordLine(const StudentRecord& r) {
    return FieldText(r.DOC) + ";" + std::to_string(r.OKPO) + "(" + std::to_string(r.ORG) + ");" +
           std::to_string(r.DATEEND.year) + "-" + TwoDigits(r.DATEEND.month) + "-" +
           TwoDigits(r.DATEEND.day) + ";" + FieldText(r.FIO);
}

}  // namespace vrklad
