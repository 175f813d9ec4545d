// The Options page: the global settings (connection, autorun, update check,
// tips, panel timings) and the listing service's account, with its
// "Synchronize" button.
#pragma once

#include "framework/PropertyPage.h"
#include "resources/resource.h"

class CChannelManager;

namespace Configuration
{
class COptionsTab : public Framework::CPropertyPage
{
public:
    enum
    {
        IDD = IDD_OPTIONS
    };

    explicit COptionsTab(CChannelManager* channelManager)
        : CPropertyPage(IDD), m_channelManager(channelManager)
    {
    }

private:
    CChannelManager* m_channelManager; // not owned
};
} // namespace Configuration
