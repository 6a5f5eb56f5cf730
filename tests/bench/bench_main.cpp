// make bench: what the launcher costs, each figure against its floor,
// measured in alternated rounds in one run; the median of the rounds counts.
//   bench OUT.json   (architecture from TARVO_ARCH, like the tests)
#include <windows.h>

#include <psapi.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "screen.h"
#include "app/options_file_text.h"
#include "testkit.h"
#include "watch.h"

namespace {

const int ROUNDS = 9;
// The rows that copy tens of megabytes: a warm-up round (the first meets a
// cold cache by design), then five that count.
const int COPY_ROUNDS = 6;

// The rounds that count, the warm-up left out.
void keepAfterWarmUp(std::vector<double>* rounds) {
    if (rounds->size() > 1) rounds->erase(rounds->begin());
}

uint64_t now() {
    FILETIME t;
    GetSystemTimeAsFileTime(&t);
    return ((uint64_t)t.dwHighDateTime << 32) | t.dwLowDateTime;
}

double median(std::vector<double> v) {
    if (v.empty()) return -1;
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

int lines(const std::string& file) {
    std::string s = readFile(file);
    return (int)std::count(s.begin(), s.end(), '\n');
}

// Starts a program, waits for it, and gives the milliseconds from the start
// to the VM's creation as the stand-in VM recorded them; -1 when it did not.
double msToCreate(const std::string& commandLine, const std::string& cwd, const std::string& record,
                  size_t* peakMb = nullptr, bool limited = false) {
    DeleteFileA(record.c_str());
    STARTUPINFOA si = {};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi;
    std::string line = commandLine;
    static HANDLE token = (HANDLE)limitedToken();
    uint64_t start = now();
    const char* dir = cwd.empty() ? nullptr : cwd.c_str();
    BOOL made = limited && token
                    ? CreateProcessAsUserA(token, nullptr, &line[0], nullptr, nullptr, FALSE, 0, nullptr, dir, &si, &pi)
                    : CreateProcessA(nullptr, &line[0], nullptr, nullptr, FALSE, 0, nullptr, dir, &si, &pi);
    if (!made) return -1;
    WaitForSingleObject(pi.hProcess, 60000);
    if (peakMb) {
        PROCESS_MEMORY_COUNTERS m = {};
        GetProcessMemoryInfo(pi.hProcess, &m, sizeof m);
        *peakMb = m.PeakPagefileUsage / (1024 * 1024);
    }
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    if (record.empty()) return 0;
    for (int i = 0; i < 100; ++i) {
        std::string r = readFile(record);
        size_t at = r.rfind("create-at=");
        if (at != std::string::npos) return (double)(std::stoull(r.substr(at + 10)) - start) / 10000.0;
        Sleep(20);
    }
    return -1;
}

struct Bench {
    ScratchDir dir{"bench"};
    std::string json, table;

    std::string home(const std::string& name, bool release) {
        std::string h = dir / name, bin = h + "\\bin";
        for (const std::string& d : {h, bin, bin + "\\server"}) CreateDirectoryA(d.c_str(), nullptr);
        for (const char* exe : {"\\java.exe", "\\javaw.exe"})
            CopyFileA(standinPath("java_standin.exe").c_str(), (bin + exe).c_str(), FALSE);
        CopyFileA(standinPath("lib_jvm_modern.dll").c_str(), (bin + "\\server\\jvm.dll").c_str(), FALSE);
        CopyFileA(standinPath("lib_rt_standin.dll").c_str(), (bin + "\\lib_rt_standin.dll").c_str(), FALSE);
        if (release) writeFile(h + "\\release", "JAVA_VERSION=\"17.0.9\"\n");
        writeFile(bin + "\\java.script", "say=openjdk version \"17.0.9\" 2023-10-17\\n\n");
        writeFile(bin + "\\server\\jvm.script", "");
        return h;
    }

    void row(const std::string& key, const std::string& shown, const std::string& raw) {
        char line[512];
        snprintf(line, sizeof line, "| %-34s | %s |\n", key.c_str(), shown.c_str());
        table += line;
        json += (json.empty() ? "" : ",\n") + std::string("  \"") + key + "\": " + raw;
    }

    static std::string list(const std::vector<double>& v) {
        std::string s = "[";
        for (double d : v) s += (s.size() > 1 ? ", " : "") + std::to_string((int)(d + 0.5));
        return s + "]";
    }

    // The launcher and the floor, alternated; a cold row empties the cache
    // before each launcher round.
    void startRow(const std::string& key, const std::string& launcher, const std::string& javaHome,
                  bool cold, const char* target) {
        ScopedEnv java("JAVA_HOME", javaHome.c_str());
        std::string bin = javaHome + "\\bin", record = bin + "\\server\\jvm.record";
        std::string floorLine = "\"" + standinPath("floor_loader.exe") + "\" \"" + bin + "\\server\\jvm.dll\"";
        if (!cold) msToCreate("\"" + launcher + "\"", "", record);  // fills the cache
        int probesBefore = lines(bin + "\\java.runs");
        std::vector<double> mine, floor;
        for (int i = 0; i < ROUNDS; ++i) {
            if (cold) deleteRegistryTree("SOFTWARE\\brannoc\\tarvo\\jvms");
            mine.push_back(msToCreate("\"" + launcher + "\"", "", record));
            floor.push_back(msToCreate(floorLine, bin, record));
        }
        int probes = lines(bin + "\\java.runs") - probesBefore;
        char shown[256];
        snprintf(shown, sizeof shown, "%.0f ms against %.0f ms: %.2fx (target %s)%s", median(mine), median(floor),
                 median(mine) / median(floor), target,
                 cold ? (", " + std::to_string(probes) + " probes in " + std::to_string(ROUNDS) + " starts").c_str()
                      : "");
        row(key, shown,
            "{\"ms\": " + list(mine) + ", \"floor_ms\": " + list(floor) + ", \"ratio\": " +
                std::to_string(median(mine) / median(floor)) + ", \"probes\": " + std::to_string(probes) + "}");
    }

    // The launcher's own cost of class data sharing: the same start with and
    // without it, alternated, the archive's name hashed from a class path of
    // 100 jars (their sizes and times, never their bytes).
    void sharingRow(const std::string& javaHome) {
        ScopedEnv java("JAVA_HOME", javaHome.c_str());
        std::string local = dir / "local", jars = dir / "jars", classPath = "128=EJAVA_HOME;";
        CreateDirectoryA(local.c_str(), nullptr);
        CreateDirectoryA(jars.c_str(), nullptr);
        ScopedEnv data("LOCALAPPDATA", local.c_str());
        std::string entries;
        for (int i = 0; i < 100; ++i) {
            std::string jar = jars + "\\lib" + std::to_string(i) + ".jar";
            writeFile(jar, std::string(1000 + i, 'j'));
            entries += "A1" + jar + ";";
        }
        std::string with = dir / "app\\sharing.exe", without = dir / "app\\plain.exe";
        makeLauncher(with, {"128=EJAVA_HOME;", "2001=x", "121=" + entries, "159=1"});
        makeLauncher(without, {"128=EJAVA_HOME;", "2001=x", "121=" + entries, "159=0"});
        std::string record = javaHome + "\\bin\\server\\jvm.record";
        writeFile(javaHome + "\\bin\\server\\classes.jsa", "base archive");
        msToCreate("\"" + with + "\"", "", record);
        std::vector<double> mine, plain;
        for (int i = 0; i < ROUNDS; ++i) {
            mine.push_back(msToCreate("\"" + with + "\"", "", record));
            plain.push_back(msToCreate("\"" + without + "\"", "", record));
        }
        char shown[256];
        snprintf(shown, sizeof shown, "%.0f ms with, %.0f ms without: %+.0f ms (target none)", median(mine),
                 median(plain), median(mine) - median(plain));
        row("class_data_sharing_cost", shown, "{\"ms\": " + list(mine) + ", \"without_ms\": " + list(plain) + "}");
    }

    // Layers of options as large as no file holds: the merge against a plain
    // copy of the same list.
    void mergeRow() {
        enum { OPTIONS = 100000 };
        std::vector<double> mine, floor;
        auto now = [] {
            LARGE_INTEGER t, f;
            QueryPerformanceCounter(&t);
            QueryPerformanceFrequency(&f);
            return (double)t.QuadPart * 1000.0 / (double)f.QuadPart;
        };
        for (int round = 0; round < ROUNDS; ++round) {
            StringList options = {nullptr, 0, 0}, copy = {nullptr, 0, 0};
            for (int i = 0; i < OPTIONS; ++i)
                addString(&options, ("-Dkey" + std::to_string(i % (OPTIONS / 3 * 2)) + "=" + std::to_string(i)).c_str());
            double start = now();
            for (size_t i = 0; i < options.count; ++i) addString(&copy, options.items[i]);
            floor.push_back(now() - start);
            start = now();
            mergeOptions(&options, nullptr);
            mine.push_back(now() - start);
            freeStringList(&options);
            freeStringList(&copy);
        }
        char shown[160];
        snprintf(shown, sizeof shown, "100000 options in %.1f ms, a plain copy in %.1f ms: %.2fx (target 5x)",
                 median(mine), median(floor), median(mine) / median(floor));
        row("options_merge_100k", shown, "{\"ms\": " + list(mine) + ", \"floor_ms\": " + list(floor) + "}");
    }

    void parentEndRow(const std::string& launcher, const std::string& javaHome) {
        ScopedEnv java("JAVA_HOME", javaHome.c_str());
        std::string script = javaHome + "\\bin\\server\\jvm.script";
        writeFile(script, "window\nsleep=1500\n");
        std::vector<double> after;
        for (int i = 0; i < ROUNDS; ++i) {
            WatchOptions options;
            options.commandLine = "\"" + launcher + "\"";
            WatchReport r = watchProgram(options);
            const EndedProcess* parent = r.byRole("parent");
            if (!r.windows.empty() && parent && parent->ended)
                after.push_back((double)parent->endedMs - r.windows[0].atMs);
        }
        writeFile(script, "");
        char shown[128];
        snprintf(shown, sizeof shown, "%.0f ms after the window (target 150 ms)", median(after));
        row("parent_end_after_window", shown, "{\"ms\": " + list(after) + "}");
    }

    // When the first window of the given class is on the screen.
    static double msToWindow(const std::string& commandLine, const std::string& className) {
        WatchOptions options;
        options.commandLine = commandLine;
        options.timeoutMs = 10000;
        WatchReport r = watchProgram(options);
        for (const SeenWindow& w : r.windows)
            if (w.className == className) return w.atMs;
        return -1;
    }

    void splashRow(const std::string& javaHome) {
        ScopedEnv java("JAVA_HOME", javaHome.c_str());
        Pixels picture;
        picture.width = 400;
        picture.height = 200;
        picture.rgb.assign(400 * 200, 0x204060);
        std::string bmp = bitmapFile(picture);
        LauncherPlan plan;
        plan.splashBitmap.assign(bmp.begin(), bmp.end());
        plan.strings = {{108, "1"}, {111, "Loading"}, {117, "Product 1.0"}, {128, "EJAVA_HOME;"}, {2001, "x"}};
        std::string launcher = dir / "splash\\launch.exe";
        CreateDirectoryA((dir / "splash").c_str(), nullptr);
        makeLauncher(launcher, plan);
        std::vector<double> mine, floor;
        for (int i = 0; i < ROUNDS; ++i) {
            mine.push_back(msToWindow("\"" + launcher + "\"", "TarvoSplashScreen"));
            floor.push_back(msToWindow("\"" + standinPath("trivial_window.exe") + "\"", "Static"));
        }
        char shown[192];
        snprintf(shown, sizeof shown, "%.0f ms against a trivial window's %.0f ms: %.2fx (target 1.20x)",
                 median(mine), median(floor), median(mine) / median(floor));
        row("splash_latency", shown,
            "{\"ms\": " + list(mine) + ", \"floor_ms\": " + list(floor) + ", \"ratio\": " +
                std::to_string(median(mine) / median(floor)) + "}");
    }

    void extractionRow(const std::string& small, const std::string& javaHome) {
        ScopedEnv java("JAVA_HOME", javaHome.c_str());
        const size_t part = 50u << 20;
        LauncherPlan plan;
        plan.includeGiven = true;
        std::vector<std::string> sources;
        for (int i = 0; i < 4; ++i) {
            std::vector<uint8_t> bytes(part, (uint8_t)(i + 1));
            std::string source = dir / ("part" + std::to_string(i) + ".jar");
            writeFile(source, std::string(bytes.begin(), bytes.end()));
            sources.push_back(source);
            plan.included.push_back({"part" + std::to_string(i) + ".jar", std::move(bytes)});
        }
        std::string big = dir / "big\\launch.exe";
        CreateDirectoryA((dir / "big").c_str(), nullptr);
        makeLauncher(big, plan);
        std::string record = javaHome + "\\bin\\server\\jvm.record";
        std::vector<double> withFiles, without, copies;
        size_t peak = 0;
        for (int i = 0; i < COPY_ROUNDS; ++i) {
            withFiles.push_back(msToCreate("\"" + big + "\"", "", record, &peak));
            without.push_back(msToCreate("\"" + small + "\"", "", record));
            uint64_t start = now();
            for (size_t k = 0; k < sources.size(); ++k)
                CopyFileA(sources[k].c_str(), (sources[k] + ".copy").c_str(), FALSE);
            copies.push_back((double)(now() - start) / 10000.0);
            for (const std::string& s : sources) DeleteFileA((s + ".copy").c_str());
        }
        for (auto* rounds : {&withFiles, &without, &copies}) keepAfterWarmUp(rounds);
        copyRow("extraction_200mb", "200 MB", median(withFiles) - median(without), copies, peak,
                "\"with_files_ms\": " + list(withFiles) + ", \"without_ms\": " + list(without));
    }

    // A copy out of the launcher against a plain copy of the same files.
    void copyRow(const std::string& key, const char* what, double extraction, const std::vector<double>& copies,
                 size_t peak, const std::string& raw) {
        char shown[256];
        snprintf(shown, sizeof shown,
                 "%s in %.0f ms, a plain copy in %.0f ms: %.2fx its throughput (target 0.8x); parent's peak "
                 "private memory %zu MB (target 64 MB)",
                 what, extraction, median(copies), median(copies) / extraction, peak);
        row(key, shown,
            "{" + raw + ", \"copy_ms\": " + list(copies) + ", \"peak_private_mb\": " + std::to_string(peak) + "}");
    }

    // A stand-in runtime of about 60 MB as jlink lays one out: the VM, many
    // small files in nested folders and one large lib\modules.
    std::vector<IncludedFile> runtimeFiles(const std::string& javaHome) {
        std::vector<IncludedFile> files;
        for (const char* name : {"bin\\java.exe", "bin\\javaw.exe", "bin\\lib_rt_standin.dll",
                                 "bin\\server\\jvm.dll", "bin\\server\\jvm.script", "release"}) {
            std::string bytes = readFile(javaHome + "\\" + name);
            files.push_back({name, std::vector<uint8_t>(bytes.begin(), bytes.end())});
        }
        for (int i = 0; i < 480; ++i)
            files.push_back({"lib\\part" + std::to_string(i % 12) + "\\file" + std::to_string(i) + ".dat",
                             std::vector<uint8_t>(16384, (uint8_t)i)});
        files.push_back({"lib\\modules", std::vector<uint8_t>(52u << 20, 7)});
        std::sort(files.begin(), files.end(),
                  [](const IncludedFile& a, const IncludedFile& b) { return a.name < b.name; });
        return files;
    }

    static void writeTree(const std::string& folder, const std::vector<IncludedFile>& files) {
        for (const IncludedFile& f : files) {
            std::string path = folder + "\\" + f.name;
            for (size_t at = folder.size() + 1; (at = path.find('\\', at)) != std::string::npos; ++at)
                CreateDirectoryA(path.substr(0, at).c_str(), nullptr);
            writeFile(path, std::string(f.bytes.begin(), f.bytes.end()));
        }
    }

    static void removeTree(const std::string& folder) {
        std::string command = "cmd /c rmdir /s /q \"" + folder + "\" >nul 2>nul";
        std::string none = runCaptured(command);
    }

    // The first start copies the runtime: its cost against a plain copy of
    // the same files; later starts against the same runtime found through
    // JAVA_HOME, as a standard user (the limited token) and elevated.
    void runtimeRows(const std::string& small, const std::string& javaHome) {
        std::vector<IncludedFile> files = runtimeFiles(javaHome);
        std::string plain = dir / "rt-plain", local = dir / "rt-local";
        CreateDirectoryA(plain.c_str(), nullptr);
        CreateDirectoryA(local.c_str(), nullptr);
        writeTree(plain, files);
        ScopedEnv localData("LOCALAPPDATA", local.c_str());
        LauncherPlan plan;
        plan.runtime = files;
        plan.strings = {{128, "I;"}, {149, "Bench"}, {2001, "x"}};
        std::string launcher = dir / "rt\\launch.exe";
        CreateDirectoryA((dir / "rt").c_str(), nullptr);
        makeLauncher(launcher, plan);
        std::string cache = local + "\\Bench\\runtime";
        std::vector<double> first, later, elevated, viaHome, copies;
        size_t peak = 0, onePeak = 0;
        // The stand-in's record outside the copy, which holds exactly its
        // own files.
        std::string record = dir / "rt-vm.record";
        ScopedEnv recordFile("STANDIN_RECORD", record.c_str());
        for (int i = 0; i < COPY_ROUNDS; ++i) {
            removeTree(cache);
            std::string copy = plain + "-copy";
            uint64_t start = now();
            for (const IncludedFile& f : files) {
                std::string to = copy + "\\" + f.name;
                for (size_t at = copy.size() + 1; (at = to.find('\\', at)) != std::string::npos; ++at)
                    CreateDirectoryA(to.substr(0, at).c_str(), nullptr);
                CreateDirectoryA(copy.c_str(), nullptr);
                CopyFileA((plain + "\\" + f.name).c_str(), to.c_str(), FALSE);
            }
            copies.push_back((double)(now() - start) / 10000.0);
            removeTree(copy);
            first.push_back(msToCreate("\"" + launcher + "\"", "", record, &onePeak, true));
            peak = std::max(peak, onePeak);
        }
        for (int i = 0; i < ROUNDS; ++i) {
            later.push_back(msToCreate("\"" + launcher + "\"", "", record, nullptr, true));
            ScopedEnv java("JAVA_HOME", plain.c_str());
            viaHome.push_back(msToCreate("\"" + small + "\"", "", record, nullptr, true));
            elevated.push_back(msToCreate("\"" + launcher + "\"", "", record));
        }
        for (auto* rounds : {&first, &copies}) keepAfterWarmUp(rounds);
        copyRow("runtime_first_start", "60 MB", median(first) - median(later), copies, peak,
                "\"first_ms\": " + list(first));
        char shown[256];
        snprintf(shown, sizeof shown,
                 "%.0f ms against %.0f ms through JAVA_HOME: %.2fx (target 1.10x); elevated, with its bytes "
                 "checked, %.0f ms: %.2fx the ordinary start (target 2.00x)",
                 median(later), median(viaHome), median(later) / median(viaHome), median(elevated),
                 median(elevated) / median(later));
        row("runtime_later_start", shown,
            "{\"ms\": " + list(later) + ", \"java_home_ms\": " + list(viaHome) + ", \"elevated_ms\": " +
                list(elevated) + "}");
        removeTree(plain);
        removeTree(local);
    }
};

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) return 2;
    Bench b;
    const char* arch = testingX86() ? "x86" : "x64";
    std::string app = b.dir / "app";
    CreateDirectoryA(app.c_str(), nullptr);
    std::string launcher = app + "\\launch.exe";
    makeLauncher(launcher, {"128=EJAVA_HOME;", "2001=x"});
    std::string withRelease = b.home("jdk-release", true), probed = b.home("jdk-probe", false);
    // TARVO_BENCH_ONLY=runtime measures the rows whose name holds it, for
    // a developer who follows one cost.
    const char* only = getenv("TARVO_BENCH_ONLY");
    auto want = [&](const char* name) { return !only || !*only || strstr(name, only); };
    if (want("warm_start")) b.startRow("warm_start", launcher, withRelease, false, "1.10x");
    if (want("cold_start_release_file")) b.startRow("cold_start_release_file", launcher, withRelease, true, "1.15x");
    if (want("cold_start_probe")) b.startRow("cold_start_probe", launcher, probed, true, "none");
    if (want("parent_end")) b.parentEndRow(launcher, withRelease);
    if (want("splash")) b.splashRow(withRelease);
    if (want("extraction")) b.extractionRow(launcher, withRelease);
    if (want("runtime")) b.runtimeRows(launcher, withRelease);
    if (want("merge")) b.mergeRow();
    if (!testingX86() && want("sharing")) b.sharingRow(withRelease);
    printf("%s", b.table.c_str());
    writeFile(argv[1], "{\n  \"arch\": \"" + std::string(arch) + "\",\n" + b.json + "\n}\n");
    return 0;
}
