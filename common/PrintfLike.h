// Marks a function whose arguments follow a printf format, so that a format
// string that does not match its arguments fails to compile (with -Wall
// -Werror) instead of reading the wrong bytes at run time.
#pragma once

#if defined(__clang__)
#define TIDELIGHT_PRINTF_LIKE(formatIndex, firstArgument)                                                    \
    __attribute__((format(printf, formatIndex, firstArgument)))
#elif defined(__GNUC__)
// mingw-w64 maps vsnprintf to its own GNU-style one (__USE_MINGW_ANSI_STDIO),
// which takes %zu and %lld; plain "printf" would check against the rules of
// Microsoft's runtime instead.
#define TIDELIGHT_PRINTF_LIKE(formatIndex, firstArgument)                                                    \
    __attribute__((format(gnu_printf, formatIndex, firstArgument)))
#else
#define TIDELIGHT_PRINTF_LIKE(formatIndex, firstArgument)
#endif
