#include "ConfigurationDialog.h"

#include "resources/resource.h"

namespace Configuration
{
namespace
{
// The one open sheet, recorded by its window.
HWND g_sheet = nullptr;
} // namespace

CConfigurationDialog::CConfigurationDialog(CChannelManager* channelManager)
    : CPropertySheet("tidelight Configuration", IDI_TIDELIGHT), m_channelManager(channelManager),
      m_channelsTab(channelManager), m_optionsTab(channelManager)
{
    AddPage(m_channelsTab);
    AddPage(m_optionsTab);
    AddPage(m_downloadsTab);
    AddPage(m_aboutTab);
}

void CConfigurationDialog::Open(CChannelManager* channelManager, int page)
{
    if (HWND open = OpenWindow())
    {
        ::FlashWindow(open, TRUE);
        return;
    }
    auto* sheet = new CConfigurationDialog(channelManager);
    g_sheet = sheet->Create();
    if (g_sheet == nullptr)
    {
        delete sheet;
        return;
    }
    sheet->SetActivePage(page);
}

HWND CConfigurationDialog::OpenWindow()
{
    return g_sheet != nullptr && ::IsWindow(g_sheet) ? g_sheet : nullptr;
}

void CConfigurationDialog::CloseOpen()
{
    if (HWND open = OpenWindow())
    {
        ::DestroyWindow(open);
    }
}

void CConfigurationDialog::OnFinalMessage(HWND window)
{
    if (g_sheet == window)
    {
        g_sheet = nullptr;
    }
    delete this;
}
} // namespace Configuration
