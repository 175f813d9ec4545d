#include "core/DangerousFile.h"

#include <gtest/gtest.h>

TEST(DangerousFile, ProgramsAndScriptsAreKnownByTheExtensionTheShellGoesBy)
{
    const struct
    {
        const char* path;
        const char* extension;
        bool dangerous;
    } cases[] = {{"C:\\d\\Setup.EXE", ".exe", true},
                 {"C:\\d\\a.bat", ".bat", true},
                 {"C:\\d\\a.scr", ".scr", true},
                 {"C:\\d\\a.vbs", ".vbs", true},
                 {"C:\\d\\a.js", ".js", true},
                 {"C:\\d\\a.msi", ".msi", true},
                 {"C:\\d\\a.ps1", ".ps1", true},
                 {"C:\\d\\a.lnk", ".lnk", true},
                 {"C:\\d\\a.hta", ".hta", true},
                 // The file system drops trailing dots and spaces; only the last
                 // extension counts, and a dot in a folder's name is none.
                 {"C:\\d\\a.exe . ", ".exe", true},
                 {"C:\\d\\a.exe.mp3", ".mp3", false},
                 {"C:\\d\\a.mp3.cmd", ".cmd", true},
                 {"C:\\my.exe\\readme", "", false},
                 {"C:\\d\\a.exer", ".exer", false},
                 {"", "", false}};
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.path);
        EXPECT_STREQ(c.extension, OpenedExtension(c.path));
        EXPECT_EQ(c.dangerous, HasDangerousExtension(c.path));
    }
}
