#include "OpmlTransfer.h"

#include "common/UniqueHandle.h"
#include "content/AbstractRetriever.h"
#include "content/ChannelManager.h"

#include <windows.h>

#include <string>
#include <vector>

namespace Configuration
{
namespace
{
// The text in another code page; false when a character has no form there.
bool Convert(const std::string& text, UINT from, UINT to, std::string& out)
{
    out.clear();
    if (text.empty())
    {
        return true;
    }
    const int wide = ::MultiByteToWideChar(from, MB_ERR_INVALID_CHARS, text.data(),
                                           static_cast<int>(text.size()), nullptr, 0);
    if (wide <= 0)
    {
        return false;
    }
    std::vector<wchar_t> buffer(static_cast<size_t>(wide));
    ::MultiByteToWideChar(from, 0, text.data(), static_cast<int>(text.size()), buffer.data(), wide);
    BOOL lost = FALSE;
    const DWORD flags = to == CP_UTF8 ? 0 : WC_NO_BEST_FIT_CHARS;
    const int length = ::WideCharToMultiByte(to, flags, buffer.data(), wide, nullptr, 0, nullptr,
                                             to == CP_UTF8 ? nullptr : &lost);
    if (length <= 0 || lost)
    {
        return false;
    }
    out.resize(static_cast<size_t>(length));
    ::WideCharToMultiByte(to, flags, buffer.data(), wide, &out[0], length, nullptr, nullptr);
    return true;
}

bool IsListed(CChannelManager& manager, const CString& key)
{
    const unsigned count = manager.ChannelCount();
    for (unsigned i = 0; i < count; ++i)
    {
        const CString* existing = manager.ChannelKeyAt(i);
        if (existing != nullptr && ::lstrcmpiA(existing->GetString(), key.GetString()) == 0)
        {
            return true;
        }
    }
    return false;
}

bool ReadFileText(const CString& path, std::string& text)
{
    Common::CUniqueFile file(::CreateFileA(path.GetString(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                           OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    LARGE_INTEGER size = {};
    if (!file || !::GetFileSizeEx(file.get(), &size) || size.QuadPart > static_cast<LONGLONG>(MaxOpmlBytes))
    {
        return false;
    }
    text.resize(static_cast<size_t>(size.QuadPart));
    DWORD read = 0;
    return text.empty() ||
           (::ReadFile(file.get(), &text[0], static_cast<DWORD>(text.size()), &read, nullptr) &&
            read == text.size());
}

void Count(const char* what, unsigned count, CString& text, bool& first)
{
    if (count == 0)
    {
        return;
    }
    char part[96];
    wsprintfA(part, "%s%u %s", first ? "" : ", ", count, what);
    text += part;
    first = false;
}
} // namespace

COpmlImport ImportOpml(CChannelManager& manager, const CString& path)
{
    COpmlImport result;
    std::string text;
    if (!ReadFileText(path, text))
    {
        return result;
    }
    const std::vector<COpmlOutline> outlines = ReadOpml(text.data(), text.size(), result.readable);
    Common::CLockGuard guard(manager);
    for (const COpmlOutline& outline : outlines)
    {
        std::string key;
        switch (CheckOpmlUrl(outline.xmlUrl))
        {
        case OpmlSkip::NoUrl:
            ++result.noUrl;
            continue;
        case OpmlSkip::NotWeb:
            ++result.notWeb;
            continue;
        case OpmlSkip::ControlByte:
            ++result.controlByte;
            continue;
        case OpmlSkip::TooLong:
            ++result.tooLong;
            continue;
        case OpmlSkip::None:
            break;
        }
        if (!Convert(outline.xmlUrl, CP_UTF8, CP_ACP, key))
        {
            ++result.unstorable;
            continue;
        }
        const CString channel(key.c_str(), key.size());
        if (IsListed(manager, channel))
        {
            ++result.listed;
            continue;
        }
        if (!manager.AddChannel(channel))
        {
            ++result.unstorable;
            continue;
        }
        ++result.added;
        std::string title;
        if (!outline.title.empty() && Convert(outline.title, CP_UTF8, CP_ACP, title))
        {
            // Shown until the feed's own title arrives.
            const unsigned count = manager.ChannelCount();
            for (unsigned i = 0; i < count; ++i)
            {
                const CString* existing = manager.ChannelKeyAt(i);
                if (existing != nullptr && *existing == channel)
                {
                    manager.ChannelAt(i)->SetInitialTitle(CString(title.c_str(), title.size()));
                    break;
                }
            }
        }
    }
    return result;
}

CString DescribeImport(const COpmlImport& result)
{
    if (!result.readable)
    {
        return "The file is no OPML file this program can read.";
    }
    char head[96];
    wsprintfA(head, "%u added, %u already listed", result.added, result.listed);
    CString text(head);
    const unsigned skipped =
        result.noUrl + result.notWeb + result.controlByte + result.tooLong + result.unstorable;
    if (skipped != 0)
    {
        char count[32];
        wsprintfA(count, ", %u skipped (", skipped);
        text += count;
        bool first = true;
        Count("without an address", result.noUrl, text, first);
        Count("not a web address", result.notWeb, text, first);
        Count("with a control character", result.controlByte, text, first);
        Count("too long", result.tooLong, text, first);
        Count("not storable here", result.unstorable, text, first);
        text += ")";
    }
    text += ".";
    return text;
}

bool ExportOpml(CChannelManager& manager, const CString& path)
{
    std::vector<COpmlOutline> channels;
    {
        Common::CLockGuard guard(manager);
        const unsigned count = manager.ChannelCount();
        for (unsigned i = 0; i < count; ++i)
        {
            const CString* key = manager.ChannelKeyAt(i);
            const Content::CAbstractRetriever* retriever = manager.ChannelAt(i);
            COpmlOutline outline;
            if (key == nullptr || retriever == nullptr ||
                !Convert(std::string(key->GetString(), key->GetLength()), CP_ACP, CP_UTF8, outline.xmlUrl))
            {
                continue;
            }
            const CString title = retriever->GetTitle();
            Convert(std::string(title.GetString(), title.GetLength()), CP_ACP, CP_UTF8, outline.title);
            channels.push_back(outline);
        }
    }
    const std::string text = WriteOpml(channels);

    CString temporary = path;
    temporary += ".partial";
    {
        Common::CUniqueFile file(::CreateFileA(temporary.GetString(), GENERIC_WRITE, 0, nullptr,
                                               CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
        DWORD written = 0;
        if (!file ||
            !::WriteFile(file.get(), text.data(), static_cast<DWORD>(text.size()), &written, nullptr) ||
            written != text.size() || !::FlushFileBuffers(file.get()))
        {
            file.reset();
            ::DeleteFileA(temporary.GetString());
            return false;
        }
    }
    if (!::MoveFileExA(temporary.GetString(), path.GetString(),
                       MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
    {
        ::DeleteFileA(temporary.GetString());
        return false;
    }
    return true;
}
} // namespace Configuration
