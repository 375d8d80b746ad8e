#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "exchange/ArjListing.h"

namespace vrklad::test {

// A hand-made ARJ archive of stored (uncompressed) members, for member
// headers no honest archiver writes: paths, "..", another host's
// separators. The archiver extracts it like any other.
struct CraftedMember {
    std::string name;  // the stored name, with any path
    std::string data;
    uint16_t namePosition = 0;  // where the file name starts in `name`
    uint8_t hostOs = 2;         // 0 DOS, 2 UNIX
    uint8_t fileType = kArjBinary;
    uint8_t flags = 0;          // e.g. kArjGarbled
};

inline void PutU16(std::string& out, uint16_t v) {
    out += static_cast<char>(v & 0xFF);
    out += static_cast<char>(v >> 8);
}

inline void PutU32(std::string& out, uint32_t v) {
    PutU16(out, static_cast<uint16_t>(v & 0xFFFF));
    PutU16(out, static_cast<uint16_t>(v >> 16));
}

inline std::string ArjHeader(const std::string& basic) {
    std::string out = "\x60\xEA";
    PutU16(out, static_cast<uint16_t>(basic.size()));
    out += basic;
    PutU32(out, ArjCrc32(basic));
    PutU16(out, 0);  // no extended headers
    return out;
}

inline std::string CraftArj(const std::vector<CraftedMember>& members) {
    const uint32_t time = 0x5D8A4706;  // a DOS date and time in 2026
    std::string main = {30, 11, 1, 0, 0x10, 0, 2, 0};
    PutU32(main, time);
    PutU32(main, time);
    PutU32(main, 0);
    PutU32(main, 0);
    PutU16(main, 0);
    PutU16(main, 0);
    main += std::string(2, '\0');
    main += std::string("c.arj") + '\0' + '\0';
    std::string out = ArjHeader(main);
    for (const CraftedMember& m : members) {
        std::string basic = {30, 11, 1, static_cast<char>(m.hostOs), static_cast<char>(m.flags),
                             0 /* stored */, static_cast<char>(m.fileType), 0};
        PutU32(basic, time);
        PutU32(basic, static_cast<uint32_t>(m.data.size()));
        PutU32(basic, static_cast<uint32_t>(m.data.size()));
        PutU32(basic, ArjCrc32(m.data));
        PutU16(basic, m.namePosition);
        PutU16(basic, 0x20);
        basic += std::string(2, '\0');
        basic += m.name + '\0' + '\0';
        out += ArjHeader(basic) + m.data;
    }
    return out + std::string("\x60\xEA\0\0", 4);
}

}  // namespace vrklad::test
