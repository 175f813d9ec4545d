// Stands in for <windows.h> while the Windows-free code compiles, so that a
// Windows include there fails in the Windows build too, not only natively.
#error "Windows-free code must not include <windows.h>: move the call into a platform file"
