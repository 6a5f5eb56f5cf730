#include "screen.h"

#include <cstdio>

Pixels grabScreen(const RECT& area) {
    Pixels out;
    out.width = area.right - area.left;
    out.height = area.bottom - area.top;
    if (out.width <= 0 || out.height <= 0) return Pixels();
    BITMAPINFO info;
    ZeroMemory(&info, sizeof info);
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = out.width;
    info.bmiHeader.biHeight = -out.height;  // top-down
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    void* bits = nullptr;
    HBITMAP dib = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ old = SelectObject(memory, dib);
    BitBlt(memory, 0, 0, out.width, out.height, screen, area.left, area.top, SRCCOPY);
    GdiFlush();
    const uint32_t* p = (const uint32_t*)bits;
    out.rgb.assign(p, p + (size_t)out.width * out.height);
    for (uint32_t& v : out.rgb) v &= 0xFFFFFF;
    SelectObject(memory, old);
    DeleteObject(dib);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    return out;
}

Pixels grabWindow(HWND window) {
    RECT r;
    if (!GetWindowRect(window, &r)) return Pixels();
    return grabScreen(r);
}

static void put32(std::string* s, uint32_t v) {
    for (int i = 0; i < 4; ++i) s->push_back((char)(v >> (8 * i)));
}

std::string bitmapFile(const Pixels& p) {
    uint32_t row = (uint32_t)(p.width * 3 + 3) & ~3u;
    std::string s = "BM";
    put32(&s, 54 + row * p.height);
    put32(&s, 0);
    put32(&s, 54);
    put32(&s, 40);
    put32(&s, (uint32_t)p.width);
    put32(&s, (uint32_t)p.height);
    s += std::string("\x01\x00\x18\x00", 4);
    for (int i = 0; i < 6; ++i) put32(&s, 0);
    for (int y = p.height - 1; y >= 0; --y) {
        std::string line;
        for (int x = 0; x < p.width; ++x) {
            uint32_t v = p.at(x, y);
            line += {(char)(v & 0xFF), (char)((v >> 8) & 0xFF), (char)((v >> 16) & 0xFF)};
        }
        line.resize(row, '\0');
        s += line;
    }
    return s;
}

bool saveBitmap(const Pixels& pixels, const std::string& path) {
    FILE* f = fopen(path.c_str(), "wb");
    if (!f) return false;
    std::string bytes = bitmapFile(pixels);
    bool ok = fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    return fclose(f) == 0 && ok;
}
