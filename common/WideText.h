// UTF-8 text (what the user reads, see content/UnicodeText.h) to and from the
// UTF-16 of the wide API. The ANSI functions would fold it through the
// system's code page, where most scripts have no place.
#pragma once

#include "CString.h"

#include <windows.h>

#include <string>

namespace Common
{
inline std::wstring Widen(const CString& utf8)
{
    const int length = static_cast<int>(utf8.GetLength());
    std::wstring wide(static_cast<size_t>(length), L'\0');
    const int written =
        length > 0 ? ::MultiByteToWideChar(CP_UTF8, 0, utf8.GetString(), length, &wide[0], length) : 0;
    wide.resize(static_cast<size_t>(written > 0 ? written : 0));
    return wide;
}

inline CString Narrow(const wchar_t* wide)
{
    const int length = ::WideCharToMultiByte(CP_UTF8, 0, wide, -1, nullptr, 0, nullptr, nullptr);
    if (length <= 1)
    {
        return CString();
    }
    CString utf8;
    char* buffer = utf8.GetBuffer(static_cast<size_t>(length));
    ::WideCharToMultiByte(CP_UTF8, 0, wide, -1, buffer, length, nullptr, nullptr);
    utf8.ReleaseBuffer(length - 1);
    return utf8;
}
// Text the ANSI functions take (settings, a name stored by an earlier
// version) in UTF-8, read with the system's code page exactly as those
// functions would read it.
inline CString Utf8FromAnsi(const CString& ansi)
{
    const int length = static_cast<int>(ansi.GetLength());
    std::wstring wide(static_cast<size_t>(length), L'\0');
    const int written =
        length > 0 ? ::MultiByteToWideChar(CP_ACP, 0, ansi.GetString(), length, &wide[0], length) : 0;
    wide.resize(static_cast<size_t>(written > 0 ? written : 0));
    return Narrow(wide.c_str());
}
} // namespace Common
