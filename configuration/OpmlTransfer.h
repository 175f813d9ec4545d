// Imports an OPML file's channels into the channel manager and exports the
// manager's channels to one. Channel keys and titles are in the system's
// ANSI code page; OPML is UTF-8: both are converted here.
#pragma once

#include "Opml.h"
#include "common/CString.h"

class CChannelManager;

namespace Configuration
{
struct COpmlImport
{
    bool readable = false;
    unsigned added = 0;
    unsigned listed = 0; // already there
    unsigned noUrl = 0;
    unsigned notWeb = 0;
    unsigned controlByte = 0;
    unsigned tooLong = 0;
    // Refused by the channel store, or not expressible in this system's
    // code page.
    unsigned unstorable = 0;
};

// Adds every outline of the file whose address is not listed yet (letter
// case aside, as the registry compares keys); nothing listed is changed.
COpmlImport ImportOpml(CChannelManager& manager, const CString& path);
// One line for the page, e.g. "3 added, 1 already listed, 2 skipped (1 without
// an address, 1 not a web address)."
CString DescribeImport(const COpmlImport& result);

// Writes every feed channel (never its user name or password) to a
// temporary file beside path and renames it over path, so an interrupted
// export never leaves a broken file. False when nothing was written.
bool ExportOpml(CChannelManager& manager, const CString& path);
} // namespace Configuration
