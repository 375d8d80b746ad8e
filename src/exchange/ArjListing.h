#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace vrklad {

// One member of an ARJ archive, as its local header describes it.
struct ArjMember {
    std::string storedName;   // the stored bytes, with any path
    std::string extractName;  // what "arj e" writes: the stored name from its file-name position
    uint8_t hostOs = 0;
    uint8_t flags = 0;     // kArjGarbled, kArjVolume, kArjExtFile, ...
    uint8_t fileType = 0;  // kArjBinary or kArjText for plain files
    uint32_t originalSize = 0;
};

inline constexpr uint8_t kArjGarbled = 0x01;  // encrypted
inline constexpr uint8_t kArjVolume = 0x04;   // continues in the next volume
inline constexpr uint8_t kArjExtFile = 0x08;  // continued from the previous volume
inline constexpr uint8_t kArjBinary = 0;
inline constexpr uint8_t kArjText = 1;

struct ArjListing {
    bool ok = false;
    std::string error;  // why the archive could not be read, for logs
    uint8_t archiveFlags = 0;
    std::vector<ArjMember> members;
};

// Walks every header of the archive, checking each header's CRC, up to the
// end marker. Anything that does not add up (not ARJ, truncated, damaged
// header) gives ok == false: we then cannot know what the archiver would do
// with the file.
ArjListing ReadArjListing(const std::filesystem::path& archive);

// The CRC-32 that ARJ puts on headers and data.
uint32_t ArjCrc32(std::string_view bytes);

}  // namespace vrklad
