// One running copy per user session. Two copies on one registry would both
// poll, both notify and both write the same keys (and two download workers
// would write one file), so a second start ends before anything of it is
// loaded, after asking the first copy to show its configuration sheet.
#pragma once

#include "common/UniqueHandle.h"

class CSingleInstance
{
public:
    // The panel's window text, by which a second start finds the first.
    static const char* const PanelWindowName;

    // Ends the process at once when another copy already runs.
    CSingleInstance();

private:
    Common::CUniqueKernelHandle m_mutex;
};
