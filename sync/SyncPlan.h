// What one synchronisation will do, worked out before anything is done, so
// that the numbers the user confirms are the numbers carried out. Entries
// match when their bytes are equal: no case folding, no URL normalisation.
#pragma once

#include "common/CString.h"

#include <vector>

namespace Sync
{
// The Options page's action list, by index.
enum SyncAction
{
    ServerToClient = 0, // the local channels are made equal to the listing
    ClientToServer = 1  // the listing is made equal to the local channels
};

struct CSyncStep
{
    enum Kind
    {
        Keep,
        AddRemote,
        RemoveRemote,
        RemoveLocal,
        AddLocal
    };
    Kind kind = Keep;
    CString channel;
};

struct CSyncPlan
{
    // One step per entry looked at (client entries, then listing entries),
    // so the progress bar moves once per step. Local removals come before
    // local additions, remote additions before remote removals.
    std::vector<CSyncStep> steps;
    int added = 0;
    int removed = 0;
    // Listing entries that cannot become local channels; never counted.
    std::vector<CString> skipped;
};

// Whether a listing entry can become a local channel.
using ChannelCheck = bool (*)(const CString& url);

// Any action but the two plans nothing. Towards the client, a listing entry
// that fails canBeChannel is skipped, and one listed twice is added once:
// the channel store holds each key once.
CSyncPlan PlanSync(int action, const std::vector<CString>& client, const std::vector<CString>& server,
                   ChannelCheck canBeChannel);

// The skipped entries named for the user, as a paragraph to append to a
// message; empty when nothing was skipped. Control bytes show as "?".
CString SkippedNote(const std::vector<CString>& skipped);
} // namespace Sync
