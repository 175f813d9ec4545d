// The program's version, defined once for the user agent, the tray tip, the
// About page, the update check and the version resource.
#pragma once

#define TIDELIGHT_VERSION_MAJOR 1
#define TIDELIGHT_VERSION_MINOR 7
#define TIDELIGHT_VERSION "1.7"
