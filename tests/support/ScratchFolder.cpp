#include "ScratchFolder.h"

#include "common/WideText.h"

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
    // Process ids come round again under Wine, and a folder that a killed run
    // left behind must not lend its files to this one.
    std::error_code error;
    do
    {
        m_path = std::string(temp) + "tidelight-test-" + std::to_string(::GetCurrentProcessId()) + "-" +
                 std::to_string(counter++);
    } while (!std::filesystem::create_directory(m_path, error) && !error);
    EXPECT_FALSE(error) << m_path;
}

CScratchFolder::~CScratchFolder()
{
    // As a wide path, so that the names inside are read and removed in any
    // script; the folder's own path is ASCII.
    std::error_code ignored;
    std::filesystem::remove_all(std::filesystem::path(Common::Widen(m_path.c_str())), ignored);
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
