// Opens links for the user: a headline's web page in the default browser,
// and files the program wrote itself (finished downloads) with their
// associated program. The two are separate entry points so that a link
// taken from a feed can never be opened as a local file or program. A local
// file that would run code when opened (a program, a script, a shortcut) is
// opened only after the user agrees: it came from the Internet.
#pragma once

#include "common/CString.h"

#include <windows.h>

#include <functional>

class CBrowserLauncher
{
public:
    // The one call into the shell: open file (a program, a URL or a
    // document) with the given parameters, which may be empty. Both are
    // UTF-8, so the program's own files are opened by their names in any
    // script.
    using ShellOpen = std::function<void(const CString& file, const CString& parameters)>;
    // Asked before a file that would run code is opened; true opens it.
    using ConfirmOpen = std::function<bool(const CString& path)>;

    // browserCommand is the default browser's command line (may be empty);
    // with tabbedBrowser, links go to the shell, which reuses the running
    // browser's window.
    CBrowserLauncher(const CString& browserCommand, bool tabbedBrowser,
                     ShellOpen shellOpen = &ShellExecuteOpen);

    // Opens an http or https link; anything else is ignored.
    void OpenLink(const CString& link) const;
    // Opens a local file, its path in UTF-8; URLs are ignored. A file
    // dangerous to open is opened only when confirm agrees; without
    // confirm, never.
    void OpenLocalFile(const CString& path, const ConfirmOpen& confirm = ConfirmOpen()) const;

    // True when opening the file would run code: the shell says so for its
    // extension, or the extension is one of the known dangerous ones (the
    // shell's own list may be missing or short).
    static bool IsDangerousToOpen(const CString& path);

    // ShellExecuteW with the default verb and a normal window.
    static void ShellExecuteOpen(const CString& file, const CString& parameters);

private:
    CString m_browserCommand;
    bool m_tabbedBrowser;
    ShellOpen m_shellOpen;
};

// With the settings record's browser command and "My browser supports tabs".
void OpenLink(const CString& link);
// A file dangerous to open asks first, in a message box owned by owner; the
// path is UTF-8.
void OpenLocalFile(const CString& path, HWND owner);
// Replaces the shell call behind the two functions above for the whole
// process, so that tests see what the program opens instead of opening it;
// an empty function restores ShellExecuteW.
void SetShellOpen(CBrowserLauncher::ShellOpen shellOpen);
