// Pictures of windows for documentation and tests: what the screen shows of
// a window, saved as a 24-bit BMP and as a PNG (stored, uncompressed
// deflate: no compression library needed).
#pragma once

#include <windows.h>

#include <string>

// Repaints the window and saves its picture to both files; an empty
// bmpPath writes the PNG only. False when the window is empty or cannot be
// read or a file cannot be written.
bool SaveWindowPicture(HWND window, const std::string& bmpPath, const std::string& pngPath);
