#pragma once

#include <cstdint>
#include <vector>

namespace vrklad {

class Operator;
class Session;

// "Выгрузить список учащихся": the rows now listed (record indexes in list
// order) to a delimited file chosen in the save dialog. Nothing is written
// for an empty list or a cancelled dialog.
bool ExportShownLearners(Session& session, Operator& op, const std::vector<uint16_t>& rows);

}  // namespace vrklad
