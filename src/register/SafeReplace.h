#pragma once

#include <filesystem>
#include <string>
#include <string_view>
#include <system_error>

namespace vrklad {

// Replaces the whole content of `path` so that a crash leaves either the old
// or the new file, never a mixture: a temporary file in the same directory is
// written, flushed and renamed over the old one, then the directory is
// flushed. An existing file keeps its permission bits. Returns the system's
// error on failure; the old file is untouched then.
std::error_code ReplaceFileSafely(const std::filesystem::path& path, std::string_view bytes);

// The temporary file of such a replacement: created empty beside `path`
// under a hidden name that starts with "." + the file name + ".", with the
// permission bits `path` has (or those of a new file when it does not
// exist). `temp` gets its name. Returns the open descriptor, or -1 with
// errno set.
int CreateTemporaryBeside(const std::filesystem::path& path, std::string& temp);

// Whether `name` is such a temporary name of `of`.
bool IsTemporaryOf(std::string_view name, std::string_view of);

}  // namespace vrklad
