// A fresh folder of its own for one test, in the temporary folder, deleted
// with everything in it when the test ends. Downloads in tests go there,
// never into a Downloads folder a user keeps.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

class CScratchFolder
{
public:
    CScratchFolder();
    ~CScratchFolder();
    CScratchFolder(const CScratchFolder&) = delete;
    CScratchFolder& operator=(const CScratchFolder&) = delete;

    const std::string& Path() const { return m_path; }
    std::string PathOf(const std::string& name) const { return m_path + "\\" + name; }

    void Write(const std::string& name, const std::string& bytes) const;
    // The file's bytes; empty when it cannot be read.
    std::string Read(const std::string& name) const;
    bool Exists(const std::string& name) const;
    // The names of the files in the folder.
    std::vector<std::string> Files() const;

private:
    std::string m_path;
};
