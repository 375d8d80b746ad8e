#pragma once

#include "exchange/DocIndex.h"
#include "exchange/SnilsIndex.h"

namespace vrklad {

class RegisterFile;

// The two lookup indexes of the register, owned by the main window for the
// whole run and rebuilt together by every operation that matches records.
struct RegisterIndexes {
    DocIndex docs;
    SnilsIndex snils;

    // Both rebuilt from the register, read a block at a time, DocIndex first.
    void Rebuild(const RegisterFile& reg);
};

}  // namespace vrklad
