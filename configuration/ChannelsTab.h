// The Channels page: the feed channels with their live status; adds,
// removes, switches on or off and edits the selected one.
#pragma once

#include "framework/PropertyPage.h"
#include "resources/resource.h"

class CChannelManager;

namespace Configuration
{
class CChannelsTab : public Framework::CPropertyPage
{
public:
    enum
    {
        IDD = IDD_CHANNELS
    };

    explicit CChannelsTab(CChannelManager* channelManager)
        : CPropertyPage(IDD), m_channelManager(channelManager)
    {
    }

private:
    CChannelManager* m_channelManager; // not owned
};
} // namespace Configuration
