// The "tidelight" value under the current user's Run key, which starts the
// program at log-on. It counts as enabled only while it names this very
// executable, byte for byte.
#pragma once

bool IsAutorunEnabled();
void SetAutorun(bool enable);
