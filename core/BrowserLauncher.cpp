#include "BrowserLauncher.h"

#include "core/BrowserCommand.h"
#include "core/DangerousFile.h"
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

void CBrowserLauncher::OpenLocalFile(const CString& path, const ConfirmOpen& confirm) const
{
    if (path.IsEmpty() || ::PathIsURLA(path.GetString()))
    {
        return;
    }
    if (IsDangerousToOpen(path) && (!confirm || !confirm(path)))
    {
        return;
    }
    m_shellOpen(path, CString());
}

bool CBrowserLauncher::IsDangerousToOpen(const CString& path)
{
    if (HasDangerousExtension(path))
    {
        return true;
    }
    const CString extension = OpenedExtension(path);
    wchar_t wide[64] = {};
    if (extension.IsEmpty() || extension.GetLength() >= 64 ||
        ::MultiByteToWideChar(CP_ACP, 0, extension.GetString(), -1, wide, 64) == 0)
    {
        return false;
    }
    return ::AssocIsDangerous(wide) != FALSE;
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

void OpenLocalFile(const CString& path, HWND owner)
{
    ProcessLauncher().OpenLocalFile(
        path,
        [owner](const CString& file)
        {
            const CString question =
                CString::Format("\"%s\" came from the Internet, and opening it can run a "
                                "program with all your rights.\n\nOpen it anyway?",
                                file.GetString());
            return ::MessageBoxA(owner, question.GetString(), "tidelight",
                                 MB_YESNO | MB_ICONWARNING | MB_DEFBUTTON2) == IDYES;
        });
}

void SetShellOpen(CBrowserLauncher::ShellOpen shellOpen)
{
    std::lock_guard<std::mutex> guard(g_shellOpenLock);
    g_shellOpen = std::move(shellOpen);
}
