// The default browser's command line as the registry holds it (for example
// a quoted executable path, an option and "%1"), split into the program to
// start and the parameters that carry a link. Also the checks that decide
// which links may reach a browser at all.
#pragma once

#include "common/CString.h"

class CBrowserCommand
{
public:
    // A command whose first character is a double quotation mark names the
    // executable between that mark and the next; otherwise the first
    // space-separated token does, and runs of spaces between the further
    // tokens count as one.
    explicit CBrowserCommand(const CString& command);

    // True when there is no executable to start.
    bool IsEmpty() const { return m_executable.IsEmpty(); }
    const CString& GetExecutable() const { return m_executable; }
    // Every "%1" replaced by the link, or the link appended when there is
    // none; trimmed. The link is inserted as given: escape it first.
    CString GetParameters(const CString& link) const;

private:
    CString m_executable;
    CString m_parameters;
};

// True only for "http://" and "https://" links (any case): nothing else a
// feed offers (files, scripts, shares, other schemes) is opened.
bool IsWebLink(const CString& text);

// Percent-encodes double quotation marks, spaces and control characters, so
// a link stays one argument wherever the browser command puts it, quoted or
// not. A well-formed URL holds none of them and is returned unchanged.
CString EscapeLink(const CString& link);
