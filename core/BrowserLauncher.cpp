#include "BrowserLauncher.h"

#include "common/WideText.h"
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
    // Link and command are ANSI text; the shell call takes UTF-8.
    if (m_tabbedBrowser || command.IsEmpty())
    {
        m_shellOpen(Common::Utf8FromAnsi(safeLink), CString());
        return;
    }
    m_shellOpen(Common::Utf8FromAnsi(command.GetExecutable()),
                Common::Utf8FromAnsi(command.GetParameters(safeLink)));
}

void CBrowserLauncher::OpenLocalFile(const CString& path, const ConfirmOpen& confirm) const
{
    if (path.IsEmpty() || ::PathIsURLW(Common::Widen(path).c_str()))
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
    const std::wstring extension = Common::Widen(OpenedExtension(path));
    return !extension.empty() && ::AssocIsDangerous(extension.c_str()) != FALSE;
}

void CBrowserLauncher::ShellExecuteOpen(const CString& file, const CString& parameters)
{
    const std::wstring wideParameters = Common::Widen(parameters);
    ::ShellExecuteW(nullptr, nullptr, Common::Widen(file).c_str(),
                    parameters.IsEmpty() ? nullptr : wideParameters.c_str(), nullptr, SW_SHOWNORMAL);
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
            return ::MessageBoxW(owner, Common::Widen(question).c_str(), L"tidelight",
                                 MB_YESNO | MB_ICONWARNING | MB_DEFBUTTON2) == IDYES;
        });
}

void SetShellOpen(CBrowserLauncher::ShellOpen shellOpen)
{
    std::lock_guard<std::mutex> guard(g_shellOpenLock);
    g_shellOpen = std::move(shellOpen);
}
