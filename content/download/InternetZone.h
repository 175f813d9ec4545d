// Marks a finished download as coming from the Internet, as browsers do:
// the Zone.Identifier stream of the file names the Internet zone, so the
// shell and other programs warn before running it, whoever opens it later.
#pragma once

#include "common/CString.h"

namespace Content
{
namespace Download
{
// Writes "[ZoneTransfer]" with "ZoneId=3" into the Zone.Identifier stream of
// the file at path (UTF-8). False when the file's volume has no named streams or the stream
// could not be written whole; the file itself is never touched.
bool MarkAsFromInternet(const CString& path);
} // namespace Download
} // namespace Content
