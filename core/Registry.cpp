#include "Registry.h"

#include <cstring>
#include <vector>

namespace Registry
{
bool ReadDword(HKEY key, const char* name, DWORD& value)
{
    DWORD type = 0;
    DWORD data = 0;
    DWORD size = sizeof(data);
    if (::RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(&data), &size) !=
            ERROR_SUCCESS ||
        type != REG_DWORD || size != sizeof(data))
    {
        return false;
    }
    value = data;
    return true;
}

bool ReadQword(HKEY key, const char* name, unsigned long long& value)
{
    DWORD type = 0;
    unsigned long long data = 0;
    DWORD size = sizeof(data);
    if (::RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(&data), &size) !=
            ERROR_SUCCESS ||
        type != REG_QWORD || size != sizeof(data))
    {
        return false;
    }
    value = data;
    return true;
}

bool ReadStringBytes(HKEY key, const char* name, size_t bufferBytes, CString& value)
{
    std::vector<char> buffer(bufferBytes + 1, 0);
    DWORD type = 0;
    DWORD size = static_cast<DWORD>(bufferBytes);
    if (::RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(buffer.data()), &size) !=
            ERROR_SUCCESS ||
        (type != REG_SZ && type != REG_EXPAND_SZ) || size == 0 || size > bufferBytes ||
        buffer[size - 1] != 0)
    {
        return false;
    }
    value = CString(buffer.data(), size - 1);
    return true;
}

bool ReadString(HKEY key, const char* name, size_t bufferBytes, CString& value)
{
    CString bytes;
    if (!ReadStringBytes(key, name, bufferBytes, bytes))
    {
        return false;
    }
    value = CString(bytes.GetString());
    return true;
}

void WriteDword(HKEY key, const char* name, DWORD value)
{
    ::RegSetValueExA(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof(value));
}

void WriteQword(HKEY key, const char* name, unsigned long long value)
{
    ::RegSetValueExA(key, name, 0, REG_QWORD, reinterpret_cast<const BYTE*>(&value), sizeof(value));
}

void WriteString(HKEY key, const char* name, const CString& value)
{
    ::RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.GetString()),
                     static_cast<DWORD>(value.GetLength() + 1));
}
} // namespace Registry
