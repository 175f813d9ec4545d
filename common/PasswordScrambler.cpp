#include "PasswordScrambler.h"

namespace Common
{
CString ScramblePassword(const CString& text)
{
    // Assembled on each call rather than kept as one constant, so the key is
    // not a searchable string in the executable.
    unsigned char key[8];
    key[0] = 0x5A;
    key[1] = 0xC3;
    key[2] = 0x17;
    key[3] = 0x8E;
    key[4] = 0x64;
    key[5] = 0xB9;
    key[6] = 0x2D;
    key[7] = 0xF0;

    CString result(text.GetString(), text.GetLength());
    char* bytes = result.GetBuffer(text.GetLength());
    for (size_t i = 0; i < text.GetLength(); ++i)
    {
        bytes[i] = static_cast<char>(static_cast<unsigned char>(bytes[i]) ^ key[i % 8]);
    }
    result.ReleaseBuffer(static_cast<long>(text.GetLength()));
    return result;
}
} // namespace Common
