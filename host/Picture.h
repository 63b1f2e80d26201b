// Pictures of windows for documentation and tests: what the screen shows of
// a window, saved as a 24-bit BMP and as a PNG (stored, uncompressed
// deflate: no compression library needed).
#pragma once

#include <windows.h>

#include <string>

// Repaints the window and saves its picture to both files; an empty
// bmpPath writes the PNG only. drawFrame paints the window's frame and
// caption into the picture, for displays without a window manager, where
// the screen shows none. False when the window is empty or cannot be read
// or a file cannot be written.
bool SaveWindowPicture(HWND window, const std::string& bmpPath, const std::string& pngPath,
                       bool drawFrame = false);
