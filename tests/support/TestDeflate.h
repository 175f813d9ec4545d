// Compressed bodies for tests, written without a compression library:
// deflate with the fixed codes, literals but for runs of one byte, which go
// as copies of 258 bytes at distance 1. Enough for a feed and for a body
// that decodes to a thousand times its size.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>

namespace TestDeflate
{
class CDeflater
{
public:
    std::string Compress(const std::string& data)
    {
        Bits(1, 1); // the final block
        Bits(1, 2); // fixed codes
        for (size_t i = 0; i < data.size();)
        {
            const char byte = data[i++];
            Literal(static_cast<unsigned char>(byte));
            while (data.size() - i >= 258 && std::all_of(data.begin() + static_cast<std::ptrdiff_t>(i),
                                                         data.begin() + static_cast<std::ptrdiff_t>(i + 258),
                                                         [&](char c) { return c == byte; }))
            {
                Code(0xC5, 8); // length 258
                Code(0, 5);    // distance 1
                i += 258;
            }
        }
        Code(0, 7); // end of block
        return m_bytes;
    }

private:
    void Bits(unsigned value, int count)
    {
        for (int i = 0; i < count; ++i, m_bit = (m_bit + 1) % 8)
        {
            if (m_bit == 0)
            {
                m_bytes.push_back(0);
            }
            m_bytes.back() = static_cast<char>(m_bytes.back() | (((value >> i) & 1u) << m_bit));
        }
    }
    // Huffman codes go most significant bit first.
    void Code(unsigned code, int length)
    {
        for (int i = length - 1; i >= 0; --i)
        {
            Bits(code >> i, 1);
        }
    }
    void Literal(unsigned char byte) { byte < 144 ? Code(0x30u + byte, 8) : Code(0x190u + byte - 144u, 9); }

    std::string m_bytes;
    int m_bit = 0;
};

inline std::string LittleEndian(uint32_t value)
{
    std::string bytes;
    for (int i = 0; i < 4; ++i)
    {
        bytes += static_cast<char>((value >> (8 * i)) & 0xFF);
    }
    return bytes;
}

inline std::string Gzip(const std::string& data)
{
    uint32_t crc = 0xFFFFFFFFu;
    for (unsigned char byte : data)
    {
        crc ^= byte;
        for (int bit = 0; bit < 8; ++bit)
        {
            crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
        }
    }
    return std::string("\x1f\x8b\x08\0\0\0\0\0\0\xff", 10) + CDeflater().Compress(data) + LittleEndian(~crc) +
           LittleEndian(static_cast<uint32_t>(data.size()));
}

// What HTTP calls deflate: the zlib format.
inline std::string Zlib(const std::string& data)
{
    uint32_t a = 1, b = 0;
    for (unsigned char byte : data)
    {
        a = (a + byte) % 65521;
        b = (b + a) % 65521;
    }
    const uint32_t adler = (b << 16) | a;
    std::string trailer;
    for (int i = 3; i >= 0; --i)
    {
        trailer += static_cast<char>((adler >> (8 * i)) & 0xFF);
    }
    return "\x78\x01" + CDeflater().Compress(data) + trailer;
}
} // namespace TestDeflate
