#include "ScratchFolder.h"

#include <gtest/gtest.h>

#include <atomic>

CScratchFolder::CScratchFolder()
{
    static std::atomic<unsigned> counter{0};
    char temp[MAX_PATH] = {};
    ::GetTempPathA(MAX_PATH, temp);
    m_path = std::string(temp) + "tidelight-test-" + std::to_string(::GetCurrentProcessId()) + "-" +
             std::to_string(counter++);
    EXPECT_TRUE(::CreateDirectoryA(m_path.c_str(), nullptr) || ::GetLastError() == ERROR_ALREADY_EXISTS)
        << m_path;
}

CScratchFolder::~CScratchFolder()
{
    for (const std::string& name : Files())
    {
        ::DeleteFileA(PathOf(name).c_str());
    }
    ::RemoveDirectoryA(m_path.c_str());
}

void CScratchFolder::Write(const std::string& name, const std::string& bytes) const
{
    HANDLE file = ::CreateFileA(PathOf(name).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, file) << name;
    DWORD written = 0;
    EXPECT_TRUE(::WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr));
    EXPECT_EQ(bytes.size(), written);
    ::CloseHandle(file);
}

std::string CScratchFolder::Read(const std::string& name) const
{
    HANDLE file = ::CreateFileA(PathOf(name).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
    {
        return std::string();
    }
    std::string bytes;
    char buffer[65536];
    DWORD read = 0;
    while (::ReadFile(file, buffer, sizeof(buffer), &read, nullptr) && read > 0)
    {
        bytes.append(buffer, read);
    }
    ::CloseHandle(file);
    return bytes;
}

bool CScratchFolder::Exists(const std::string& name) const
{
    return ::GetFileAttributesA(PathOf(name).c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::vector<std::string> CScratchFolder::Files() const
{
    std::vector<std::string> names;
    WIN32_FIND_DATAA found;
    HANDLE search = ::FindFirstFileA((m_path + "\\*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE)
    {
        return names;
    }
    do
    {
        const std::string name = found.cFileName;
        if (name != "." && name != "..")
        {
            names.push_back(name);
        }
    } while (::FindNextFileA(search, &found));
    ::FindClose(search);
    return names;
}
