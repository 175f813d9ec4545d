#include "RegistryMigration.h"

#include "common/UniqueHandle.h"

#include <shlwapi.h>

#include <cstring>

void MigrateRegistryLayout()
{
    Common::CUniqueKey root;
    if (::RegOpenKeyExA(HKEY_CURRENT_USER, "SOFTWARE\\tidelight", 0,
                        KEY_READ | KEY_CREATE_SUB_KEY | KEY_SET_VALUE, root.put()) != ERROR_SUCCESS)
    {
        return;
    }
    Common::CUniqueKey channels;
    if (::RegOpenKeyExA(root.get(), "Channels", 0, KEY_READ, channels.put()) == ERROR_SUCCESS)
    {
        return;
    }
    if (::RegCreateKeyExA(root.get(), "Channels", 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, nullptr,
                          channels.put(), nullptr) != ERROR_SUCCESS)
    {
        return;
    }

    DWORD index = 0;
    for (;;)
    {
        char name[260];
        DWORD nameLength = sizeof(name);
        const LONG result =
            ::RegEnumKeyExA(root.get(), index, name, &nameLength, nullptr, nullptr, nullptr, nullptr);
        if (result == ERROR_NO_MORE_ITEMS)
        {
            break;
        }
        if (result != ERROR_SUCCESS)
        {
            // A name too long for the buffer cannot be a channel we wrote; skip it.
            ++index;
            continue;
        }
        if (std::strcmp(name, "Channels") == 0 || std::strcmp(name, "Downloads") == 0)
        {
            ++index;
            continue;
        }
        // The old subkey goes only once its whole copy exists; a failed copy
        // leaves both in place (the partial copy is removed again), so the
        // next start of an older version still finds the channel.
        Common::CUniqueKey copy;
        bool moved = false;
        if (::RegCreateKeyExA(channels.get(), name, 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, nullptr,
                              copy.put(), nullptr) == ERROR_SUCCESS)
        {
            if (::SHCopyKeyA(root.get(), name, copy.get(), 0) == ERROR_SUCCESS)
            {
                moved = ::SHDeleteKeyA(root.get(), name) == ERROR_SUCCESS;
            }
            else
            {
                copy.reset();
                ::SHDeleteKeyA(channels.get(), name);
            }
        }
        // A move shifts the remaining names down by one: look at the same
        // index again.
        if (!moved)
        {
            ++index;
        }
    }
}
