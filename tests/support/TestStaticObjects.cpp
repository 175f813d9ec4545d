// Test programs get a settings record that holds defaults and never reads or
// writes the registry; each test builds its own record inside a sandbox.
#include "core/Settings.h"

CSettings& Settings()
{
    static CSettings settings{CSettings::DefaultsOnly()};
    return settings;
}
