// The About page: name and version, the author, how many headlines have been
// shown since the first run (read once, when the page is first shown), the
// weblog's address and the credits.
#pragma once

#include "framework/PropertyPage.h"
#include "resources/resource.h"

namespace Configuration
{
class CAboutTab : public Framework::CPropertyPage
{
public:
    enum
    {
        IDD = IDD_ABOUT
    };
    static const char* const AuthorLine;

    CAboutTab() : CPropertyPage(IDD) {}

protected:
    bool OnInitDialog() override;
};
} // namespace Configuration
