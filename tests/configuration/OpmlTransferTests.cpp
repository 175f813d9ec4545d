#include "configuration/OpmlTransfer.h"

#include "content/AbstractRetriever.h"
#include "content/ChannelManager.h"
#include "core/ChannelRecord.h"
#include "support/RegistrySandbox.h"
#include "support/ScratchFolder.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace Configuration;

namespace
{
class OpmlTransferTest : public ::testing::Test
{
protected:
    static std::vector<std::string> Keys(CChannelManager& manager)
    {
        std::vector<std::string> keys;
        for (unsigned i = 0; i < manager.ChannelCount(); ++i)
        {
            keys.push_back(manager.ChannelKeyAt(i)->GetString());
        }
        manager.Unlock();
        return keys;
    }

    CRegistrySandbox m_sandbox;
    CScratchFolder m_folder;
};
} // namespace

TEST_F(OpmlTransferTest, AnExportedListImportsAsTheSameChannelsWithoutCredentials)
{
    // Port 1 refuses at once: the channels never get a title of their own.
    const std::vector<std::string> keys = {"http://127.0.0.1:1/a.xml", "http://127.0.0.1:1/b?x=1&y=2"};
    const std::string path = m_folder.PathOf("channels.opml");
    {
        CChannelManager source(CChannelManager::Empty{});
        for (const std::string& key : keys)
        {
            ASSERT_TRUE(source.AddChannel(key.c_str()));
        }
        source.ChannelAt(0)->GetChannel()->SetPassword("secret-password");
        ASSERT_TRUE(ExportOpml(source, path.c_str()));
    }
    const std::string file = m_folder.Read("channels.opml");
    EXPECT_EQ(std::string::npos, file.find("secret-password"));
    EXPECT_FALSE(m_folder.Exists("channels.opml.partial"));

    TestRegistry::DeleteTree(HKEY_CURRENT_USER, "SOFTWARE\\tidelight");
    CChannelManager target(CChannelManager::Empty{});
    const COpmlImport result = ImportOpml(target, path.c_str());
    EXPECT_EQ(2u, result.added);
    EXPECT_EQ(keys, Keys(target));
    EXPECT_STREQ("http://127.0.0.1:1/a.xml", target.ChannelAt(0)->GetTitle()) << "named by its address";
    target.Unlock();
    // Importing again adds nothing.
    EXPECT_EQ(2u, ImportOpml(target, path.c_str()).listed);
    EXPECT_EQ(keys, Keys(target));
}

TEST_F(OpmlTransferTest, ImportCountsWhatItAddsKeepsAndSkips)
{
    CChannelManager manager(CChannelManager::Empty{});
    ASSERT_TRUE(manager.AddChannel("http://127.0.0.1:1/known.xml"));
    m_folder.Write("in.opml", "<opml><body><outline text=\"Named\" xmlUrl=\"http://127.0.0.1:1/new.xml\"/>"
                              "<outline xmlUrl=\"HTTP://127.0.0.1:1/KNOWN.xml\"/><outline xmlUrl=\"\"/>"
                              "<outline xmlUrl=\"ftp://127.0.0.1/x\"/><outline xmlUrl=\"http://a/&#9;b\"/>"
                              "</body></opml>");
    const COpmlImport result = ImportOpml(manager, m_folder.PathOf("in.opml").c_str());
    EXPECT_TRUE(result.readable);
    EXPECT_EQ(1u, result.added);
    EXPECT_EQ(1u, result.listed) << "letter case aside, as the registry compares keys";
    EXPECT_EQ(1u, result.noUrl);
    EXPECT_EQ(1u, result.notWeb);
    EXPECT_EQ(1u, result.controlByte);
    EXPECT_STREQ("1 added, 1 already listed, 3 skipped (1 without an address, 1 not a web address, 1 with a "
                 "control character).",
                 DescribeImport(result));
    ASSERT_EQ(2u, manager.ChannelCount());
    EXPECT_STREQ("Named", manager.ChannelAt(1)->GetTitle()) << "until the feed's own title arrives";
    manager.Unlock();
}

TEST_F(OpmlTransferTest, AnExportThatCannotBeWrittenLeavesTheOldFile)
{
    CChannelManager manager(CChannelManager::Empty{});
    m_folder.Write("old.opml", "the old list");
    // The temporary file cannot be made where a folder of its name stands.
    ASSERT_TRUE(::CreateDirectoryA(m_folder.PathOf("old.opml.partial").c_str(), nullptr));
    EXPECT_FALSE(ExportOpml(manager, m_folder.PathOf("old.opml").c_str()));
    EXPECT_EQ("the old list", m_folder.Read("old.opml"));
    ::RemoveDirectoryA(m_folder.PathOf("old.opml.partial").c_str());
}
