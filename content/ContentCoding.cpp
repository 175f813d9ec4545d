#include "ContentCoding.h"

#include <algorithm>
#include <cctype>
#include <cstdint>

namespace Content
{
namespace
{
// A deflate stream's bits, least significant first. Reading past the end
// marks the stream cut off and gives zeros, so callers check Cut() before
// trusting what they read.
class CBitReader
{
public:
    CBitReader(const unsigned char* data, size_t size, size_t position)
        : m_data(data), m_size(size), m_position(position)
    {
    }

    // At most 16 bits.
    unsigned Bits(int count)
    {
        while (m_count < count)
        {
            if (m_position == m_size)
            {
                m_cut = true;
                return 0;
            }
            m_buffer |= static_cast<uint32_t>(m_data[m_position++]) << m_count;
            m_count += 8;
        }
        const unsigned value = m_buffer & ((1u << count) - 1);
        m_buffer >>= count;
        m_count -= count;
        return value;
    }
    // Drops the rest of the current byte (never more: Bits keeps fewer than
    // 8 bits buffered).
    void Align()
    {
        m_buffer = 0;
        m_count = 0;
    }
    // Whole bytes after Align; null when fewer remain.
    const unsigned char* Bytes(size_t count)
    {
        if (m_size - m_position < count)
        {
            m_cut = true;
            return nullptr;
        }
        const unsigned char* bytes = m_data + m_position;
        m_position += count;
        return bytes;
    }
    bool Cut() const { return m_cut; }
    size_t Position() const { return m_position; }

private:
    const unsigned char* m_data;
    size_t m_size;
    size_t m_position;
    uint32_t m_buffer = 0;
    int m_count = 0;
    bool m_cut = false;
};

const int MaxCodeLength = 15;

// A canonical Huffman code: how many codes each length has, and the symbols
// in code order.
struct CHuffman
{
    uint16_t counts[MaxCodeLength + 1];
    uint16_t symbols[320];
};

// False when the lengths ask for more codes than the bits allow. A code
// with unused room is accepted: a stream that uses the room fails in
// Decode.
bool Build(CHuffman& code, const uint8_t* lengths, size_t count)
{
    std::fill(std::begin(code.counts), std::end(code.counts), 0);
    for (size_t i = 0; i < count; ++i)
    {
        ++code.counts[lengths[i]];
    }
    int left = 1;
    for (int length = 1; length <= MaxCodeLength; ++length)
    {
        left = (left << 1) - code.counts[length];
        if (left < 0)
        {
            return false;
        }
    }
    uint16_t offsets[MaxCodeLength + 1] = {};
    for (int length = 1; length < MaxCodeLength; ++length)
    {
        offsets[length + 1] = static_cast<uint16_t>(offsets[length] + code.counts[length]);
    }
    for (size_t i = 0; i < count; ++i)
    {
        if (lengths[i] != 0)
        {
            code.symbols[offsets[lengths[i]]++] = static_cast<uint16_t>(i);
        }
    }
    return true;
}

// The next symbol, or -1 for a code the table lacks or a cut stream.
int Decode(CBitReader& in, const CHuffman& code)
{
    int value = 0;
    int first = 0;
    int index = 0;
    for (int length = 1; length <= MaxCodeLength; ++length)
    {
        value |= static_cast<int>(in.Bits(1));
        if (in.Cut())
        {
            return -1;
        }
        const int count = code.counts[length];
        if (value - first < count)
        {
            return code.symbols[index + value - first];
        }
        index += count;
        first = (first + count) << 1;
        value <<= 1;
    }
    return -1;
}

const uint16_t LengthBase[29] = {3,  4,  5,  6,  7,  8,  9,  10, 11,  13,  15,  17,  19,  23, 27,
                                 31, 35, 43, 51, 59, 67, 83, 99, 115, 131, 163, 195, 227, 258};
const uint8_t LengthExtra[29] = {0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 2, 2, 2,
                                 2, 3, 3, 3, 3, 4, 4, 4, 4, 5, 5, 5, 5, 0};
const uint16_t DistanceBase[30] = {1,    2,    3,    4,    5,    7,    9,    13,    17,    25,
                                   33,   49,   65,   97,   129,  193,  257,  385,   513,   769,
                                   1025, 1537, 2049, 3073, 4097, 6145, 8193, 12289, 16385, 24577};
const uint8_t DistanceExtra[30] = {0, 0, 0, 0, 1, 1, 2, 2,  3,  3,  4,  4,  5,  5,  6,
                                   6, 7, 7, 8, 8, 9, 9, 10, 10, 11, 11, 12, 12, 13, 13};

// One deflate stream, appended to out; copies reach back no further than
// the stream's own output.
class CInflater
{
public:
    CInflater(CBitReader& in, std::string& out, size_t limit)
        : m_in(in), m_out(out), m_limit(limit), m_start(out.size())
    {
    }

    DecodeResult Run()
    {
        unsigned last = 0;
        do
        {
            last = m_in.Bits(1);
            const unsigned type = m_in.Bits(2);
            const DecodeResult result = m_in.Cut()  ? DecodeResult::Corrupt
                                        : type == 0 ? Stored()
                                        : type == 1 ? Fixed()
                                        : type == 2 ? Dynamic()
                                                    : DecodeResult::Corrupt;
            if (result != DecodeResult::Done)
            {
                return result;
            }
        } while (last == 0);
        return DecodeResult::Done;
    }

private:
    DecodeResult Stored()
    {
        m_in.Align();
        const unsigned char* header = m_in.Bytes(4);
        if (header == nullptr)
        {
            return DecodeResult::Corrupt;
        }
        const size_t length = header[0] | (header[1] << 8u);
        const size_t complement = header[2] | (header[3] << 8u);
        if ((length ^ complement) != 0xFFFF)
        {
            return DecodeResult::Corrupt;
        }
        const unsigned char* bytes = m_in.Bytes(length);
        if (bytes == nullptr)
        {
            return DecodeResult::Corrupt;
        }
        if (length > m_limit - m_out.size())
        {
            return DecodeResult::TooLarge;
        }
        m_out.append(reinterpret_cast<const char*>(bytes), length);
        return DecodeResult::Done;
    }

    DecodeResult Fixed()
    {
        struct CFixedCodes
        {
            CHuffman lengths;
            CHuffman distances;
            CFixedCodes()
            {
                uint8_t bits[288];
                std::fill(bits, bits + 144, 8);
                std::fill(bits + 144, bits + 256, 9);
                std::fill(bits + 256, bits + 280, 7);
                std::fill(bits + 280, bits + 288, 8);
                Build(lengths, bits, 288);
                std::fill(bits, bits + 30, 5);
                Build(distances, bits, 30);
            }
        };
        static const CFixedCodes fixed;
        return Codes(fixed.lengths, fixed.distances);
    }

    DecodeResult Dynamic()
    {
        const size_t lengthCount = m_in.Bits(5) + 257;
        const size_t distanceCount = m_in.Bits(5) + 1;
        const size_t codeCount = m_in.Bits(4) + 4;
        if (m_in.Cut() || lengthCount > 286 || distanceCount > 30)
        {
            return DecodeResult::Corrupt;
        }
        static const uint8_t order[19] = {16, 17, 18, 0, 8, 7, 9, 6, 10, 5, 11, 4, 12, 3, 13, 2, 14, 1, 15};
        uint8_t lengths[320] = {};
        for (size_t i = 0; i < codeCount; ++i)
        {
            lengths[order[i]] = static_cast<uint8_t>(m_in.Bits(3));
        }
        CHuffman lengthCode;
        if (m_in.Cut() || !Build(lengthCode, lengths, 19))
        {
            return DecodeResult::Corrupt;
        }
        const size_t total = lengthCount + distanceCount;
        for (size_t index = 0; index < total;)
        {
            const int symbol = Decode(m_in, lengthCode);
            if (symbol < 0)
            {
                return DecodeResult::Corrupt;
            }
            if (symbol < 16)
            {
                lengths[index++] = static_cast<uint8_t>(symbol);
                continue;
            }
            uint8_t repeated = 0;
            size_t repeat = 0;
            if (symbol == 16)
            {
                if (index == 0)
                {
                    return DecodeResult::Corrupt;
                }
                repeated = lengths[index - 1];
                repeat = 3 + m_in.Bits(2);
            }
            else
            {
                repeat = symbol == 17 ? 3 + m_in.Bits(3) : 11 + m_in.Bits(7);
            }
            if (m_in.Cut() || repeat > total - index)
            {
                return DecodeResult::Corrupt;
            }
            std::fill(lengths + index, lengths + index + repeat, repeated);
            index += repeat;
        }
        CHuffman literals;
        CHuffman distances;
        // Without a code for the end of the block it could never end.
        if (lengths[256] == 0 || !Build(literals, lengths, lengthCount) ||
            !Build(distances, lengths + lengthCount, distanceCount))
        {
            return DecodeResult::Corrupt;
        }
        return Codes(literals, distances);
    }

    DecodeResult Codes(const CHuffman& literals, const CHuffman& distances)
    {
        for (;;)
        {
            int symbol = Decode(m_in, literals);
            if (symbol < 0)
            {
                return DecodeResult::Corrupt;
            }
            if (symbol < 256)
            {
                if (m_out.size() == m_limit)
                {
                    return DecodeResult::TooLarge;
                }
                m_out.push_back(static_cast<char>(symbol));
                continue;
            }
            if (symbol == 256)
            {
                return DecodeResult::Done;
            }
            symbol -= 257;
            if (symbol >= 29)
            {
                return DecodeResult::Corrupt;
            }
            const size_t length = LengthBase[symbol] + m_in.Bits(LengthExtra[symbol]);
            const int code = Decode(m_in, distances);
            if (code < 0 || code >= 30)
            {
                return DecodeResult::Corrupt;
            }
            const size_t distance = DistanceBase[code] + m_in.Bits(DistanceExtra[code]);
            if (m_in.Cut() || distance > m_out.size() - m_start)
            {
                return DecodeResult::Corrupt;
            }
            if (length > m_limit - m_out.size())
            {
                return DecodeResult::TooLarge;
            }
            // Byte by byte: a copy may overlap what it is producing.
            for (size_t i = 0; i < length; ++i)
            {
                m_out.push_back(m_out[m_out.size() - distance]);
            }
        }
    }

    CBitReader& m_in;
    std::string& m_out;
    const size_t m_limit;
    const size_t m_start;
};

uint32_t Crc32(const char* data, size_t size)
{
    struct CTable
    {
        uint32_t entries[256];
        CTable()
        {
            for (uint32_t i = 0; i < 256; ++i)
            {
                uint32_t value = i;
                for (int bit = 0; bit < 8; ++bit)
                {
                    value = (value >> 1) ^ (0xEDB88320u & (0u - (value & 1u)));
                }
                entries[i] = value;
            }
        }
    };
    static const CTable table;
    uint32_t crc = 0xFFFFFFFFu;
    for (size_t i = 0; i < size; ++i)
    {
        crc = (crc >> 8) ^ table.entries[(crc ^ static_cast<unsigned char>(data[i])) & 0xFF];
    }
    return ~crc;
}

uint32_t Adler32(const char* data, size_t size)
{
    uint32_t a = 1;
    uint32_t b = 0;
    for (size_t i = 0; i < size; ++i)
    {
        a = (a + static_cast<unsigned char>(data[i])) % 65521;
        b = (b + a) % 65521;
    }
    return (b << 16) | a;
}

uint32_t LittleEndian32(const unsigned char* bytes)
{
    return bytes[0] | (bytes[1] << 8) | (bytes[2] << 16) | (static_cast<uint32_t>(bytes[3]) << 24);
}

// Steps over a gzip member's header; false when it is not one.
bool SkipGzipHeader(CBitReader& in)
{
    const unsigned char* fixed = in.Bytes(10);
    // Reserved flags set mean a format we do not know.
    if (fixed == nullptr || fixed[0] != 0x1F || fixed[1] != 0x8B || fixed[2] != 8 || (fixed[3] & 0xE0) != 0)
    {
        return false;
    }
    const unsigned flags = fixed[3];
    if ((flags & 4) != 0) // extra field
    {
        const unsigned char* length = in.Bytes(2);
        if (length == nullptr || in.Bytes(length[0] | (length[1] << 8u)) == nullptr)
        {
            return false;
        }
    }
    for (const unsigned text : {8u, 16u}) // name, comment: zero-terminated
    {
        if ((flags & text) != 0)
        {
            const unsigned char* byte = nullptr;
            do
            {
                byte = in.Bytes(1);
            } while (byte != nullptr && *byte != 0);
            if (byte == nullptr)
            {
                return false;
            }
        }
    }
    return (flags & 2) == 0 || in.Bytes(2) != nullptr; // header checksum
}

DecodeResult Gunzip(const std::string& body, size_t limit, std::string& out)
{
    const auto* data = reinterpret_cast<const unsigned char*>(body.data());
    size_t position = 0;
    // Members follow one another; what follows the last is ignored, as gzip
    // itself does.
    do
    {
        CBitReader in(data, body.size(), position);
        if (!SkipGzipHeader(in))
        {
            return DecodeResult::Corrupt;
        }
        const size_t start = out.size();
        const DecodeResult result = CInflater(in, out, limit).Run();
        if (result != DecodeResult::Done)
        {
            return result;
        }
        in.Align();
        const unsigned char* trailer = in.Bytes(8);
        if (trailer == nullptr || LittleEndian32(trailer) != Crc32(out.data() + start, out.size() - start) ||
            LittleEndian32(trailer + 4) != static_cast<uint32_t>(out.size() - start))
        {
            return DecodeResult::Corrupt;
        }
        position = in.Position();
    } while (body.size() - position >= 2 && data[position] == 0x1F && data[position + 1] == 0x8B);
    return DecodeResult::Done;
}

DecodeResult Inflate(const std::string& body, size_t limit, std::string& out)
{
    const auto* data = reinterpret_cast<const unsigned char*>(body.data());
    // The zlib header: method 8, a window it allows, no preset dictionary,
    // and a check that makes the two bytes a multiple of 31.
    const bool zlib = body.size() >= 2 && (data[0] & 0x0F) == 8 && (data[0] >> 4) <= 7 &&
                      (data[1] & 0x20) == 0 && ((data[0] << 8) | data[1]) % 31 == 0;
    CBitReader in(data, body.size(), zlib ? 2 : 0);
    const DecodeResult result = CInflater(in, out, limit).Run();
    if (result != DecodeResult::Done || !zlib)
    {
        return result;
    }
    in.Align();
    const unsigned char* check = in.Bytes(4);
    if (check == nullptr || ((static_cast<uint32_t>(check[0]) << 24) | (check[1] << 16) | (check[2] << 8) |
                             check[3]) != Adler32(out.data(), out.size()))
    {
        return DecodeResult::Corrupt;
    }
    return DecodeResult::Done;
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
        return Gunzip(body, limit, out);
    case ContentCoding::Deflate:
        return Inflate(body, limit, out);
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
