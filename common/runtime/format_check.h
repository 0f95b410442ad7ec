// What makes a format outside the supported set fail the build: FormatText,
// FormatWhole and ScanText are macros that test their format, which must be
// a constant, with a constexpr rule before they call the function.
#pragma once

template <bool supported>
constexpr int RequireSupportedFormat()
{
    static_assert(supported, "the format holds a conversion that this function does not carry out");
    return 0;
}

// The format among a call's arguments; the 0 gives the '...' an argument
// when the format is the only one.
#define KELVI_FORMAT_ARGUMENT(format, ...) format
#define KELVI_CHECK_FORMAT(rule, ...) \
    static_cast<void>(RequireSupportedFormat<rule(KELVI_FORMAT_ARGUMENT(__VA_ARGS__, 0))>())
