#include "RegistryMigration.h"

#include "Registry.h"
#include "common/UniqueHandle.h"

#include <shlwapi.h>

void MigrateRegistryLayout()
{
    Common::CUniqueKey root;
    if (::RegOpenKeyExA(HKEY_CURRENT_USER, Registry::RootPath, 0,
                        KEY_READ | KEY_CREATE_SUB_KEY | KEY_SET_VALUE, root.put()) != ERROR_SUCCESS)
    {
        return;
    }
    Common::CUniqueKey channels;
    if (::RegOpenKeyExA(root.get(), Registry::ChannelsName, 0, KEY_READ, channels.put()) == ERROR_SUCCESS)
    {
        return;
    }
    if (::RegCreateKeyExA(root.get(), Registry::ChannelsName, 0, nullptr, REG_OPTION_NON_VOLATILE,
                          KEY_ALL_ACCESS, nullptr, channels.put(), nullptr) != ERROR_SUCCESS)
    {
        return;
    }

    for (const CString& name : Registry::SubkeyNames(root.get()))
    {
        if (name == CString(Registry::ChannelsName) || name == CString(Registry::DownloadsName))
        {
            continue;
        }
        // The old subkey goes only once its whole copy exists; a failed copy
        // leaves both in place (the partial copy is removed again), so the
        // next start of an older version still finds the channel.
        Common::CUniqueKey copy;
        if (::RegCreateKeyExA(channels.get(), name, 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, nullptr,
                              copy.put(), nullptr) == ERROR_SUCCESS)
        {
            if (::SHCopyKeyA(root.get(), name, copy.get(), 0) == ERROR_SUCCESS)
            {
                ::SHDeleteKeyA(root.get(), name);
            }
            else
            {
                copy.reset();
                ::SHDeleteKeyA(channels.get(), name);
            }
        }
    }
}
