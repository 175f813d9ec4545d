// The configuration sheet: the Channels, Options, Downloads and About pages
// in one modeless sheet beside the panel. At most one exists at a time; it
// owns itself and is deleted when its window is gone.
#pragma once

#include "AboutTab.h"
#include "ChannelsTab.h"
#include "DownloadsTab.h"
#include "OptionsTab.h"
#include "framework/PropertySheet.h"

class CChannelManager;

namespace Configuration
{
class CConfigurationDialog : public Framework::CPropertySheet
{
public:
    enum Page
    {
        ChannelsPage = 0,
        OptionsPage = 1,
        DownloadsPage = 2,
        AboutPage = 3
    };

    explicit CConfigurationDialog(CChannelManager* channelManager);

    // Opens the sheet at the page, or, when one is open already, only
    // flashes it and leaves its page as it is.
    static void Open(CChannelManager* channelManager, int page);
    // The open sheet's window, or null.
    static HWND OpenWindow();
    // Closes the open sheet, if any, as its Close button would; its pages
    // store what they hold first.
    static void CloseOpen();

protected:
    void OnFinalMessage(HWND window) override;

private:
    CChannelManager* m_channelManager; // not owned
    CChannelsTab m_channelsTab;
    COptionsTab m_optionsTab;
    CDownloadsTab m_downloadsTab;
    CAboutTab m_aboutTab;
};
} // namespace Configuration
