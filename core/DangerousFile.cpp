#include "DangerousFile.h"

#include <cstring>

namespace
{
// What the shell starts as code, directly or through a host: programs,
// scripts and their hosts' files, installers and patches, shortcuts, help
// and control-panel files, registry imports.
const char* const DangerousExtensions[] = {
    ".ade",    ".adp",  ".app", ".appref-ms", ".application", ".bas", ".bat",
    ".chm",    ".cmd",  ".com", ".cpl",       ".crt",         ".dll", ".exe",
    ".gadget", ".hlp",  ".hta", ".inf",       ".ins",         ".isp", ".jar",
    ".js",     ".jse",  ".lnk", ".mde",       ".msc",         ".msi", ".msp",
    ".mst",    ".ocx",  ".pif", ".ps1",       ".ps1xml",      ".ps2", ".psc1",
    ".psd1",   ".psm1", ".reg", ".scf",       ".scr",         ".sct", ".settingcontent-ms",
    ".shb",    ".shs",  ".sys", ".url",       ".vb",          ".vbe", ".vbs",
    ".ws",     ".wsc",  ".wsf", ".wsh"};

char Lower(char c)
{
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}
} // namespace

CString OpenedExtension(const CString& path)
{
    size_t end = path.GetLength();
    while (end > 0 && (path[end - 1] == '.' || path[end - 1] == ' '))
    {
        --end;
    }
    size_t dot = end;
    for (size_t i = end; i > 0; --i)
    {
        const char c = path[i - 1];
        if (c == '\\' || c == '/' || c == ':')
        {
            break;
        }
        if (c == '.')
        {
            dot = i - 1;
            break;
        }
    }
    CString extension;
    for (size_t i = dot; i < end; ++i)
    {
        extension += Lower(path[i]);
    }
    return extension;
}

bool HasDangerousExtension(const CString& path)
{
    const CString extension = OpenedExtension(path);
    for (const char* dangerous : DangerousExtensions)
    {
        if (std::strcmp(extension.GetString(), dangerous) == 0)
        {
            return true;
        }
    }
    return false;
}
