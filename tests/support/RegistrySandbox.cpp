#include "RegistrySandbox.h"

#include <gtest/gtest.h>
#include <shlwapi.h>

#include <atomic>
#include <cstring>
#include <vector>

namespace
{
// A fresh key under the real HKCU, made before any redirection of it.
HKEY CreateScratch(std::string& path, const char* what)
{
    static std::atomic<unsigned> counter{0};
    path = "Software\\tidelight-tests\\" + std::to_string(::GetCurrentProcessId()) + "-" +
           std::to_string(counter++) + "-" + what;
    ::SHDeleteKeyA(HKEY_CURRENT_USER, path.c_str());
    HKEY key = nullptr;
    EXPECT_EQ(ERROR_SUCCESS, ::RegCreateKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS,
                                               nullptr, &key, nullptr));
    return key;
}
} // namespace

CRegistrySandbox::CRegistrySandbox()
    : m_user(CreateScratch(m_userPath, "user")), m_classes(CreateScratch(m_classesPath, "classes"))
{
    EXPECT_EQ(ERROR_SUCCESS, ::RegOverridePredefKey(HKEY_CLASSES_ROOT, m_classes.get()));
    EXPECT_EQ(ERROR_SUCCESS, ::RegOverridePredefKey(HKEY_CURRENT_USER, m_user.get()));
}

CRegistrySandbox::~CRegistrySandbox()
{
    ::RegOverridePredefKey(HKEY_CURRENT_USER, nullptr);
    ::RegOverridePredefKey(HKEY_CLASSES_ROOT, nullptr);
    m_user.reset();
    m_classes.reset();
    ::SHDeleteKeyA(HKEY_CURRENT_USER, m_userPath.c_str());
    ::SHDeleteKeyA(HKEY_CURRENT_USER, m_classesPath.c_str());
}

namespace TestRegistry
{
void SetRaw(HKEY root, const char* path, const char* name, DWORD type, const void* data, DWORD size)
{
    Common::CUniqueKey key;
    ASSERT_EQ(ERROR_SUCCESS,
              ::RegCreateKeyExA(root, path, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, key.put(), nullptr));
    EXPECT_EQ(ERROR_SUCCESS,
              ::RegSetValueExA(key.get(), name, 0, type, static_cast<const BYTE*>(data), size));
}

void SetDword(HKEY root, const char* path, const char* name, DWORD value)
{
    SetRaw(root, path, name, REG_DWORD, &value, sizeof(value));
}

void SetString(HKEY root, const char* path, const char* name, const std::string& value, DWORD type)
{
    SetRaw(root, path, name, type, value.c_str(), static_cast<DWORD>(value.size() + 1));
}

bool KeyExists(HKEY root, const char* path)
{
    Common::CUniqueKey key;
    return ::RegOpenKeyExA(root, path, 0, KEY_READ, key.put()) == ERROR_SUCCESS;
}

bool GetRaw(HKEY root, const char* path, const char* name, DWORD& type, std::string& data)
{
    Common::CUniqueKey key;
    DWORD size = 0;
    if (::RegOpenKeyExA(root, path, 0, KEY_READ, key.put()) != ERROR_SUCCESS ||
        ::RegQueryValueExA(key.get(), name, nullptr, &type, nullptr, &size) != ERROR_SUCCESS)
    {
        return false;
    }
    std::vector<char> buffer(size + 1);
    const LONG result =
        ::RegQueryValueExA(key.get(), name, nullptr, &type, reinterpret_cast<BYTE*>(buffer.data()), &size);
    data.assign(buffer.data(), size);
    return result == ERROR_SUCCESS;
}

bool ValueExists(HKEY root, const char* path, const char* name)
{
    DWORD type = 0;
    std::string data;
    return GetRaw(root, path, name, type, data);
}

bool GetDword(HKEY root, const char* path, const char* name, DWORD& value)
{
    DWORD type = 0;
    std::string data;
    if (!GetRaw(root, path, name, type, data) || type != REG_DWORD || data.size() != sizeof(DWORD))
    {
        return false;
    }
    std::memcpy(&value, data.data(), sizeof(value));
    return true;
}

DWORD CountValues(HKEY root, const char* path)
{
    Common::CUniqueKey key;
    DWORD count = 0;
    if (::RegOpenKeyExA(root, path, 0, KEY_READ, key.put()) == ERROR_SUCCESS)
    {
        ::RegQueryInfoKeyA(key.get(), nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &count, nullptr,
                           nullptr, nullptr, nullptr);
    }
    return count;
}

void CreateKey(HKEY root, const char* path)
{
    Common::CUniqueKey key;
    EXPECT_EQ(ERROR_SUCCESS,
              ::RegCreateKeyExA(root, path, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, key.put(), nullptr));
}

void DeleteTree(HKEY root, const char* path)
{
    ::SHDeleteKeyA(root, path);
}
} // namespace TestRegistry
