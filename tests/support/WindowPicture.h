// Saves what the part of a window on the screen shows as
// build/screenshots/<name>.bmp, for a person to look at; tests never compare
// these pictures.
#pragma once

#include <windows.h>

#include <string>

void SaveWindowPicture(HWND window, const std::string& name);
