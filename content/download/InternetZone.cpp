#include "InternetZone.h"

#include "common/UniqueHandle.h"
#include "common/WideText.h"

#include <windows.h>

namespace Content
{
namespace Download
{
bool MarkAsFromInternet(const CString& path)
{
    // Both asked first: a stream of a missing file would create the file,
    // and on a volume without streams (FAT, or a host file system under an
    // emulator) "name:stream" may be taken as a new file's name instead,
    // leaving a stray file beside the download.
    const std::wstring file = Common::Widen(path);
    wchar_t root[MAX_PATH];
    DWORD flags = 0;
    const DWORD attributes = ::GetFileAttributesW(file.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0 ||
        !::GetVolumePathNameW(file.c_str(), root, MAX_PATH) ||
        !::GetVolumeInformationW(root, nullptr, 0, nullptr, nullptr, &flags, nullptr, 0) ||
        (flags & FILE_NAMED_STREAMS) == 0)
    {
        return false;
    }
    static const char zone[] = "[ZoneTransfer]\r\nZoneId=3\r\n";
    const std::wstring streamName = file + L":Zone.Identifier";
    Common::CUniqueFile stream(::CreateFileW(streamName.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                             FILE_ATTRIBUTE_NORMAL, nullptr));
    DWORD written = 0;
    return stream && ::WriteFile(stream.get(), zone, sizeof(zone) - 1, &written, nullptr) &&
           written == sizeof(zone) - 1;
}
} // namespace Download
} // namespace Content
