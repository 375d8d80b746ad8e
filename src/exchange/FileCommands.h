#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace vrklad {

// Removes every file directly in dir; subdirectories stay. False when one
// could not be removed (the others are removed all the same).
bool DeleteAllFiles(const std::filesystem::path& dir);

// Moves the files directly in fromDir whose names match the pattern
// (wildcards "*" and "?", letter case ignored, e.g. "CORRECT_*.ARJ") into
// toDir, replacing files of the same name there. Returns the names moved;
// `ok`, when given, tells whether every matching file moved.
std::vector<std::string> MoveMatchingFiles(const std::filesystem::path& fromDir,
                                           const std::string& pattern,
                                           const std::filesystem::path& toDir, bool* ok = nullptr);

}  // namespace vrklad
