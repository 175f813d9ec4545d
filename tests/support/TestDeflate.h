// Compressed bodies for tests, written without a compression library.
#pragma once

#include <string>

namespace TestDeflate
{
inline std::string FromHex(const std::string& hex)
{
    std::string bytes;
    for (size_t i = 0; i + 1 < hex.size(); i += 2)
    {
        bytes += static_cast<char>(std::stoi(hex.substr(i, 2), nullptr, 16));
    }
    return bytes;
}

// Rss(1, 3) as zlib's gzip writes it: one block of dynamic codes.
const std::string GzipRss = FromHex(
    "1f8b08000000000002038590410a83400c45f79e62f000a68ebb92c64d6fd05e40da80c1712c33c1d6db77b0d4421166fb1e"
    "79f083ed6b7466e61065f2a7b2ae0e654b1862fc319b18e1adefbc6747a8a28ee9dc895bcc55ee8cf02128cae3575f740a8b"
    "a937e7c40fd4ab3e8e009e9fb1528e0ac9af0261bd2d76123693b0f944934934ff09d8b6427a04156f6585339c24010000");

// A gzip member whose one block (fixed codes) decodes to size bytes of 'A':
// a literal, then copies of 258 bytes at distance 1, 13 bits each. It has
// no trailer: a decoder that keeps to its cap stops long before.
inline std::string GzipBomb(size_t size)
{
    std::string bytes("\x1f\x8b\x08\0\0\0\0\0\0\xff", 10);
    int bit = 0;
    // Huffman codes go most significant bit first, everything else least.
    auto code = [&](unsigned value, int length)
    {
        for (int i = length - 1; i >= 0; --i, bit = (bit + 1) % 8)
        {
            if (bit == 0)
            {
                bytes.push_back(0);
            }
            bytes.back() = static_cast<char>(bytes.back() | (((value >> i) & 1u) << bit));
        }
    };
    code(6, 3);          // final block, fixed codes: bits 1, 1, 0
    code(0x30 + 'A', 8); // literal 'A'
    for (size_t made = 1; made + 258 <= size; made += 258)
    {
        code(0xC5, 8); // length 258
        code(0, 5);    // distance 1
    }
    return bytes;
}
} // namespace TestDeflate
