#pragma once

namespace vrklad::test {

// The speed tests' limits catch quadratic work on a full register, which
// takes many times a limit. Under the sanitizers every memory access is
// checked and the program runs several times slower: the limits grow with it.
#if defined(__SANITIZE_ADDRESS__)
inline constexpr int kTimeLimitScale = 10;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
inline constexpr int kTimeLimitScale = 10;
#else
inline constexpr int kTimeLimitScale = 1;
#endif
#else
inline constexpr int kTimeLimitScale = 1;
#endif

}  // namespace vrklad::test
