#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>

namespace vrklad::fuzz {

// One ProgramDir for all the runs of a fuzz target, on a memory file system
// when there is one: created at the first use, emptied before every run,
// removed at exit.
class FuzzProgramDir {
public:
    // The directory, emptied; ends without a separator.
    static const std::filesystem::path& Fresh();
    // Path() with the trailing separator ProgramDir has.
    static std::string ProgramDir();

    static void Write(const std::filesystem::path& path, const uint8_t* data, size_t size);
    static void Write(const std::filesystem::path& path, const std::string& bytes);
};

}  // namespace vrklad::fuzz
