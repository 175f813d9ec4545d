// Test programs get a settings record that holds defaults and never reads or
// writes the registry; each test builds its own record inside a sandbox.
// Likewise their process-wide job list never touches the registry and keeps
// its files in the temporary folder; tests that download build lists of
// their own, each in its own sandbox and folder.
#include "content/download/DownloadJobList.h"
#include "core/Settings.h"

#include <windows.h>

using Content::Download::CDownloadJobList;

CSettings& Settings()
{
    static CSettings settings{CSettings::DefaultsOnly()};
    return settings;
}

CDownloadJobList& Content::Download::DownloadJobs()
{
    static CDownloadJobList jobs{CDownloadJobList::Transient(), []
                                 {
                                     char temp[MAX_PATH] = {};
                                     ::GetTempPathA(MAX_PATH, temp);
                                     CString folder(temp);
                                     folder += "tidelight-test-downloads";
                                     return folder;
                                 }()};
    return jobs;
}
