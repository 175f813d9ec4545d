// The download jobs of the process, in the order they were added, with their
// registry store under SOFTWARE\tidelight\Downloads (one subkey per job) and
// the folder their files go to. Loading starts every stored job's worker;
// destruction writes the jobs back, so a download still running at exit
// resumes at the next start.
//
// Each subkey is named by its job's URL, as the store has always been
// written; a URL that cannot name a key gets a generated name and keeps the
// URL in the value "url". A job also stores the name of its file
// ("fileName", a Unicode string) and, once finished, the size of the whole
// file ("completeSize"), so that a finished file is recognised at the next
// start even when its server is gone. Keys without values (the older layout)
// are read by their names.
//
// Folder, file names and local paths are UTF-8 here, so that a file is named
// in its own script; every file function they reach is a wide one.
#pragma once

#include "DownloadJob.h"
#include "common/CString.h"
#include "common/SynchronizedObject.h"
#include "common/UniqueHandle.h"

#include <cstdint>
#include <list>
#include <memory>

namespace Content
{
namespace Download
{
class CDownloadJobList : public Common::CSynchronizedObject
{
public:
    static const char* const RegistryPath;

    // Loads the stored jobs and starts their workers; files go into folder,
    // which is created first when it does not exist.
    explicit CDownloadJobList(const CString& folder);
    // A list that never reads or writes the registry.
    struct Transient
    {
    };
    CDownloadJobList(Transient, const CString& folder);
    // Writes the jobs back, then lets their workers go (see ~).
    ~CDownloadJobList();
    CDownloadJobList(const CDownloadJobList&) = delete;
    CDownloadJobList& operator=(const CDownloadJobList&) = delete;

    // "Downloads" in the folder of the running executable.
    static CString DefaultFolder();
    const CString& GetFolder() const { return m_folder; }

    // Appends a job for the URL and starts its worker; a URL already listed
    // (exactly, letter case included) is ignored and answers true. An URL
    // that is no http or https address, holds control bytes or is absurdly
    // long is refused: false, and nothing changes.
    bool AddJob(const CString& url);
    unsigned JobCount();
    // The index-th job, 0 the oldest; null beyond the end. The job stays
    // valid while it is in the list.
    CDownloadJob* JobAt(unsigned index);
    // Whether the job is (still) in the list: a pointer kept from an earlier
    // JobAt must be checked before use, since removing its job frees it.
    bool Contains(const CDownloadJob* job);
    // Removes a Failed or Finished job and its subkey; the file stays. Jobs
    // in other states are refused (false): their workers still run.
    bool RemoveJob(CDownloadJob* job);
    // Writes every job's subkey now; the destructor does it too.
    void Save();
    // Writes the subkeys of jobs that finished or failed since the last
    // write, so a finished file stays known even if the program is killed.
    void SaveEnded();

private:
    struct Entry
    {
        std::shared_ptr<CDownloadJob> job;
        CString keyName;
        CString fileName;
        // As loaded: kept while the job has not yet found out itself.
        uint64_t completeSize = 0;
        // The state when the subkey was last written.
        int savedState = -1;
    };

    void Load();
    // fresh: added now (not loaded), so its key and file name are chosen
    // here, avoiding files already on disk, and its subkey written at once.
    bool Append(const CString& url, const CString& keyName, const CString& storedFileName,
                uint64_t completeSize, bool fresh);
    bool IsKeyNameTaken(const CString& name) const;
    bool IsFileNameTaken(const CString& name) const;
    CString ChooseKeyName(const CString& url) const;
    // The first of name, "name (2)", "name (3)", ... that no other job uses
    // and, except for a name the job may already own on disk, that names no
    // existing file. Empty when none is free.
    CString ChooseFileName(const CString& name, bool mayExist) const;
    // Longest file name that still fits the folder into MAX_PATH, with room
    // for a number; 0 when none fits.
    size_t FileNameBudget() const;
    // The folder, "\" and the name, when that path lies directly in the
    // folder; empty otherwise.
    CString LocalPath(const CString& fileName) const;
    void WriteEntry(Entry& entry) const;

    CString m_folder;
    std::list<Entry> m_jobs;
    Common::CUniqueKey m_key;
};

// The job list of the process, with static lifetime: loaded after the
// settings, destroyed before them.
CDownloadJobList& DownloadJobs();
} // namespace Download
} // namespace Content
