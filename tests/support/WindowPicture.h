// Saves what a window shows on the screen as build/screenshots/<name>.bmp,
// for a person to look at; tests never compare these pictures.
#pragma once

#include <windows.h>

#include <string>

void SaveWindowPicture(HWND window, const std::string& name);
