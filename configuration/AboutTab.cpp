#include "AboutTab.h"

#include "common/Version.h"
#include "core/Settings.h"

namespace Configuration
{
const char* const CAboutTab::AuthorLine = "Written by the tidelight developers.";

bool CAboutTab::OnInitDialog()
{
    SetItemText(IDC_ABOUT_VERSION, "tidelight " TIDELIGHT_VERSION);
    SetItemText(IDC_ABOUT_AUTHOR, AuthorLine);
    char count[96];
    wsprintfA(count, "%u news brought to your desktop since first run.",
              static_cast<unsigned>(Settings().GetNewsDisplayed()));
    SetItemText(IDC_ABOUT_COUNT, count);
    return true;
}
} // namespace Configuration
