// The objects that live before the entry point and after it returns. They
// are defined in this one file because their order matters: the settings
// first, since everything loaded after them reads the connection settings.
#include "Settings.h"

namespace
{
CSettings g_settings;
} // namespace

CSettings& Settings()
{
    return g_settings;
}
