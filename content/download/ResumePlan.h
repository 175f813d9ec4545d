// What a download does with the answer to its ranged request, decided from
// the status and the two length headers alone, the way careful download
// tools decide it: the status says whether the body is the whole file, the
// requested rest of it or neither, and nothing that is not the file (an
// error page, a range that does not continue what is on disk) is ever
// written into the file.
#pragma once

#include "common/CString.h"

#include <cstdint>

namespace Content
{
namespace Download
{
// Larger sizes are no file a server can mean (1 PiB); a length beyond this
// is treated as malformed rather than trusted.
const uint64_t MaxDownloadSize = uint64_t(1) << 50;

// "Range: bytes=<offset>-\r\n", the offset in full 64-bit decimal.
CString RangeHeader(uint64_t offset);

// A Content-Length value: decimal digits only, at most MaxDownloadSize.
// Signs, spaces, other characters, an empty text or overflow are refused.
bool ParseContentLength(const CString& text, uint64_t& length);

// A Content-Range value: "bytes first-last/total", "bytes first-last/*" or
// "bytes */total" (the answer to an unsatisfiable range).
struct CContentRange
{
    bool unsatisfied = false; // "*/total"
    uint64_t first = 0;
    uint64_t last = 0;
    bool totalKnown = false;
    uint64_t total = 0;
};
bool ParseContentRange(const CString& text, CContentRange& range);

// The parts of a response head the plan looks at; a header that is absent
// has its flag cleared.
struct CReplyHead
{
    unsigned status = 0;
    bool hasContentLength = false;
    CString contentLength;
    bool hasContentRange = false;
    CString contentRange;
};

struct CResumePlan
{
    enum Action
    {
        Fail,     // nothing is written; the file stays as it is
        Complete, // the file on disk is already the whole file
        Write     // the body is written from offset on
    };
    Action action = Fail;
    // Write: where the body's first byte goes (0 or the local size).
    uint64_t offset = 0;
    // Complete and Write: the size of the whole file.
    uint64_t total = 0;
    // Write from 0: drop whatever the file held beyond what is rewritten.
    bool truncate = false;
};

// The answer to "Range: bytes=localSize-":
// - 200 with a valid length: the whole file; written from 0 and truncated,
//   unless the length equals a non-empty local file, which is then complete.
// - 206 with a valid length and a Content-Range that starts exactly at the
//   local size, covers the length and ends at the total: the rest, written
//   from the local size.
// - 416 whose Content-Range gives a total equal to a non-empty local file:
//   complete.
// - Anything else: fail.
CResumePlan PlanResume(const CReplyHead& head, uint64_t localSize);
} // namespace Download
} // namespace Content
