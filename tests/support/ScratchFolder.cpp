#include "ScratchFolder.h"

#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <fstream>
#include <iterator>

CScratchFolder::CScratchFolder()
{
    static std::atomic<unsigned> counter{0};
    char temp[MAX_PATH] = {};
    ::GetTempPathA(MAX_PATH, temp);
    m_path = std::string(temp) + "tidelight-test-" + std::to_string(::GetCurrentProcessId()) + "-" +
             std::to_string(counter++);
    std::error_code error;
    std::filesystem::create_directory(m_path, error);
    EXPECT_FALSE(error) << m_path;
}

CScratchFolder::~CScratchFolder()
{
    std::error_code ignored;
    std::filesystem::remove_all(m_path, ignored);
}

void CScratchFolder::Write(const std::string& name, const std::string& bytes) const
{
    std::ofstream file(PathOf(name), std::ios::binary);
    EXPECT_TRUE(file.write(bytes.data(), static_cast<std::streamsize>(bytes.size())).flush()) << name;
}

std::string CScratchFolder::Read(const std::string& name) const
{
    std::ifstream file(PathOf(name), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

bool CScratchFolder::Exists(const std::string& name) const
{
    std::error_code ignored;
    return std::filesystem::exists(PathOf(name), ignored);
}

std::vector<std::string> CScratchFolder::Files() const
{
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(m_path))
    {
        names.push_back(entry.path().filename().string());
    }
    return names;
}
