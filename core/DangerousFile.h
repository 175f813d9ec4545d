// Which local files are programs or scripts: opening one with the shell
// runs it. Finished downloads come from the Internet, so such a file is
// opened only after the user agrees.
#pragma once

#include "common/CString.h"

// The extension the shell goes by, dot included and in lower case: that of
// the last path segment once trailing dots and spaces are gone (the file
// system drops them, so "setup.exe. " is setup.exe). Empty when there is
// none.
CString OpenedExtension(const CString& path);

// True for the extensions of programs, scripts, installers, shortcuts and
// other files whose opening runs code.
bool HasDangerousExtension(const CString& path);
