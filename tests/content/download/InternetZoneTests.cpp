#include "content/download/InternetZone.h"
#include "support/ScratchFolder.h"

#include <gtest/gtest.h>

// Where the volume holds streams the mark is the browsers' one; where it does
// not (a host file system under an emulator) the answer says so, and no
// stray file appears. A missing file is not created.
TEST(InternetZone, MarksTheFileOrSaysItCouldNotWithoutTouchingIt)
{
    CScratchFolder folder;
    folder.Write("talk.mp3", "bytes");
    if (Content::Download::MarkAsFromInternet(folder.PathOf("talk.mp3").c_str()))
    {
        EXPECT_EQ("[ZoneTransfer]\r\nZoneId=3\r\n", folder.Read("talk.mp3:Zone.Identifier"));
    }
    EXPECT_FALSE(Content::Download::MarkAsFromInternet(folder.PathOf("gone.mp3").c_str()));
    EXPECT_EQ("bytes", folder.Read("talk.mp3"));
    EXPECT_EQ(std::vector<std::string>{"talk.mp3"}, folder.Files());
}
