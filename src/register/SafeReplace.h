#pragma once

#include <filesystem>
#include <string_view>
#include <system_error>

namespace vrklad {

// Replaces the whole content of `path` so that a crash leaves either the old
// or the new file, never a mixture: a temporary file in the same directory is
// written, flushed and renamed over the old one, then the directory is
// flushed. An existing file keeps its permission bits. Returns the system's
// error on failure; the old file is untouched then.
std::error_code ReplaceFileSafely(const std::filesystem::path& path, std::string_view bytes);

}  // namespace vrklad
