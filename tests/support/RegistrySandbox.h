// Gives a test its own HKEY_CURRENT_USER and HKEY_CLASSES_ROOT: both are
// redirected, for this process, to fresh scratch keys that are deleted again
// when the sandbox ends.
#pragma once

#include "common/UniqueHandle.h"

#include <string>

class CRegistrySandbox
{
public:
    CRegistrySandbox();
    ~CRegistrySandbox();
    CRegistrySandbox(const CRegistrySandbox&) = delete;
    CRegistrySandbox& operator=(const CRegistrySandbox&) = delete;

private:
    std::string m_userPath;
    std::string m_classesPath;
    Common::CUniqueKey m_user;
    Common::CUniqueKey m_classes;
};

// Small helpers for arranging and checking registry contents in tests.
namespace TestRegistry
{
void SetDword(HKEY root, const char* path, const char* name, DWORD value);
void SetString(HKEY root, const char* path, const char* name, const std::string& value, DWORD type = REG_SZ);
void SetRaw(HKEY root, const char* path, const char* name, DWORD type, const void* data, DWORD size);
bool KeyExists(HKEY root, const char* path);
bool ValueExists(HKEY root, const char* path, const char* name);
bool GetDword(HKEY root, const char* path, const char* name, DWORD& value);
// The raw bytes and type of a value; false when it is missing.
bool GetRaw(HKEY root, const char* path, const char* name, DWORD& type, std::string& data);
DWORD CountValues(HKEY root, const char* path);
void CreateKey(HKEY root, const char* path);
void DeleteTree(HKEY root, const char* path);
} // namespace TestRegistry
