#include "BrowserLauncher.h"

#include "core/BrowserCommand.h"
#include "core/Settings.h"

#include <windows.h>
#include <shellapi.h>
#include <shlwapi.h>

#include <mutex>
#include <utility>

namespace
{
std::mutex g_shellOpenLock;
CBrowserLauncher::ShellOpen g_shellOpen;

CBrowserLauncher ProcessLauncher()
{
    CBrowserLauncher::ShellOpen shellOpen;
    {
        std::lock_guard<std::mutex> guard(g_shellOpenLock);
        shellOpen = g_shellOpen;
    }
    if (!shellOpen)
    {
        shellOpen = &CBrowserLauncher::ShellExecuteOpen;
    }
    return CBrowserLauncher(Settings().GetBrowserCommand(), Settings().GetTabbedBrowser(), shellOpen);
}
} // namespace

CBrowserLauncher::CBrowserLauncher(const CString& browserCommand, bool tabbedBrowser, ShellOpen shellOpen)
    : m_browserCommand(browserCommand), m_tabbedBrowser(tabbedBrowser), m_shellOpen(std::move(shellOpen))
{
}

void CBrowserLauncher::OpenLink(const CString& link) const
{
    if (!IsWebLink(link) || !::PathIsURLA(link.GetString()))
    {
        return;
    }
    // Escaped on both roads: the shell, too, puts the link into the
    // browser's registered command line.
    const CString safeLink = EscapeLink(link);
    const CBrowserCommand command(m_browserCommand);
    if (m_tabbedBrowser || command.IsEmpty())
    {
        m_shellOpen(safeLink, CString());
        return;
    }
    m_shellOpen(command.GetExecutable(), command.GetParameters(safeLink));
}

void CBrowserLauncher::OpenLocalFile(const CString& path) const
{
    if (path.IsEmpty() || ::PathIsURLA(path.GetString()))
    {
        return;
    }
    m_shellOpen(path, CString());
}

void CBrowserLauncher::ShellExecuteOpen(const CString& file, const CString& parameters)
{
    ::ShellExecuteA(nullptr, nullptr, file.GetString(),
                    parameters.IsEmpty() ? nullptr : parameters.GetString(), nullptr, SW_SHOWNORMAL);
}

void OpenLink(const CString& link)
{
    ProcessLauncher().OpenLink(link);
}

void OpenLocalFile(const CString& path)
{
    ProcessLauncher().OpenLocalFile(path);
}

void SetShellOpen(CBrowserLauncher::ShellOpen shellOpen)
{
    std::lock_guard<std::mutex> guard(g_shellOpenLock);
    g_shellOpen = std::move(shellOpen);
}
