// The program's version, defined once for the user agent, the tray tip, the
// About page, the update check and the version resource.
#pragma once

#define TIDELIGHT_VERSION_MAJOR 1
#define TIDELIGHT_VERSION_MINOR 7

// "1.7", made from the numbers above so that the text and the version
// resource's numbers cannot disagree.
#define TIDELIGHT_VERSION_TEXT_OF(version) #version
#define TIDELIGHT_VERSION_TEXT(major, minor) TIDELIGHT_VERSION_TEXT_OF(major.minor)
#define TIDELIGHT_VERSION TIDELIGHT_VERSION_TEXT(TIDELIGHT_VERSION_MAJOR, TIDELIGHT_VERSION_MINOR)
