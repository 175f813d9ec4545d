#include "ByteSize.h"

namespace Configuration
{
CString FormatByteSize(uint64_t bytes)
{
    static const char* const units[] = {"bytes", "KB's", "MB's", "GB's", "TB's", "PB's", "EB's"};
    const size_t last = sizeof(units) / sizeof(units[0]) - 1;
    // Single precision on purpose: the steps and their rounding are the
    // ones users have always seen (1025 bytes is "1.00 KB's").
    float value = static_cast<float>(bytes);
    size_t unit = 0;
    while (value / 1024.0f > 1.0f && unit < last)
    {
        value /= 1024.0f;
        ++unit;
    }
    return CString::Format("%.2f %s", static_cast<double>(value), units[unit]);
}

CString FormatProgress(uint64_t downloaded, uint64_t total)
{
    CString text = FormatByteSize(downloaded);
    if (total != 0)
    {
        text += CString::Format(" (%d%%)", static_cast<int>(downloaded * 100 / total));
    }
    return text;
}
} // namespace Configuration
