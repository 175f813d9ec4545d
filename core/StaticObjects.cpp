// The objects that live before the entry point and after it returns. They
// are defined in this one file because their order matters: the single
// instance guard first, so a second copy ends before it loads anything; the
// settings next, since everything loaded after them reads the connection
// settings;
// then the download job list, whose workers start as it loads. Destruction
// runs the other way: the job list is written back while the settings still
// exist.
#include "Settings.h"
#include "SingleInstance.h"
#include "content/download/DownloadJobList.h"

namespace
{
CSingleInstance g_singleInstance;
CSettings g_settings;
Content::Download::CDownloadJobList g_downloadJobs(Content::Download::CDownloadJobList::DefaultFolder());
} // namespace

CSettings& Settings()
{
    return g_settings;
}

Content::Download::CDownloadJobList& Content::Download::DownloadJobs()
{
    return g_downloadJobs;
}
