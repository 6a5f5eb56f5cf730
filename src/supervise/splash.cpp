#include "supervise/splash.h"

#include <windows.h>
#include <tlhelp32.h>

#include "files/text.h"
#include "config/config.h"
#include "config/state.h"

static const wchar_t SPLASH_CLASS[] = L"TarvoSplashScreen";
enum { FACE_CAP = 32 };
// Positions and the picture are in real pixels (the manifest declares DPI
// awareness, so nothing is stretched); point sizes are taken at the
// resolution a splash is designed at, so the text keeps its size against
// the picture on every screen.
enum { DESIGN_DPI = 96 };

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
static int splashWidth = 0, splashHeight = 0;

static void createLineFont(SplashLine* line, const LineIds& ids) {
    LOGFONTW font;
    ZeroMemory(&font, sizeof font);
    font.lfHeight = -MulDiv(configInt(ids.size), DESIGN_DPI, 72);
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
    BitBlt(dc, 0, 0, splashWidth, splashHeight, source, 0, 0, SRCCOPY);
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

static void readSplashConfiguration() {
    for (int i = 0; i < LINE_COUNT; ++i) {
        configStringWide(LINE_IDS[i].text, lines[i].text, TEXT_CAP);
        lines[i].x = configInt(LINE_IDS[i].x);
        lines[i].y = configInt(LINE_IDS[i].y);
        lines[i].colour = configColour(LINE_IDS[i].colour);
        lines[i].font = nullptr;
    }
    picture = (HBITMAP)LoadImageW(appInstance, L"ID_SPLASH_BMP", IMAGE_BITMAP, 0, 0, LR_DEFAULTCOLOR);
    // A size of 0 takes the picture's own.
    BITMAP size = {};
    if (picture) GetObjectW(picture, sizeof size, &size);
    splashWidth = configInt(CFG_SPLASH_WIDTH);
    splashHeight = configInt(CFG_SPLASH_HEIGHT);
    if (splashWidth <= 0) splashWidth = size.bmWidth;
    if (splashHeight <= 0) splashHeight = size.bmHeight < 0 ? -size.bmHeight : size.bmHeight;
}

static void createSplashWindow() {
    splashCreated = true;
    readSplashConfiguration();
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
    RECT desktop;
    GetWindowRect(GetDesktopWindow(), &desktop);
    int x = ((desktop.right - desktop.left) - splashWidth) / 2;
    int y = ((desktop.bottom - desktop.top) - splashHeight) / 2;
    splashWindow = CreateWindowExW(0, SPLASH_CLASS, title, WS_POPUP, x, y, splashWidth, splashHeight, nullptr,
                                   nullptr, appInstance, nullptr);
}

void showSplash(int showCommand) {
    if (showCommand == SW_HIDE) {
        if (splashWindow) ShowWindow(splashWindow, SW_HIDE);
        return;
    }
    if (!splashCreated) createSplashWindow();
    if (!splashWindow) return;
    ShowWindow(splashWindow, showCommand);
    if (configInt(CFG_SPLASH_TOPMOST)) SetWindowPos(splashWindow, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
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

static DWORD parentProcessId() {
    HANDLE snap = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snap == INVALID_HANDLE_VALUE) return 0;
    DWORD self = GetCurrentProcessId(), parent = 0;
    PROCESSENTRY32W entry;
    entry.dwSize = sizeof entry;
    for (BOOL more = Process32FirstW(snap, &entry); more && !parent; more = Process32NextW(snap, &entry))
        if (entry.th32ProcessID == self) parent = entry.th32ParentProcessID;
    CloseHandle(snap);
    return parent;
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
