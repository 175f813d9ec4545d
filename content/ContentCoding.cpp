#include "ContentCoding.h"

// next_in points to const bytes: the body is never written.
#define ZLIB_CONST
#include <zlib.h>

#include <algorithm>
#include <cctype>

namespace Content
{
namespace
{
// The decoded text's first buffer; it doubles from there.
const size_t FirstRoom = 16 * 1024;
// zlib counts bytes in unsigned ints; longer input or room goes in pieces.
const size_t MaxPiece = 1u << 30;

// Owns one zlib inflate state. A z_stream is state that lives in place
// rather than a handle, and this code builds without Windows, so
// CUniqueHandle does not fit it.
class CInflateStream
{
public:
    explicit CInflateStream(int windowBits) : m_ready(inflateInit2(&m_stream, windowBits) == Z_OK) {}
    ~CInflateStream()
    {
        if (m_ready)
        {
            inflateEnd(&m_stream);
        }
    }
    CInflateStream(const CInflateStream&) = delete;
    CInflateStream& operator=(const CInflateStream&) = delete;

    bool Ready() const { return m_ready; }
    z_stream& Stream() { return m_stream; }

private:
    z_stream m_stream{};
    const bool m_ready;
};

// Makes room after the first used bytes of out, doubling it but never past
// limit. The text moves to a string reserved to the exact size: asked to
// grow by less than double, a string takes double anyway, and a body near
// the cap would then hold up to twice the cap.
void MakeRoom(std::string& out, size_t used, size_t limit)
{
    const size_t more = std::max(used, FirstRoom);
    const size_t size = limit - used > more ? used + more : limit;
    std::string larger;
    larger.reserve(size);
    larger.assign(out, 0, used);
    larger.resize(size);
    out.swap(larger);
}

// Inflates body into out until the stream ends. With members set, gzip
// members that follow one another are all decoded; whatever follows the
// last one (or a deflate stream) is ignored, as gzip itself does.
DecodeResult Inflate(int windowBits, bool members, const std::string& body, size_t limit, std::string& out)
{
    CInflateStream inflater(windowBits);
    if (!inflater.Ready())
    {
        // Out of memory: the body is dropped either way.
        return DecodeResult::Corrupt;
    }
    z_stream& stream = inflater.Stream();
    const auto* const begin = reinterpret_cast<const Bytef*>(body.data());
    const auto* const end = begin + body.size();
    stream.next_in = begin;
    size_t used = 0;
    DecodeResult result = DecodeResult::Corrupt;
    for (;;)
    {
        stream.avail_in = static_cast<uInt>(std::min(static_cast<size_t>(end - stream.next_in), MaxPiece));
        if (used == out.size() && used < limit)
        {
            MakeRoom(out, used, limit);
        }
        // At the cap one byte more goes to a spare: whether the stream
        // still has output tells a body that fills the cap exactly from
        // one that does not fit.
        Bytef spare = 0;
        const bool full = used == limit;
        stream.next_out = full ? &spare : reinterpret_cast<Bytef*>(&out[used]);
        stream.avail_out = full ? 1 : static_cast<uInt>(std::min<size_t>(out.size() - used, MaxPiece));
        const uInt room = stream.avail_out;
        const int status = inflate(&stream, Z_NO_FLUSH);
        if (full && stream.avail_out == 0)
        {
            result = DecodeResult::TooLarge;
            break;
        }
        used += full ? 0 : room - stream.avail_out;
        if (status == Z_STREAM_END)
        {
            const size_t left = static_cast<size_t>(end - stream.next_in);
            if (!members || left < 2 || stream.next_in[0] != 0x1F || stream.next_in[1] != 0x8B)
            {
                result = DecodeResult::Done;
                break;
            }
            if (inflateReset(&stream) != Z_OK)
            {
                break;
            }
            continue;
        }
        // Z_BUF_ERROR with room to write means the input ran out: the
        // stream was cut.
        if (status != Z_OK)
        {
            break;
        }
    }
    out.resize(used);
    return result;
}

// The zlib format's two header bytes: method 8, a window it allows, no
// preset dictionary, and a check that makes them a multiple of 31. Servers
// that label a bare deflate stream "deflate" send anything else.
bool IsZlibHeader(const std::string& body)
{
    const auto* data = reinterpret_cast<const unsigned char*>(body.data());
    return body.size() >= 2 && (data[0] & 0x0F) == 8 && (data[0] >> 4) <= 7 && (data[1] & 0x20) == 0 &&
           ((data[0] << 8) | data[1]) % 31 == 0;
}
} // namespace

bool ParseContentCoding(const std::string& header, ContentCoding& coding)
{
    const size_t first = header.find_first_not_of(" \t");
    const size_t last = header.find_last_not_of(" \t");
    std::string name = first == std::string::npos ? std::string() : header.substr(first, last - first + 1);
    std::transform(name.begin(), name.end(), name.begin(),
                   [](char c) { return static_cast<char>(std::tolower(static_cast<unsigned char>(c))); });
    if (name.empty() || name == "identity")
    {
        coding = ContentCoding::Identity;
    }
    else if (name == "gzip" || name == "x-gzip")
    {
        coding = ContentCoding::Gzip;
    }
    else if (name == "deflate")
    {
        coding = ContentCoding::Deflate;
    }
    else
    {
        return false;
    }
    return true;
}

DecodeResult DecodeContent(ContentCoding coding, const std::string& body, size_t limit, std::string& out)
{
    out.clear();
    switch (coding)
    {
    case ContentCoding::Gzip:
        return Inflate(16 + MAX_WBITS, true, body, limit, out);
    case ContentCoding::Deflate:
        return Inflate(IsZlibHeader(body) ? MAX_WBITS : -MAX_WBITS, false, body, limit, out);
    case ContentCoding::Identity:
    default:
        if (body.size() > limit)
        {
            return DecodeResult::TooLarge;
        }
        out = body;
        return DecodeResult::Done;
    }
}
} // namespace Content
