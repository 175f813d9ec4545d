#include "configuration/OpmlTransfer.h"

#include "ConfigurationTest.h"
#include "content/AbstractRetriever.h"
#include "core/ChannelRecord.h"
#include "support/ScratchFolder.h"

using namespace Configuration;

namespace
{
class OpmlTransferTest : public ::testing::Test
{
protected:
    CRegistrySandbox m_sandbox;
    CScratchFolder m_folder;
};
} // namespace

// An exported list imports as the same channels, without credentials; an
// import counts what it adds, keeps and skips.
TEST_F(OpmlTransferTest, AnExportedListImportsAsTheSameChannelsAndImportCountsWhatItSkips)
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
        source.Unlock();
        ASSERT_TRUE(ExportOpml(source, path.c_str()));
    }
    EXPECT_EQ(std::string::npos, m_folder.Read("channels.opml").find("secret-password"));
    EXPECT_FALSE(m_folder.Exists("channels.opml.partial"));

    TestRegistry::DeleteTree(HKEY_CURRENT_USER, "SOFTWARE\\tidelight");
    CChannelManager target(CChannelManager::Empty{});
    EXPECT_EQ(2u, ImportOpml(target, path.c_str()).added);
    EXPECT_EQ(keys, Keys(target));
    EXPECT_STREQ("http://127.0.0.1:1/a.xml", target.ChannelAt(0)->GetTitle()) << "named by its address";
    target.Unlock();
    EXPECT_EQ(2u, ImportOpml(target, path.c_str()).listed) << "importing again adds nothing";
    EXPECT_EQ(keys, Keys(target));

    m_folder.Write("in.opml", "<opml><body><outline text=\"Named\" xmlUrl=\"http://127.0.0.1:1/c.xml\"/>"
                              "<outline xmlUrl=\"HTTP://127.0.0.1:1/A.xml\"/><outline xmlUrl=\"\"/>"
                              "<outline xmlUrl=\"ftp://127.0.0.1/x\"/><outline xmlUrl=\"http://a/&#9;b\"/>"
                              "</body></opml>");
    const COpmlImport result = ImportOpml(target, m_folder.PathOf("in.opml").c_str());
    EXPECT_TRUE(result.readable);
    // Letter case aside, as the registry compares keys.
    EXPECT_STREQ("1 added, 1 already listed, 3 skipped (1 without an address, 1 not a web address, 1 with a "
                 "control character).",
                 DescribeImport(result));
    ASSERT_EQ(3u, target.ChannelCount());
    EXPECT_STREQ("Named", target.ChannelAt(2)->GetTitle()) << "until the feed's own title arrives";
    target.Unlock();
    // A temporary file cannot be made where a folder of its name stands:
    // the export fails and the old file stays.
    m_folder.Write("channels.opml", "the old list");
    ASSERT_TRUE(::CreateDirectoryA((path + ".partial").c_str(), nullptr));
    EXPECT_FALSE(ExportOpml(target, path.c_str()));
    EXPECT_EQ("the old list", m_folder.Read("channels.opml"));
    ::RemoveDirectoryA((path + ".partial").c_str());
}
