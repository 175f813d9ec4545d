// Readers and writers for single registry values. A reader answers false and
// leaves its output alone when the value is missing, of another type, too
// big for the caller's buffer or (for strings) not zero-terminated, so every
// caller keeps its default for malformed data.
#pragma once

#include "common/CString.h"
#include "common/UniqueHandle.h"

#include <windows.h>

#include <vector>

namespace Registry
{
// Where the program keeps its state under HKEY_CURRENT_USER: the settings in
// the root key, one subkey per channel under "Channels" and one per download
// job under "Downloads".
#define TIDELIGHT_REGISTRY_ROOT "SOFTWARE\\tidelight"
inline constexpr char RootPath[] = TIDELIGHT_REGISTRY_ROOT;
inline constexpr char ChannelsName[] = "Channels";
inline constexpr char ChannelsPath[] = TIDELIGHT_REGISTRY_ROOT "\\Channels";
inline constexpr char DownloadsName[] = "Downloads";
inline constexpr char DownloadsPath[] = TIDELIGHT_REGISTRY_ROOT "\\Downloads";
#undef TIDELIGHT_REGISTRY_ROOT

// The key at path under root, opened with the given rights or, when it does
// not exist yet, created with them; empty when neither works.
Common::CUniqueKey OpenOrCreate(HKEY root, const char* path, REGSAM access);
// The names of the key's subkeys, all read before the caller changes any
// (adding or removing subkeys while enumerating would shift the
// enumeration). A name too long for a key name is skipped.
std::vector<CString> SubkeyNames(HKEY key);

// A REG_DWORD of exactly 4 bytes.
bool ReadDword(HKEY key, const char* name, DWORD& value);
// A REG_QWORD of exactly 8 bytes.
bool ReadQword(HKEY key, const char* name, unsigned long long& value);
// A REG_SZ (or REG_EXPAND_SZ, not expanded) of at most bufferBytes bytes, the
// terminating zero included. The text ends at its first zero byte.
bool ReadString(HKEY key, const char* name, size_t bufferBytes, CString& value);
// As ReadString, but every byte before the final terminator is kept, zero
// bytes included (scrambled passwords may contain them).
bool ReadStringBytes(HKEY key, const char* name, size_t bufferBytes, CString& value);

// Errors are ignored: the registry is written on the way out, where nothing
// better can be done about them.
void WriteDword(HKEY key, const char* name, DWORD value);
void WriteQword(HKEY key, const char* name, unsigned long long value);
// Writes the whole string and its terminating zero as REG_SZ.
void WriteString(HKEY key, const char* name, const CString& value);
} // namespace Registry
