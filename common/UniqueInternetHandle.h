// WinINet handles in the one handle owner; apart from UniqueHandle.h so that
// only the code that fetches includes WinINet.
#pragma once

#include "UniqueHandle.h"

#include <wininet.h>

namespace Common
{
using CUniqueInternetHandle = CUniqueHandle<NullHandleTraits<HINTERNET, &::InternetCloseHandle>>;
} // namespace Common
