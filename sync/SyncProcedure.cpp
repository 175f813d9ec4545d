#include "SyncProcedure.h"

#include "SyncPlan.h"
#include "SyncProtocol.h"
#include "common/SynchronizedObject.h"
#include "content/ChannelManager.h"
#include "content/HttpConnection.h"
#include "core/ChannelRecord.h"
#include "core/Settings.h"
#include "framework/Controls.h"

#include <utility>
#include <vector>

namespace Sync
{
namespace
{
const char* const SyncErrorCaption = "Synchronization error";
const char* const SucceededCaption = "Synchronization succeeded";

MessageBoxFunction& MessageBoxSeam()
{
    static MessageBoxFunction show;
    return show;
}

int Show(HWND owner, const CString& text, const char* caption, UINT style)
{
    if (MessageBoxSeam())
    {
        return MessageBoxSeam()(owner, text, caption, style);
    }
    return ::MessageBoxA(owner, text, caption, style);
}

// The wait cursor for the run; the arrow again on every way out.
class CWaitCursor
{
public:
    CWaitCursor() { ::SetCursor(::LoadCursorA(nullptr, IDC_WAIT)); }
    ~CWaitCursor() { ::SetCursor(::LoadCursorA(nullptr, IDC_ARROW)); }
    CWaitCursor(const CWaitCursor&) = delete;
    CWaitCursor& operator=(const CWaitCursor&) = delete;
};

// A listing entry may become a channel only if the channel store can keep it
// under its key and the feed retriever can fetch it; anything else would be
// a channel that never polls, or none at all while counted as added.
bool CanBeChannel(const CString& url)
{
    Content::CUrlParts parts;
    return CChannelRecord::IsStorableKey(url) && Content::SplitHttpUrl(url, parts);
}

std::vector<CString> ChannelKeys(CChannelManager& manager)
{
    // Index access leaves the manager locked; the guard's end frees it.
    Common::CLockGuard guard(manager);
    std::vector<CString> keys;
    for (unsigned index = 0; index < manager.ChannelCount(); ++index)
    {
        if (const CString* key = manager.ChannelKeyAt(index))
        {
            keys.push_back(*key);
        }
    }
    return keys;
}

// Removes the channel by its key rather than by a position worked out
// before the confirmation box, whose message loop runs the rest of the
// program: a position gone stale would remove somebody else's channel.
bool RemoveChannel(CChannelManager& manager, const CString& key)
{
    Common::CLockGuard guard(manager);
    for (unsigned index = 0; index < manager.ChannelCount(); ++index)
    {
        const CString* existing = manager.ChannelKeyAt(index);
        if (existing != nullptr && *existing == key)
        {
            manager.RemoveChannelAt(index);
            return true;
        }
    }
    return false;
}
} // namespace

MessageBoxFunction SetSyncMessageBox(MessageBoxFunction show)
{
    return std::exchange(MessageBoxSeam(), std::move(show));
}

int SyncProcedure(HWND page, HWND actionList, HWND progressBar, CChannelManager& channelManager)
{
    const CString serviceUrl = Settings().GetSyncServiceUrl();
    const CString username = Settings().GetSyncServiceUsername();
    const CString password = Settings().GetSyncServicePassword();
    if (username.IsEmpty() || password.IsEmpty())
    {
        Show(page, "Please fill in Username and Password fields.", "Error", MB_OK | MB_ICONERROR);
        return 1;
    }
    const CWaitCursor waiting;

    std::vector<CString> server;
    CString error;
    ListRemoteChannels(serviceUrl, username, password, server, error);
    if (!error.IsEmpty())
    {
        Show(page, error, SyncErrorCaption, MB_OK | MB_ICONERROR);
        return 1;
    }
    const std::vector<CString> client = ChannelKeys(channelManager);

    // The 32-bit range: a listing of more than 65535 entries would wrap the
    // 16-bit one.
    const Framework::CProgressBar progress(progressBar);
    progress.SetRange(0, static_cast<int>(server.size() + client.size()));
    progress.SetPos(0);

    // Read once, so the work done is the work confirmed.
    const int action = static_cast<int>(::SendMessageA(actionList, CB_GETCURSEL, 0, 0));
    CSyncPlan plan = PlanSync(action, client, server, CanBeChannel);
    const char* const side = action == ClientToServer ? "server" : "client";
    if (plan.added == 0 && plan.removed == 0)
    {
        Show(page,
             "Client and server listings are synchronized. No actions performed." + SkippedNote(plan.skipped),
             "Synchronization", MB_OK | MB_ICONEXCLAMATION);
        return 1;
    }
    if (Show(page,
             CString::Format(
                 "%d channels will be added and %d will be removed at %s. Do you wish to continue?",
                 plan.added, plan.removed, side),
             SucceededCaption, MB_YESNO | MB_ICONQUESTION) != IDYES)
    {
        return 1;
    }

    // A failing request does not stop the run; the last failure is reported.
    int added = 0;
    int removed = 0;
    for (const CSyncStep& step : plan.steps)
    {
        switch (step.kind)
        {
        case CSyncStep::Keep:
            break;
        case CSyncStep::AddRemote:
            AddRemoteChannel(serviceUrl, username, password, step.channel, error);
            ++added;
            break;
        case CSyncStep::RemoveRemote:
            RemoveRemoteChannel(serviceUrl, username, password, step.channel, error);
            ++removed;
            break;
        case CSyncStep::RemoveLocal:
            removed += RemoveChannel(channelManager, step.channel) ? 1 : 0;
            break;
        case CSyncStep::AddLocal:
            if (channelManager.AddChannel(step.channel))
            {
                ++added;
            }
            else
            {
                plan.skipped.push_back(step.channel);
            }
            break;
        }
        progress.StepIt();
        // The page does not repaint while the run blocks its thread; the bar
        // at least shows how far it is.
        ::UpdateWindow(progressBar);
    }

    const CString skipped = SkippedNote(plan.skipped);
    if (!error.IsEmpty())
    {
        Show(page, error + skipped, SyncErrorCaption, MB_OK | MB_ICONERROR);
    }
    else
    {
        Show(page, CString::Format("%d channels added and %d removed at %s.", added, removed, side) + skipped,
             SucceededCaption, MB_OK | MB_ICONINFORMATION);
    }
    return 1;
}
} // namespace Sync
