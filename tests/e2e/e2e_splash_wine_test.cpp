// The splash window as the user sees it: its pixels read back from the
// screen while the launcher starts a scripted application.
#include <algorithm>

#include "launch_fixture.h"
#include "screen.h"

namespace {

const char SPLASH_CLASS[] = "TarvoSplashScreen";
const int BMP_W = 40, BMP_H = 30;
// Status line at (50, 5) in red, second line at (50, 30) in blue, 10 points:
// a line is at most this tall.
const int LINE_H = 18;
const RECT STATUS_BOX = {50, 5, 400, 5 + LINE_H};
const RECT LINE2_BOX = {50, 30, 400, 30 + LINE_H};

// Neither reddish nor bluish, and different at every pixel.
uint32_t picturePixel(int x, int y) {
    uint32_t grey = (uint32_t)x * 3;
    return grey << 16 | (uint32_t)(100 + y * 3) << 8 | grey;
}

std::vector<uint8_t> pictureFile() {
    Pixels p;
    p.width = BMP_W;
    p.height = BMP_H;
    for (int y = 0; y < BMP_H; ++y)
        for (int x = 0; x < BMP_W; ++x) p.rgb.push_back(picturePixel(x, y));
    std::string bytes = bitmapFile(p);
    return std::vector<uint8_t>(bytes.begin(), bytes.end());
}

bool reddish(uint32_t v) {
    int r = v >> 16, g = (v >> 8) & 0xFF, b = v & 0xFF;
    return r > g + 60 && r > b + 60;
}
bool bluish(uint32_t v) {
    int r = v >> 16, g = (v >> 8) & 0xFF, b = v & 0xFF;
    return b > r + 60 && b > g + 60;
}

// Where pixels of a colour lie: how many, and how many outside the box.
struct Ink {
    int inside = 0, outside = 0;
};
Ink inkOf(const Pixels& p, bool (*colour)(uint32_t), const RECT& box) {
    Ink ink;
    for (int y = 0; y < p.height; ++y)
        for (int x = 0; x < p.width; ++x) {
            if (!colour(p.at(x, y))) continue;
            bool in = x >= box.left && x < box.right && y >= box.top && y < box.bottom;
            ++(in ? ink.inside : ink.outside);
        }
    return ink;
}

// The splash's states as they stood on the screen for a while, in order:
// a frame that lasted less than a few polls was a moment of painting.
struct SplashFilm {
    HWND window = nullptr;
    std::vector<Pixels> frames;
    Pixels candidate;
    unsigned since = 0, last = 0;
    RECT rect = {};
    LONG exStyle = 0;

    void poll(const WatchReport& r, unsigned ms) {
        last = ms;
        if (!window)
            for (const SeenWindow& w : r.windows)
                if (w.className == SPLASH_CLASS) window = (HWND)w.handle;
        if (!window || !IsWindowVisible(window)) return;
        GetWindowRect(window, &rect);
        exStyle = GetWindowLongA(window, GWL_EXSTYLE);
        Pixels now = grabWindow(window);
        if (now.rgb == candidate.rgb) return;
        settle(ms);
        candidate = now;
        since = ms;
    }
    // A window all black is one the system has mapped and not yet given
    // its first paint: on a loaded machine that lasts longer than a poll.
    void settle(unsigned ms) {
        bool unpainted = std::all_of(candidate.rgb.begin(), candidate.rgb.end(), [](uint32_t c) { return c == 0; });
        if (!candidate.rgb.empty() && !unpainted && ms - since >= 60 &&
            (frames.empty() || frames.back().rgb != candidate.rgb))
            frames.push_back(candidate);
    }
    WatchOptions options() {
        WatchOptions o;
        o.eachPoll = [this](WatchReport& r, unsigned ms) { poll(r, ms); };
        return o;
    }
    // The frame that stood when the window went.
    void finish() { settle(last); }
};

struct SplashTest : LaunchTest {
    void configureSplash(const std::vector<std::pair<unsigned, std::string>>& extra = {}) {
        LauncherPlan plan;
        plan.splashBitmap = pictureFile();
        plan.strings = {{108, "1"},   {141, "160"},    {142, "60"},  {109, "50"}, {110, "5"},
                        {111, "Status"}, {113, "10"}, {114, "255,0,0"}, {115, "50"}, {116, "30"},
                        {117, "Second"}, {119, "10"}, {120, "0,0,255"}};
        for (auto& e : extra) plan.strings[e.first] = e.second;
        makeLauncher(exe, plan);
    }
};

TEST_F(SplashTest, ShowsPictureAndBothLinesCentredOnTopAndFollowsStatusRecords) {
    configureSplash();
    SplashFilm film;
    WatchReport r = runApplication(
        "sleep=700\ncomm=MLoading the modules|\nsleep=700\ncomm=M|\nsleep=700\ncomm=MOne\\nline|\nsleep=700",
        "", film.options());
    film.finish();
    EXPECT_EQ(0u, exitOf(r, "parent"));
    ASSERT_TRUE(film.window) << r.describe();
    ASSERT_GE(film.frames.size(), 4u) << r.describe();

    int screenW = GetSystemMetrics(SM_CXSCREEN), screenH = GetSystemMetrics(SM_CYSCREEN);
    EXPECT_EQ((screenW - 160) / 2, film.rect.left);
    EXPECT_EQ((screenH - 60) / 2, film.rect.top);
    EXPECT_EQ(160, film.rect.right - film.rect.left);
    EXPECT_EQ(60, film.rect.bottom - film.rect.top);
    EXPECT_TRUE(film.exStyle & WS_EX_TOPMOST);

    const Pixels& first = film.frames[0];
    for (auto xy : {std::make_pair(0, 0), {17, 11}, {BMP_W - 1, BMP_H - 1}, {BMP_W - 1, 0}})
        EXPECT_EQ(picturePixel(xy.first, xy.second), first.at(xy.first, xy.second)) << xy.first << "," << xy.second;
    for (auto xy : {std::make_pair(BMP_W, 0), {0, BMP_H}, {45, 55}, {159, 59}})
        EXPECT_EQ(0xC0C0C0u, first.at(xy.first, xy.second)) << xy.first << "," << xy.second;

    Ink status = inkOf(first, reddish, STATUS_BOX), second = inkOf(first, bluish, LINE2_BOX);
    EXPECT_GT(status.inside, 20);
    EXPECT_EQ(0, status.outside);
    EXPECT_GT(second.inside, 20);
    EXPECT_EQ(0, second.outside);

    Ink loading = inkOf(film.frames[1], reddish, STATUS_BOX);
    EXPECT_GT(loading.inside, status.inside) << "a longer text replaces the first";
    EXPECT_EQ(0, loading.outside);
    EXPECT_EQ(0, inkOf(film.frames[2], reddish, STATUS_BOX).inside) << "an empty record empties the line";
    EXPECT_GT(inkOf(film.frames[2], bluish, LINE2_BOX).inside, 20);
    Ink oneLine = inkOf(film.frames[3], reddish, STATUS_BOX);
    EXPECT_GT(oneLine.inside, 20);
    EXPECT_EQ(0, oneLine.outside) << "a line feed starts no second line";
}

TEST_F(SplashTest, ASmallerSplashCutsThePictureAndZeroTakesItsSize) {
    configureSplash({{141, "20"}, {142, "0"}, {147, "0"}});
    SplashFilm film;
    WatchReport r = runApplication("sleep=600", "", film.options());
    film.finish();
    EXPECT_EQ(0u, exitOf(r, "parent"));
    ASSERT_FALSE(film.frames.empty()) << r.describe();
    const Pixels& p = film.frames[0];
    EXPECT_EQ(20, p.width);
    EXPECT_EQ(BMP_H, p.height);
    EXPECT_EQ(picturePixel(19, BMP_H - 1), p.at(19, BMP_H - 1));
    EXPECT_FALSE(film.exStyle & WS_EX_TOPMOST);
}

TEST_F(SplashTest, IsHiddenWhenTheChildShowsItsError) {
    configureSplash({{145, "0"}});
    HWND splash = nullptr;
    bool hiddenAtBox = false, sawBox = false;
    WatchOptions o;
    o.eachPoll = [&](WatchReport& r, unsigned) {
        for (const SeenWindow& w : r.windows) {
            if (w.className == SPLASH_CLASS) splash = (HWND)w.handle;
            if (w.className == "#32770" && !sawBox) {
                sawBox = true;
                hiddenAtBox = splash && !IsWindowVisible(splash);
            }
        }
    };
    WatchReport r = run("", o);
    ASSERT_TRUE(sawBox) << r.describe();
    EXPECT_TRUE(hiddenAtBox) << r.describe();
    EXPECT_NE(std::string::npos, r.describe().find("No JVM could be found")) << r.describe();
}

TEST_F(SplashTest, ClosingItEndsTheParentWithZeroAndItsFilesAreStillRecorded) {
    configureSplash();
    bool closed = false;
    WatchOptions o;
    o.eachPoll = [&](WatchReport& r, unsigned ms) {
        for (const SeenWindow& w : r.windows)
            if (w.className == SPLASH_CLASS && !closed && ms > 300) {
                closed = true;
                PostMessageA((HWND)w.handle, WM_SYSCOMMAND, SC_CLOSE, 0);
            }
    };
    // Under a display without a window manager, Wine takes two seconds to
    // take a window off the screen; the application lives well beyond that.
    WatchReport r = runApplication("sleep=5000", "", o);
    EXPECT_EQ(0u, exitOf(r, "parent"));
    EXPECT_LT(endOf(r, "parent") + 1500, endOf(r, "child")) << r.describe();
    EXPECT_NE(std::string::npos, tempRecord().find(tmp + "\\tvo")) << tempRecord();
}

TEST_F(SplashTest, WithoutTheSwitchThereIsNoWindowAndStatusRecordsChangeNothing) {
    LauncherPlan plan;
    plan.splashBitmap = pictureFile();
    plan.strings = {{141, "160"}, {142, "60"}};
    makeLauncher(exe, plan);
    bool found = false;
    WatchOptions o;
    o.eachPoll = [&](WatchReport&, unsigned) { found = found || FindWindowA(SPLASH_CLASS, nullptr); };
    WatchReport r = runApplication("comm=MLoading|\nsleep=500", "", o);
    EXPECT_EQ(0u, exitOf(r, "parent"));
    EXPECT_FALSE(found) << r.describe();
}

}  // namespace

namespace {

// The screen at 200 %, as a user sets it: new processes read it at start.
struct Dpi192 {
    Dpi192() { set(192); }
    ~Dpi192() { set(96); }
    static void set(DWORD dpi) {
        for (const char* key : {"Control Panel\\Desktop", "Software\\Fonts"}) {
            HKEY root = strcmp(key, "Software\\Fonts") == 0 ? HKEY_CURRENT_CONFIG : HKEY_CURRENT_USER, k;
            if (RegCreateKeyExA(root, key, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &k, nullptr) != ERROR_SUCCESS)
                continue;
            RegSetValueExA(k, "LogPixels", 0, REG_DWORD, (const BYTE*)&dpi, sizeof dpi);
            RegCloseKey(k);
        }
    }
};

// The picture made for 200 %: twice the size, told apart from the first,
// and, like it, neither reddish nor bluish.
uint32_t picture200Pixel(int x, int y) {
    uint32_t grey = (uint32_t)x * 2;
    return grey << 16 | (uint32_t)(150 - y) << 8 | grey;
}

}  // namespace

TEST_F(SplashTest, At200PercentEverythingIsTwiceAsLargeAndTheLargerPictureIsTaken) {
    Dpi192 screen;
    for (bool withLarger : {true, false}) {
        LauncherPlan plan;
        plan.splashBitmap = pictureFile();
        if (withLarger) {
            Pixels p;
            p.width = 2 * BMP_W;
            p.height = 2 * BMP_H;
            for (int y = 0; y < p.height; ++y)
                for (int x = 0; x < p.width; ++x) p.rgb.push_back(picture200Pixel(x, y));
            std::string bytes = bitmapFile(p);
            plan.scaledSplashBitmaps[200] = std::vector<uint8_t>(bytes.begin(), bytes.end());
        }
        plan.strings = {{108, "1"}, {141, "160"}, {142, "60"}, {109, "50"}, {110, "5"}, {111, "Status"},
                        {113, "10"}, {114, "255,0,0"}, {117, ""}, {145, "0"}};
        makeLauncher(exe, plan);
        SplashFilm film;
        WatchReport r = runApplication("sleep=800", "", film.options());
        film.finish();
        ASSERT_FALSE(film.frames.empty()) << r.describe();
        const Pixels& p = film.frames[0];
        EXPECT_EQ(320, p.width);
        EXPECT_EQ(120, p.height);
        // Unscaled where it was made for the scale, smoothed where it is stretched.
        if (withLarger) {
            for (auto xy : {std::make_pair(0, 0), {33, 21}, {2 * BMP_W - 1, 2 * BMP_H - 1}})
                EXPECT_EQ(picture200Pixel(xy.first, xy.second), p.at(xy.first, xy.second)) << xy.first << "," << xy.second;
        } else {
            uint32_t v = p.at(2 * 17 + 1, 2 * 11 + 1), want = picturePixel(17, 11);
            EXPECT_NEAR((int)(want >> 8 & 0xFF), (int)(v >> 8 & 0xFF), 8) << std::hex << v;
        }
        EXPECT_EQ(0xC0C0C0u, p.at(2 * BMP_W + 1, 2 * BMP_H + 1));
        // The status line at (100, 10), its letters twice as tall.
        Ink status = inkOf(p, reddish, RECT{100, 10, 800, 10 + 2 * LINE_H});
        EXPECT_GT(status.inside, 80);
        EXPECT_EQ(0, status.outside);
    }
}
