// Compressed HTTP bodies (Content-Encoding gzip or deflate), decoded here
// with zlib rather than by WinINet: its decoder (under Wine at least) drops
// the response's Content-Length and Content-Encoding and ends quietly where
// a compressed body was cut off, so a truncated feed could not be told from
// a whole one; and it reads "deflate" only as a bare stream, while servers
// that follow HTTP send the zlib format. Every check a stream carries is
// made: the end of the last block, the gzip header's checksum when it has
// one, the lengths and checksums of the trailer.
#pragma once

#include <cstddef>
#include <string>

namespace Content
{
enum class ContentCoding
{
    Identity,
    Gzip,
    Deflate
};

// The coding a Content-Encoding value names: empty or "identity" for none,
// "gzip" (or the old "x-gzip"), "deflate"; case and surrounding spaces do
// not matter. False for anything else, a chain of codings included: we
// offer only these two, one at a time.
bool ParseContentCoding(const std::string& header, ContentCoding& coding);

enum class DecodeResult
{
    Done,
    // Not a stream of that coding, damaged, or cut off.
    Corrupt,
    // It decodes to more than the limit; decoding stopped there.
    TooLarge
};

// Decodes a whole gzip body (one or more members) or deflate body (the zlib
// format, or a bare deflate stream as some servers send it) into out.
// Never writes more than limit bytes to out, nor works much beyond that.
DecodeResult DecodeContent(ContentCoding coding, const std::string& body, size_t limit, std::string& out);
} // namespace Content
