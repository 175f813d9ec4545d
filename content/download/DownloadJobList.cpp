#include "DownloadJobList.h"

#include "JobKey.h"
#include "LocalFileName.h"
#include "core/Registry.h"
#include "core/RegistryStore.h"

#include <shlwapi.h>

#include <string>
#include <vector>

using Common::CLockGuard;
using Content::Download::EqualIgnoringCase;

const char* const CDownloadJobList::RegistryPath = Registry::DownloadsPath;

namespace
{
// Numbered names tried before a job is given up as unnamable.
const unsigned MaxNumberedNames = 1000;
// Room kept in a name for " (n)".
const size_t NumberRoom = 8;
// How long the end of the list waits for its workers, all together. They
// end after their current block; one blocked on the network is left to
// finish on its own, which it safely can.
const DWORD ShutdownWait = 2000;

bool FileExists(const CString& path)
{
    return ::GetFileAttributesA(path.GetString()) != INVALID_FILE_ATTRIBUTES;
}

CString FullPath(const CString& path)
{
    char buffer[MAX_PATH];
    const DWORD length = ::GetFullPathNameA(path.GetString(), MAX_PATH, buffer, nullptr);
    return length == 0 || length >= MAX_PATH ? CString() : CString(buffer, length);
}

// What a job's subkey holds besides its name.
struct CStoredJob
{
    // Stored only when the subkey's name is not the URL itself.
    CString url;
    CString fileName;
    // 0 when unknown.
    uint64_t completeSize = 0;

    Registry::CStoredValues Values()
    {
        using Registry::CStoredValue;
        return {
            {"url", url, Content::Download::MaxUrlLength + 1, "", CStoredValue::EraseEmpty},
            {"fileName", fileName, MAX_PATH, "", CStoredValue::SkipEmpty},
            {"completeSize", completeSize, 0, CStoredValue::EraseEmpty},
        };
    }
};
} // namespace

CDownloadJobList::CDownloadJobList(const CString& folder) : m_folder(folder)
{
    Load();
}

CDownloadJobList::CDownloadJobList(Transient, const CString& folder) : m_folder(folder)
{
    ::CreateDirectoryA(m_folder.GetString(), nullptr);
}

CDownloadJobList::~CDownloadJobList()
{
    Save();
    CLockGuard guard(*this);
    for (Entry& entry : m_jobs)
    {
        entry.job->RequestShutdown();
    }
    const ULONGLONG deadline = ::GetTickCount64() + ShutdownWait;
    for (Entry& entry : m_jobs)
    {
        const ULONGLONG now = ::GetTickCount64();
        entry.job->WaitForWorker(now < deadline ? static_cast<DWORD>(deadline - now) : 0);
    }
    m_jobs.clear();
}

CString CDownloadJobList::DefaultFolder()
{
    char path[MAX_PATH];
    const DWORD length = ::GetModuleFileNameA(nullptr, path, MAX_PATH);
    if (length == 0 || length >= MAX_PATH)
    {
        return CString();
    }
    std::string folder(path, length);
    folder.erase(folder.find_last_of('\\') + 1);
    folder += "Downloads";
    return CString(folder.c_str(), folder.size());
}

void CDownloadJobList::Load()
{
    CLockGuard guard(*this);
    // The folder comes first: the workers started below open their files
    // at once.
    ::CreateDirectoryA(m_folder.GetString(), nullptr);
    m_key = Registry::OpenOrCreate(HKEY_CURRENT_USER, RegistryPath, KEY_READ | KEY_WRITE);
    if (!m_key)
    {
        return;
    }
    for (const CString& name : Registry::SubkeyNames(m_key.get()))
    {
        Common::CUniqueKey key;
        CStoredJob stored;
        // Keys of the older layout hold no URL: their name is the URL.
        stored.url = name;
        if (::RegOpenKeyExA(m_key.get(), name.GetString(), 0, KEY_READ, key.put()) == ERROR_SUCCESS)
        {
            Registry::Load(key.get(), stored.Values());
        }
        Append(stored.url, name, stored.fileName, stored.completeSize, false);
    }
}

bool CDownloadJobList::AddJob(const CString& url)
{
    CLockGuard guard(*this);
    return Append(url, CString(), CString(), 0, true);
}

bool CDownloadJobList::Append(const CString& url, const CString& keyName, const CString& storedFileName,
                              uint64_t completeSize, bool fresh)
{
    if (!Content::Download::IsDownloadableUrl(url))
    {
        return false;
    }
    for (const Entry& entry : m_jobs)
    {
        if (entry.job->GetUrl() == url)
        {
            return true;
        }
    }

    Entry entry;
    entry.keyName = fresh ? ChooseKeyName(url) : keyName;
    const size_t budget = FileNameBudget();
    if (budget > 0)
    {
        // A stored name is used only as this program would have made it:
        // anything else in the registry is not trusted to name a file.
        const bool storedValid = !storedFileName.IsEmpty() && storedFileName.GetLength() <= budget &&
                                 Content::Download::SafeFileName(storedFileName, budget) == storedFileName;
        const CString name = storedValid ? storedFileName : Content::Download::FileNameFromUrl(url, budget);
        entry.fileName = ChooseFileName(name, !fresh);
    }
    entry.completeSize = completeSize;

    CDownloadJob::CSetup setup;
    setup.url = url;
    setup.localPath = LocalPath(entry.fileName);
    setup.completeSize = completeSize;
    setup.access = Content::CNetworkAccess::FromSettings();
    entry.job = std::make_shared<CDownloadJob>(setup);
    m_jobs.push_back(entry);
    if (fresh)
    {
        // Stored at once, so that the job survives even an exit that never
        // reaches the list's destructor.
        WriteEntry(m_jobs.back());
    }
    CDownloadJob::StartWorker(m_jobs.back().job);
    return true;
}

unsigned CDownloadJobList::JobCount()
{
    CLockGuard guard(*this);
    return static_cast<unsigned>(m_jobs.size());
}

CDownloadJob* CDownloadJobList::JobAt(unsigned index)
{
    CLockGuard guard(*this);
    unsigned position = 0;
    for (Entry& entry : m_jobs)
    {
        if (position++ == index)
        {
            return entry.job.get();
        }
    }
    return nullptr;
}

bool CDownloadJobList::Contains(const CDownloadJob* job)
{
    CLockGuard guard(*this);
    for (const Entry& entry : m_jobs)
    {
        if (entry.job.get() == job)
        {
            return true;
        }
    }
    return false;
}

bool CDownloadJobList::RemoveJob(CDownloadJob* job)
{
    CLockGuard guard(*this);
    for (auto it = m_jobs.begin(); it != m_jobs.end(); ++it)
    {
        if (it->job.get() != job)
        {
            continue;
        }
        const int state = job->GetState();
        if (state != CDownloadJob::Failed && state != CDownloadJob::Finished)
        {
            return false;
        }
        if (m_key)
        {
            ::SHDeleteKeyA(m_key.get(), it->keyName.GetString());
        }
        m_jobs.erase(it);
        return true;
    }
    return false;
}

void CDownloadJobList::Save()
{
    CLockGuard guard(*this);
    for (Entry& entry : m_jobs)
    {
        WriteEntry(entry);
    }
}

void CDownloadJobList::SaveEnded()
{
    CLockGuard guard(*this);
    for (Entry& entry : m_jobs)
    {
        const int state = entry.job->GetState();
        if ((state == CDownloadJob::Finished || state == CDownloadJob::Failed) && state != entry.savedState)
        {
            WriteEntry(entry);
        }
    }
}

void CDownloadJobList::WriteEntry(Entry& entry) const
{
    Common::CUniqueKey key;
    if (!m_key ||
        ::RegCreateKeyExA(m_key.get(), entry.keyName.GetString(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                          KEY_SET_VALUE, nullptr, key.put(), nullptr) != ERROR_SUCCESS)
    {
        return;
    }
    const CDownloadJob& job = *entry.job;
    entry.savedState = job.GetState();
    CStoredJob stored;
    if (entry.keyName != job.GetUrl())
    {
        stored.url = job.GetUrl();
    }
    stored.fileName = entry.fileName;
    // A job that has not yet looked at its file keeps what it was loaded
    // with; one that went on downloading no longer has that file.
    const int state = job.GetState();
    stored.completeSize = state == CDownloadJob::Finished       ? job.GetTotalSize()
                          : state == CDownloadJob::Initializing ? entry.completeSize
                                                                : 0;
    Registry::Save(key.get(), stored.Values());
}

bool CDownloadJobList::IsKeyNameTaken(const CString& name) const
{
    for (const Entry& entry : m_jobs)
    {
        if (EqualIgnoringCase(entry.keyName, name))
        {
            return true;
        }
    }
    return false;
}

bool CDownloadJobList::IsFileNameTaken(const CString& name) const
{
    for (const Entry& entry : m_jobs)
    {
        if (EqualIgnoringCase(entry.fileName, name))
        {
            return true;
        }
    }
    return false;
}

CString CDownloadJobList::ChooseKeyName(const CString& url) const
{
    // Key names compare without regard to case: a URL that differs from a
    // listed one only in case would otherwise share its subkey.
    if (Content::Download::CanNameKey(url) && !IsKeyNameTaken(url))
    {
        return url;
    }
    for (unsigned number = 1;; ++number)
    {
        const CString name = Content::Download::GeneratedKeyName(url, number);
        if (!IsKeyNameTaken(name))
        {
            return name;
        }
    }
}

CString CDownloadJobList::ChooseFileName(const CString& name, bool mayExist) const
{
    for (unsigned number = 1; number <= MaxNumberedNames; ++number)
    {
        const CString candidate = number == 1 ? name : Content::Download::NumberedFileName(name, number);
        if (IsFileNameTaken(candidate))
        {
            continue;
        }
        if ((number > 1 || !mayExist) && FileExists(LocalPath(candidate)))
        {
            continue;
        }
        return candidate;
    }
    return CString();
}

size_t CDownloadJobList::FileNameBudget() const
{
    const size_t used = m_folder.GetLength() + 1 + NumberRoom;
    if (m_folder.IsEmpty() || used >= MAX_PATH - 1)
    {
        return 0;
    }
    const size_t room = MAX_PATH - 1 - used;
    return room < Content::Download::MaxFileNameLength ? room : Content::Download::MaxFileNameLength;
}

CString CDownloadJobList::LocalPath(const CString& fileName) const
{
    if (fileName.IsEmpty() || m_folder.IsEmpty())
    {
        return CString();
    }
    CString path = m_folder;
    path += "\\";
    path += fileName;
    // Whatever the name holds, the file must sit directly in the folder.
    CString folder = FullPath(m_folder);
    const CString full = FullPath(path);
    if (folder.IsEmpty() || full.IsEmpty())
    {
        return CString();
    }
    if (folder[folder.GetLength() - 1] != '\\')
    {
        folder += "\\";
    }
    if (full.GetLength() <= folder.GetLength() || !EqualIgnoringCase(full.Left(folder.GetLength()), folder) ||
        full.Mid(folder.GetLength()) != fileName)
    {
        return CString();
    }
    return path;
}
