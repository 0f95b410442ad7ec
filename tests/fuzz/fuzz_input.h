// What every fuzz target shares: the input as a zero-terminated text, and a
// check whose failure libFuzzer reports as a finding.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

// At most maxLength bytes of the input, cut at its first zero byte as a C
// string would be.
inline std::string FuzzText(const uint8_t* data, size_t size, size_t maxLength)
{
    std::string text(reinterpret_cast<const char*>(data), size < maxLength ? size : maxLength);
    return text.substr(0, text.find('\0'));
}

#define FUZZ_CHECK(condition) \
    do {                      \
        if (!(condition)) __builtin_trap(); \
    } while (0)
