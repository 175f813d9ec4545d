// The sync procedure behind the Options page's "Synchronize" button: makes
// the local channel list equal to the service's listing, or the listing
// equal to the local channels, as the page's action list says, after the
// user has confirmed what will change. Runs on the interface thread and
// blocks it while its requests run.
#pragma once

#include "common/CString.h"

#include <windows.h>

#include <functional>

class CChannelManager;

namespace Sync
{
// Shows one of the procedure's message boxes and returns the button chosen
// (IDOK, IDYES, IDNO), as MessageBoxA does; tests record the boxes instead.
using MessageBoxFunction =
    std::function<int(HWND owner, const CString& text, const CString& caption, UINT style)>;
// An empty function puts MessageBoxA back. Returns the one it replaces.
MessageBoxFunction SetSyncMessageBox(MessageBoxFunction show);

// page owns the message boxes; actionList and progressBar are the page's
// controls. Always returns 1: the command is handled.
int SyncProcedure(HWND page, HWND actionList, HWND progressBar, CChannelManager& channelManager);
} // namespace Sync
