#pragma once

namespace vrklad {

// The name of the SQLite file layer the details database is opened
// through: the platform's own, with every write, flush and truncation of
// the database and its journal passed through the fault seam first, so that
// a full disk or a crash reaches the database as it reaches the other files
// of an installation. Registered on first use; unarmed it only forwards.
const char* SqliteFaultSeamVfs();

}  // namespace vrklad
