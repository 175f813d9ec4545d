#include "ResumePlan.h"

#include <string>

namespace Content
{
namespace Download
{
namespace
{
// Decimal digits from position, at least one, at most MaxDownloadSize.
bool ParseNumber(const std::string& text, size_t& position, uint64_t& value)
{
    const size_t start = position;
    value = 0;
    while (position < text.size() && text[position] >= '0' && text[position] <= '9')
    {
        value = value * 10 + static_cast<uint64_t>(text[position] - '0');
        if (value > MaxDownloadSize)
        {
            return false;
        }
        ++position;
    }
    return position > start;
}
} // namespace

CString RangeHeader(uint64_t offset)
{
    const std::string header = "Range: bytes=" + std::to_string(offset) + "-\r\n";
    return CString(header.c_str(), header.size());
}

bool ParseContentLength(const CString& text, uint64_t& length)
{
    const std::string value(text.GetString(), text.GetLength());
    size_t position = 0;
    uint64_t parsed = 0;
    if (!ParseNumber(value, position, parsed) || position != value.size())
    {
        return false;
    }
    length = parsed;
    return true;
}

bool ParseContentRange(const CString& text, CContentRange& range)
{
    const std::string value(text.GetString(), text.GetLength());
    const std::string unit = "bytes ";
    if (value.size() < unit.size())
    {
        return false;
    }
    for (size_t i = 0; i < unit.size(); ++i)
    {
        const char c = value[i];
        if ((c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c) != unit[i])
        {
            return false;
        }
    }
    size_t position = unit.size();
    while (position < value.size() && value[position] == ' ')
    {
        ++position;
    }
    CContentRange parsed;
    if (position < value.size() && value[position] == '*')
    {
        parsed.unsatisfied = true;
        ++position;
    }
    else
    {
        if (!ParseNumber(value, position, parsed.first) || position >= value.size() || value[position] != '-')
        {
            return false;
        }
        ++position;
        if (!ParseNumber(value, position, parsed.last) || parsed.last < parsed.first)
        {
            return false;
        }
    }
    if (position >= value.size() || value[position] != '/')
    {
        return false;
    }
    ++position;
    if (position < value.size() && value[position] == '*' && !parsed.unsatisfied)
    {
        ++position;
    }
    else
    {
        if (!ParseNumber(value, position, parsed.total))
        {
            return false;
        }
        parsed.totalKnown = true;
        if (!parsed.unsatisfied && parsed.last >= parsed.total)
        {
            return false;
        }
    }
    if (position != value.size())
    {
        return false;
    }
    range = parsed;
    return true;
}

CResumePlan PlanResume(const CReplyHead& head, uint64_t localSize)
{
    CResumePlan plan;
    uint64_t length = 0;
    const bool lengthValid = head.hasContentLength && ParseContentLength(head.contentLength, length);
    CContentRange range;
    const bool rangeValid = head.hasContentRange && ParseContentRange(head.contentRange, range);

    switch (head.status)
    {
    case 200:
        if (!lengthValid)
        {
            return plan;
        }
        plan.total = length;
        if (localSize > 0 && length == localSize)
        {
            plan.action = CResumePlan::Complete;
            return plan;
        }
        plan.action = CResumePlan::Write;
        plan.offset = 0;
        plan.truncate = true;
        return plan;
    case 206:
        if (!lengthValid || !rangeValid || range.unsatisfied || range.first != localSize ||
            range.last - range.first + 1 != length)
        {
            return plan;
        }
        // A part that stops short of the end would finish as a file
        // shorter than the real one.
        if (range.totalKnown && range.last + 1 != range.total)
        {
            return plan;
        }
        if (localSize > MaxDownloadSize - length)
        {
            return plan;
        }
        plan.action = CResumePlan::Write;
        plan.offset = localSize;
        plan.total = localSize + length;
        return plan;
    case 416:
        if (rangeValid && range.unsatisfied && range.totalKnown && localSize > 0 && range.total == localSize)
        {
            plan.action = CResumePlan::Complete;
            plan.total = localSize;
        }
        return plan;
    default:
        return plan;
    }
}
} // namespace Download
} // namespace Content
