// The client of the remote listing service: read the listing, add one
// channel URL, remove one. Each is one synchronous GET on the calling thread
// through the program's HTTP layer, so each is bounded by its time-outs.
// None returns a status: a failure sets error (left untouched on success),
// so a caller starting with an empty error reads "still empty" as success.
#pragma once

#include "common/CString.h"

#include <vector>

namespace Sync
{
// Appends the listed URLs to channels (it does not clear them); on failure
// appends nothing.
void ListRemoteChannels(CString serviceUrl, CString username, CString password,
                        std::vector<CString>& channels, CString& error);
void AddRemoteChannel(CString serviceUrl, CString username, CString password, CString channel,
                      CString& error);
void RemoveRemoteChannel(CString serviceUrl, CString username, CString password, CString channel,
                         CString& error);
} // namespace Sync
