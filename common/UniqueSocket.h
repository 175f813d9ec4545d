// Sockets in the one handle owner; apart from UniqueHandle.h so that only
// code that talks Winsock includes it.
#pragma once

#include "UniqueHandle.h"

#include <winsock2.h>

namespace Common
{
struct SocketTraits
{
    using Handle = SOCKET;
    static Handle Invalid() noexcept { return INVALID_SOCKET; }
    static void Close(Handle h) noexcept { ::closesocket(h); }
};

using CUniqueSocket = CUniqueHandle<SocketTraits>;
} // namespace Common
