// The Downloads page: the enclosure downloads with their progress; pause,
// resume, cancel, clear and open.
#pragma once

#include "framework/PropertyPage.h"
#include "resources/resource.h"

namespace Configuration
{
class CDownloadsTab : public Framework::CPropertyPage
{
public:
    enum
    {
        IDD = IDD_DOWNLOADS
    };

    CDownloadsTab() : CPropertyPage(IDD) {}
};
} // namespace Configuration
