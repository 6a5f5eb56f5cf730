#include "supervise/splash.h"

#include <windows.h>

#include "files/paths.h"
#include "files/text.h"
#include "files/trace.h"
#include "supervise/dpi.h"
#include "config/config.h"
#include "config/state.h"

static const wchar_t SPLASH_CLASS[] = L"TarvoSplashScreen";
enum { FACE_CAP = 32 };
// A splash is designed at 96 dots per inch. The parent is per-monitor
// aware, so nothing is stretched for it: positions, sizes and the picture
// are scaled here by the DPI of the monitor that shows the splash, from the
// picture made for the nearest scale at or above it where the product has
// one.
enum { DESIGN_DPI = 96 };
static const int PICTURE_SCALES[] = {100, 125, 150, 175, 200, 250, 300};
enum { SCALE_COUNT = sizeof PICTURE_SCALES / sizeof PICTURE_SCALES[0] };

struct LineIds {
    ConfigId text, x, y, face, size, colour, weight;
};
static const LineIds LINE_IDS[] = {
    {CFG_STATUS_TEXT, CFG_STATUS_X, CFG_STATUS_Y, CFG_STATUS_FONT, CFG_STATUS_SIZE, CFG_STATUS_COLOUR,
     CFG_STATUS_WEIGHT},
    {CFG_LINE2_TEXT, CFG_LINE2_X, CFG_LINE2_Y, CFG_LINE2_FONT, CFG_LINE2_SIZE, CFG_LINE2_COLOUR, CFG_LINE2_WEIGHT},
};
enum { LINE_COUNT = sizeof LINE_IDS / sizeof LINE_IDS[0] };

struct SplashLine {
    wchar_t text[TEXT_CAP];
    int x, y;
    COLORREF colour;
    HFONT font;
};

static SplashLine lines[LINE_COUNT];
static HWND splashWindow = nullptr;
static bool splashCreated = false;
static HBITMAP picture = nullptr;  // loaded once, kept while the process lives
static int pictureWidth = 0, pictureHeight = 0;  // its own pixels
static int drawnWidth = 0, drawnHeight = 0;      // on the screen
static int splashWidth = 0, splashHeight = 0;
static unsigned splashDpi = DESIGN_DPI;

static int scaled(int designed) { return MulDiv(designed, (int)splashDpi, DESIGN_DPI); }

static void createLineFont(SplashLine* line, const LineIds& ids) {
    LOGFONTW font;
    ZeroMemory(&font, sizeof font);
    font.lfHeight = -MulDiv(configInt(ids.size), (int)splashDpi, 72);
    font.lfWeight = configInt(ids.weight);
    font.lfCharSet = ANSI_CHARSET;
    font.lfPitchAndFamily = FF_SWISS | DEFAULT_PITCH;
    if (!configStringWide(ids.face, font.lfFaceName, FACE_CAP)) {
        LOGFONTW gui;
        if (GetObjectW(GetStockObject(DEFAULT_GUI_FONT), sizeof gui, &gui))
            CopyMemory(font.lfFaceName, gui.lfFaceName, sizeof font.lfFaceName);
    }
    line->font = CreateFontIndirectW(&font);
}

static void createSplashFonts() {
    if (lines[0].font) return;
    for (int i = 0; i < LINE_COUNT; ++i) createLineFont(&lines[i], LINE_IDS[i]);
}

static void drawLine(HDC dc, const SplashLine& line) {
    if (line.font) SelectObject(dc, line.font);
    SetTextColor(dc, line.colour);
    TextOutW(dc, line.x, line.y, line.text, lstrlenW(line.text));
}

static void drawPicture(HDC dc, HDC paintDc) {
    if (!picture) return;
    HDC source = CreateCompatibleDC(paintDc);
    HGDIOBJ old = SelectObject(source, picture);
    if (drawnWidth == pictureWidth && drawnHeight == pictureHeight) {
        BitBlt(dc, 0, 0, drawnWidth, drawnHeight, source, 0, 0, SRCCOPY);
    } else {
        SetStretchBltMode(dc, HALFTONE);
        SetBrushOrgEx(dc, 0, 0, nullptr);
        StretchBlt(dc, 0, 0, drawnWidth, drawnHeight, source, 0, 0, pictureWidth, pictureHeight, SRCCOPY);
    }
    SelectObject(source, old);
    DeleteDC(source);
}

// One copy to the screen from a memory bitmap, so nothing flickers.
static void paintSplash() {
    PAINTSTRUCT ps;
    HDC paintDc = BeginPaint(splashWindow, &ps);
    createSplashFonts();
    HDC dc = CreateCompatibleDC(paintDc);
    HBITMAP buffer = CreateCompatibleBitmap(paintDc, splashWidth, splashHeight);
    HGDIOBJ oldBitmap = SelectObject(dc, buffer);
    RECT all = {0, 0, splashWidth, splashHeight};
    FillRect(dc, &all, (HBRUSH)GetStockObject(LTGRAY_BRUSH));
    drawPicture(dc, paintDc);
    int oldMode = SetBkMode(dc, TRANSPARENT);
    HGDIOBJ oldFont = GetCurrentObject(dc, OBJ_FONT);
    COLORREF oldColour = GetTextColor(dc);
    for (const SplashLine& line : lines) drawLine(dc, line);
    SelectObject(dc, oldFont);
    SetTextColor(dc, oldColour);
    SetBkMode(dc, oldMode);
    BitBlt(paintDc, 0, 0, splashWidth, splashHeight, dc, 0, 0, SRCCOPY);
    SelectObject(dc, oldBitmap);
    DeleteObject(buffer);
    DeleteDC(dc);
    EndPaint(splashWindow, &ps);
}

static LRESULT CALLBACK splashWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_PAINT: paintSplash(); return 0;
        case WM_ERASEBKGND: return 1;  // the paint covers the whole window
        case WM_DESTROY: PostQuitMessage(0); return 0;
        default: return DefWindowProcW(window, message, wParam, lParam);
    }
}

static HBITMAP loadPicture(int scale) {
    wchar_t name[32] = L"ID_SPLASH_BMP";
    if (scale != 100) wsprintfW(name + lstrlenW(name), L"_%d", scale);
    return (HBITMAP)LoadImageW(appInstance, name, IMAGE_BITMAP, 0, 0, LR_DEFAULTCOLOR);
}

// The picture made for the nearest scale at or above the screen's, else
// the largest there is; drawn at its designed size times the screen's scale.
static void choosePicture() {
    int wanted = MulDiv((int)splashDpi, 100, DESIGN_DPI), scale = 0;
    for (int i = 0; i < SCALE_COUNT && !(picture && scale >= wanted); ++i) {
        HBITMAP candidate = loadPicture(PICTURE_SCALES[i]);
        if (!candidate) continue;
        if (picture) DeleteObject(picture);
        picture = candidate;
        scale = PICTURE_SCALES[i];
    }
    BITMAP size = {};
    if (picture) GetObjectW(picture, sizeof size, &size);
    pictureWidth = size.bmWidth;
    pictureHeight = size.bmHeight < 0 ? -size.bmHeight : size.bmHeight;
    drawnWidth = scale ? MulDiv(pictureWidth, (int)splashDpi * 100, DESIGN_DPI * scale) : 0;
    drawnHeight = scale ? MulDiv(pictureHeight, (int)splashDpi * 100, DESIGN_DPI * scale) : 0;
}

// The work area of the monitor that holds the cursor: where the user looks,
// and clear of the taskbar.
static RECT splashArea() {
    POINT cursor = {0, 0};
    GetCursorPos(&cursor);
    MONITORINFO info;
    info.cbSize = sizeof info;
    if (GetMonitorInfoW(MonitorFromPoint(cursor, MONITOR_DEFAULTTOPRIMARY), &info)) return info.rcWork;
    RECT desktop;
    GetWindowRect(GetDesktopWindow(), &desktop);
    return desktop;
}

static void readSplashConfiguration(const RECT& area) {
    POINT centre = {(area.left + area.right) / 2, (area.top + area.bottom) / 2};
    splashDpi = monitorDpi(centre);
    char dpi[16] = "";
    appendUnsigned(dpi, sizeof dpi, splashDpi);
    trace({"parent: the splash's screen has ", dpi, " dots per inch"});
    for (int i = 0; i < LINE_COUNT; ++i) {
        configStringWide(LINE_IDS[i].text, lines[i].text, TEXT_CAP);
        lines[i].x = scaled(configInt(LINE_IDS[i].x));
        lines[i].y = scaled(configInt(LINE_IDS[i].y));
        lines[i].colour = configColour(LINE_IDS[i].colour);
        lines[i].font = nullptr;
    }
    choosePicture();
    // A size of 0 takes the picture's own.
    splashWidth = scaled(configInt(CFG_SPLASH_WIDTH));
    splashHeight = scaled(configInt(CFG_SPLASH_HEIGHT));
    if (splashWidth <= 0) splashWidth = drawnWidth;
    if (splashHeight <= 0) splashHeight = drawnHeight;
}

static void createSplashWindow() {
    splashCreated = true;
    RECT area = splashArea();
    readSplashConfiguration(area);
    // Without a size there is nothing to show, and an invisible window would
    // only take the focus.
    if (splashWidth <= 0 || splashHeight <= 0) return;
    WNDCLASSW wc;
    ZeroMemory(&wc, sizeof wc);
    wc.style = CS_OWNDC | CS_HREDRAW | CS_VREDRAW;
    wc.lpfnWndProc = splashWindowProc;
    wc.hInstance = appInstance;
    wc.hIcon = LoadIconW(appInstance, L"ID_SPLASH_ICON");
    wc.hCursor = LoadCursorW(nullptr, (LPCWSTR)IDC_ARROW);
    wc.hbrBackground = (HBRUSH)(COLOR_WINDOW + 1);
    wc.lpszClassName = SPLASH_CLASS;
    RegisterClassW(&wc);
    wchar_t title[TEXT_CAP];
    configStringWide(CFG_TITLE, title, TEXT_CAP);
    int x = area.left + ((area.right - area.left) - splashWidth) / 2;
    int y = area.top + ((area.bottom - area.top) - splashHeight) / 2;
    splashWindow = CreateWindowExW(0, SPLASH_CLASS, title, WS_POPUP, x, y, splashWidth, splashHeight, nullptr,
                                   nullptr, appInstance, nullptr);
}

void hideSplash() {
    if (splashWindow) ShowWindow(splashWindow, SW_HIDE);
}

void showSplash() {
    if (!splashCreated) {
        unsigned long refused = 0;
        const char* awareness = setDpiAwareness(true, &refused);
        traceDpiAwareness("parent: DPI awareness ", awareness, "", refused);
        createSplashWindow();
    }
    if (!splashWindow) return;
    // Shown through its position, which the start-up show command, meant for
    // an application's first ShowWindow, does not touch.
    SetWindowPos(splashWindow, configInt(CFG_SPLASH_TOPMOST) ? HWND_TOPMOST : HWND_TOP, 0, 0, 0, 0,
                 SWP_NOMOVE | SWP_NOSIZE | SWP_SHOWWINDOW);
    // The message loop starts only after the files are written and the child
    // is started; the picture must not wait for that.
    UpdateWindow(splashWindow);
}

void setSplashStatus(const char* text) {
    if (!splashWindow) return;
    int n = MultiByteToWideChar(CP_UTF8, 0, text, (int)utf8Prefix(text, TEXT_CAP - 1), lines[0].text, TEXT_CAP - 1);
    lines[0].text[n > 0 ? n : 0] = L'\0';
    InvalidateRect(splashWindow, nullptr, FALSE);
    UpdateWindow(splashWindow);
}

void hideParentSplash(bool beforeError) {
    if (!beforeError) return;
    DWORD parent = parentProcessId();
    if (!parent) return;
    for (HWND w = FindWindowExW(nullptr, nullptr, SPLASH_CLASS, nullptr); w;
         w = FindWindowExW(nullptr, w, SPLASH_CLASS, nullptr)) {
        DWORD owner = 0;
        GetWindowThreadProcessId(w, &owner);
        if (owner == parent) ShowWindow(w, SW_HIDE);
    }
}
