// The size texts of the Downloads page: "1.50 KB's", "700.00 bytes".
#pragma once

#include "common/CString.h"

#include <cstdint>

namespace Configuration
{
// The count as a single-precision number divided by 1024 while the result
// stays above 1, printed "%.2f" with its unit: 1024 bytes read
// "1024.00 bytes", 1025 bytes "1.00 KB's". Past "TB's" come "PB's" and
// "EB's", which holds every 64-bit count.
CString FormatByteSize(uint64_t bytes);

// The size so far followed by the share of the total, "768.00 bytes (75%)",
// the share truncated; while the total is unknown (0), the size alone.
CString FormatProgress(uint64_t downloaded, uint64_t total);
} // namespace Configuration
