// Polls a condition for up to ten seconds (generous: CI machines are slow);
// returns whether it became true. Tests assert on the result, never on time.
#pragma once

#include <windows.h>

template <typename Condition> bool WaitUntil(Condition condition, DWORD milliseconds = 10000)
{
    for (DWORD waited = 0; waited < milliseconds && !condition(); waited += 10)
    {
        ::Sleep(10);
    }
    return condition();
}
