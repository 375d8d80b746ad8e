#include "cli/CliContext.h"

namespace vrklad {

std::optional<uint32_t> ParseDecimal(const std::string& text, size_t maxDigits) {
    if (text.empty() || text.size() > maxDigits) return std::nullopt;
    uint64_t value = 0;
    for (const char c : text) {
        if (c < '0' || c > '9') return std::nullopt;
        value = value * 10 + static_cast<uint64_t>(c - '0');
        if (value > UINT32_MAX) return std::nullopt;
    }
    return static_cast<uint32_t>(value);
}

}  // namespace vrklad
