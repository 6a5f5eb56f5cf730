// What is on the screen, read back as a user's eyes would see it.
#pragma once
#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

struct Pixels {
    int width = 0, height = 0;
    std::vector<uint32_t> rgb;  // 0xRRGGBB, rows from the top
    uint32_t at(int x, int y) const { return rgb[(size_t)y * width + x]; }
};

// The screen's pixels over a rectangle in screen coordinates.
Pixels grabScreen(const RECT& area);
Pixels grabWindow(HWND window);
// As a 24-bit .bmp file.
bool saveBitmap(const Pixels& pixels, const std::string& path);
std::string bitmapFile(const Pixels& pixels);
