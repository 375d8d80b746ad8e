#pragma once

#include <string>

#include "register/RegisterFile.h"

namespace vrklad {

// A run of many record changes (an incoming file, an import, an
// organization change) writes them to a copy of the register rather than to
// the register itself, so that a write failing half way (a full disk)
// leaves the register as it was: the copy lies beside the register under a
// temporary name, locked from the start, and takes the register's place by
// one rename once every change is written. A copy not committed goes.
class RegisterWorkCopy {
public:
    RegisterWorkCopy() = default;
    ~RegisterWorkCopy() { Discard(); }
    RegisterWorkCopy(const RegisterWorkCopy&) = delete;
    RegisterWorkCopy& operator=(const RegisterWorkCopy&) = delete;

    // Copies the records of the open register `reg` (not its trailer). The
    // system's error text on failure, with no copy left; empty when done.
    std::string Begin(const RegisterFile& reg);

    // The copy, to read and write as the register.
    RegisterFile& File() { return m_file; }

    // Seals the copy under the register's name, flushes it and renames it
    // over the register, whose handle `reg` then becomes the copy's. The
    // system's error text on failure, with the register as it was and the
    // copy gone; empty when done.
    std::string Commit(RegisterFile& reg);

    // Drops the copy; the register is untouched.
    void Discard();

private:
    RegisterFile m_file;
    std::string m_temp;
};

}  // namespace vrklad
