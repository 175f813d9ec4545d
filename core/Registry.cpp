#include "Registry.h"

#include <cstring>
#include <vector>

namespace Registry
{
namespace
{
// A number of exactly its own size, stored with the expected type.
template <typename Number> bool ReadNumber(HKEY key, const char* name, DWORD expectedType, Number& value)
{
    DWORD type = 0;
    Number data = 0;
    DWORD size = sizeof(data);
    if (::RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(&data), &size) !=
            ERROR_SUCCESS ||
        type != expectedType || size != sizeof(data))
    {
        return false;
    }
    value = data;
    return true;
}
} // namespace

Common::CUniqueKey OpenOrCreate(HKEY root, const char* path, REGSAM access)
{
    // Taken over only on success: a failed call need not leave its output
    // null.
    HKEY key = nullptr;
    if (::RegOpenKeyExA(root, path, 0, access, &key) == ERROR_SUCCESS ||
        ::RegCreateKeyExA(root, path, 0, nullptr, REG_OPTION_NON_VOLATILE, access, nullptr, &key, nullptr) ==
            ERROR_SUCCESS)
    {
        return Common::CUniqueKey(key);
    }
    return Common::CUniqueKey();
}

std::vector<CString> SubkeyNames(HKEY key)
{
    std::vector<CString> names;
    for (DWORD index = 0;; ++index)
    {
        // The registry's longest key name and its terminator.
        char name[256];
        DWORD length = sizeof(name);
        const LONG result = ::RegEnumKeyExA(key, index, name, &length, nullptr, nullptr, nullptr, nullptr);
        if (result == ERROR_SUCCESS)
        {
            names.emplace_back(name, length);
        }
        else if (result != ERROR_MORE_DATA)
        {
            break;
        }
    }
    return names;
}

bool ReadDword(HKEY key, const char* name, DWORD& value)
{
    return ReadNumber(key, name, REG_DWORD, value);
}

bool ReadQword(HKEY key, const char* name, unsigned long long& value)
{
    return ReadNumber(key, name, REG_QWORD, value);
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
