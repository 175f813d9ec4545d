// What the registry holds under a name, as text, and rows of stored values, for the record tests.
#pragma once

#include "support/RegistrySandbox.h"

#include <cstring>
#include <string>

// A number, or a string without its terminator; "(none)" when there is no
// such value and "?" for a value of any other kind or without terminator.
inline std::string StoredValue(const std::string& path, const char* name)
{
    DWORD type = 0;
    std::string data;
    if (!TestRegistry::GetRaw(HKEY_CURRENT_USER, path.c_str(), name, type, data))
    {
        return "(none)";
    }
    DWORD number = 0;
    if (type == REG_DWORD && data.size() == sizeof(number))
    {
        std::memcpy(&number, data.data(), sizeof(number));
        return std::to_string(number);
    }
    return type == REG_SZ && !data.empty() && data.back() == '\0' ? data.substr(0, data.size() - 1) : "?";
}

// The four bytes of a DWORD value.
inline std::string DwordBytes(DWORD value)
{
    return std::string(reinterpret_cast<const char*>(&value), sizeof(value));
}

// A value as the registry holds it, and what a record then loads from it.
struct StoredRow
{
    const char* name;
    DWORD type;
    std::string data, loaded;
};
