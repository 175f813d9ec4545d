#include "RegistrySandbox.h"

#include <gtest/gtest.h>
#include <shlwapi.h>

#include <atomic>
#include <vector>

namespace
{
std::string ScratchPath(const char* what)
{
    static std::atomic<unsigned> counter{0};
    return "Software\\tidelight-tests\\" + std::to_string(::GetCurrentProcessId()) + "-" +
           std::to_string(counter++) + "-" + what;
}

HKEY CreateScratch(const std::string& path)
{
    HKEY key = nullptr;
    // Created under the real HKCU, before any redirection of it.
    ::SHDeleteKeyA(HKEY_CURRENT_USER, path.c_str());
    EXPECT_EQ(ERROR_SUCCESS, ::RegCreateKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS,
                                               nullptr, &key, nullptr));
    return key;
}
} // namespace

CRegistrySandbox::CRegistrySandbox()
    : m_userPath(ScratchPath("user")), m_classesPath(ScratchPath("classes"))
{
    m_user = CreateScratch(m_userPath);
    m_classes = CreateScratch(m_classesPath);
    EXPECT_EQ(ERROR_SUCCESS, ::RegOverridePredefKey(HKEY_CLASSES_ROOT, m_classes));
    EXPECT_EQ(ERROR_SUCCESS, ::RegOverridePredefKey(HKEY_CURRENT_USER, m_user));
}

CRegistrySandbox::~CRegistrySandbox()
{
    ::RegOverridePredefKey(HKEY_CURRENT_USER, nullptr);
    ::RegOverridePredefKey(HKEY_CLASSES_ROOT, nullptr);
    ::RegCloseKey(m_user);
    ::RegCloseKey(m_classes);
    ::SHDeleteKeyA(HKEY_CURRENT_USER, m_userPath.c_str());
    ::SHDeleteKeyA(HKEY_CURRENT_USER, m_classesPath.c_str());
}

namespace TestRegistry
{
void SetRaw(HKEY root, const char* path, const char* name, DWORD type, const void* data, DWORD size)
{
    HKEY key = nullptr;
    ASSERT_EQ(ERROR_SUCCESS,
              ::RegCreateKeyExA(root, path, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr));
    EXPECT_EQ(ERROR_SUCCESS, ::RegSetValueExA(key, name, 0, type, static_cast<const BYTE*>(data), size));
    ::RegCloseKey(key);
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
    HKEY key = nullptr;
    if (::RegOpenKeyExA(root, path, 0, KEY_READ, &key) != ERROR_SUCCESS)
    {
        return false;
    }
    ::RegCloseKey(key);
    return true;
}

bool GetRaw(HKEY root, const char* path, const char* name, DWORD& type, std::string& data)
{
    HKEY key = nullptr;
    if (::RegOpenKeyExA(root, path, 0, KEY_READ, &key) != ERROR_SUCCESS)
    {
        return false;
    }
    DWORD size = 0;
    LONG result = ::RegQueryValueExA(key, name, nullptr, &type, nullptr, &size);
    if (result == ERROR_SUCCESS)
    {
        std::vector<char> buffer(size + 1);
        result = ::RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(buffer.data()), &size);
        data.assign(buffer.data(), size);
    }
    ::RegCloseKey(key);
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
    memcpy(&value, data.data(), sizeof(value));
    return true;
}

DWORD CountValues(HKEY root, const char* path)
{
    HKEY key = nullptr;
    DWORD count = 0;
    if (::RegOpenKeyExA(root, path, 0, KEY_READ, &key) == ERROR_SUCCESS)
    {
        ::RegQueryInfoKeyA(key, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &count, nullptr, nullptr,
                           nullptr, nullptr);
        ::RegCloseKey(key);
    }
    return count;
}

void CreateKey(HKEY root, const char* path)
{
    HKEY key = nullptr;
    ASSERT_EQ(ERROR_SUCCESS,
              ::RegCreateKeyExA(root, path, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr));
    ::RegCloseKey(key);
}

void DeleteTree(HKEY root, const char* path)
{
    ::SHDeleteKeyA(root, path);
}
} // namespace TestRegistry
