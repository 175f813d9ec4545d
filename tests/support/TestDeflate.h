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
