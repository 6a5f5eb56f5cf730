// A launcher that carries its own Java runtime: copied once into the user's
// local application data, found whole by later starts, mended and replaced.
#include <windows.h>

#include <thread>

#include "launch_fixture.h"

namespace {

uint64_t writeTime(const std::string& path) {
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data)) return 0;
    return (uint64_t)data.ftLastWriteTime.dwHighDateTime << 32 | data.ftLastWriteTime.dwLowDateTime;
}

// The folders below a folder, by name.
std::vector<std::string> foldersIn(const std::string& folder) {
    std::vector<std::string> names;
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((folder + "\\*").c_str(), &found);
    for (BOOL more = search != INVALID_HANDLE_VALUE; more; more = FindNextFileA(search, &found))
        if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) && found.cFileName[0] != '.')
            names.push_back(found.cFileName);
    if (search != INVALID_HANDLE_VALUE) FindClose(search);
    return names;
}

// A symbolic link as a process of the user's could plant it. Wine 8 makes
// none itself that leads anywhere, so the host's ln makes it, and Wine
// shows it as a folder that is a reparse point.
bool plantLink(const std::string& link, const std::string& target) {
    typedef char*(CDECL * UnixName)(const wchar_t*);
    UnixName unixName = (UnixName)(void*)GetProcAddress(GetModuleHandleA("kernel32"), "wine_get_unix_file_name");
    if (!unixName) return false;
    auto toUnix = [&](const std::string& path) {
        std::wstring wide(path.begin(), path.end());
        char* name = unixName(wide.c_str());
        std::string out = name ? name : "";
        HeapFree(GetProcessHeap(), 0, name);
        return out;
    };
    std::string line = "ln -s \"" + toUnix(target) + "\" \"" + toUnix(link) + "\"";
    STARTUPINFOA si = {sizeof si};
    PROCESS_INFORMATION pi;
    if (!CreateProcessA("Z:\\bin\\ln", &line[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) return false;
    WaitForSingleObject(pi.hProcess, 5000);
    CloseHandle(pi.hProcess);
    CloseHandle(pi.hThread);
    for (int i = 0; i < 60; ++i, Sleep(50)) {
        DWORD attributes = GetFileAttributesA(link.c_str());
        if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT)) return true;
    }
    return false;
}

struct RuntimeTest : LaunchTest {
    std::string local = root / "Local";
    std::string cache = local + "\\Orvan Runtime\\runtime";

    std::string record = root / "jvm.record";

    void SetUp() override {
        LaunchTest::SetUp();
        userFolder("LOCALAPPDATA", local);
        // Not in the copy, which holds exactly its own files.
        setEnv("STANDIN_RECORD", record.c_str());
    }

    // The launcher from a project of the given keys, by tarvo-build.
    void buildProject(const std::string& keys) {
        std::string project = root / "orvan.toml";
        writeFile(project, std::string("arch = \"") + (testingX86() ? "x86" : "x64") +
                               "\"\nmain_class = \"Vuvudozid\"\ndata_folder = \"Orvan Runtime\"\n" + keys);
        std::string said = runCaptured("tarvo-build.exe \"" + project + "\" -o \"" + exe + "\" --template \"" +
                                           templatePath() + "\"",
                                       "", sourcePath("dist\\tarvo-build.exe").c_str());
        ASSERT_TRUE(fileExists(exe)) << said;
    }

    // A stand-in runtime as jlink lays one out, and a launcher that carries it.
    void buildWithRuntime(const std::string& version) {
        std::string tree = modernHome("jre", false, version);
        for (const char* dir : {"\\lib", "\\lib\\security"}) CreateDirectoryA((tree + dir).c_str(), nullptr);
        writeFile(tree + "\\lib\\security\\cacerts", "certificates");
        writeFile(tree + "\\lib\\modules", std::string(300000, 'm'));
        buildProject("runtime = '" + tree + "'\n");
    }

    // An elevated start whose check fails: one VM runs, from a copy made
    // anew; the child that waited for the check was ended before it looked
    // at the copy (often too soon for the watch to see it).
    void expectOneVmFromANewCopy(const std::string& trace) {
        size_t vms = count(readFile(record), "create-at="), traced = readFile(trace).size();
        WatchReport r = run();
        EXPECT_EQ(0u, exitOf(r, "parent")) << r.describe();
        std::string text = readFile(trace);
        EXPECT_NE(std::string::npos, text.find("the start begins again with a new copy", traced)) << text;
        EXPECT_EQ(vms + 1, count(readFile(record), "create-at=")) << readFile(record);
    }

    std::string onlyCopy() {
        std::vector<std::string> copies = foldersIn(cache);
        EXPECT_EQ(1u, copies.size());
        return copies.empty() ? "" : cache + "\\" + copies[0];
    }
};

}  // namespace

TEST_F(RuntimeTest, TheFirstStartCopiesItOnceAndLaterStartsUseItWritingNothing) {
    CreateDirectoryA(app.c_str(), nullptr);
    buildWithRuntime("17.0.2");
    EXPECT_EQ(0u, exitOf(run(), "child"));
    std::string copy = onlyCopy();
    EXPECT_EQ(16u, copy.size() - cache.size() - 1) << copy;
    EXPECT_NE(std::string::npos, readFile(record).find("JNI_CreateJavaVM")) << copy;
    // The marker's time alone moves: it tells the copy's last use.
    std::vector<std::string> files = {"\\bin\\server\\jvm.dll", "\\release", "\\lib\\modules"};
    std::vector<uint64_t> times;
    for (auto& f : files) times.push_back(writeTime(copy + f));
    EXPECT_EQ(0u, exitOf(run(), "child"));
    for (size_t i = 0; i < files.size(); ++i) EXPECT_EQ(times[i], writeTime(copy + files[i])) << files[i];
    EXPECT_EQ(copy, onlyCopy()) << "no partial folder";
    // A file taken away (a scanner's quarantine) is back after the next start.
    DeleteFileA((copy + "\\lib\\security\\cacerts").c_str());
    EXPECT_EQ(0u, exitOf(run(), "child"));
    EXPECT_EQ("certificates", readFile(copy + "\\lib\\security\\cacerts"));
    EXPECT_EQ(copy, onlyCopy());
    // Another version of the product beside it has its own copy, and the
    // two alternate without copying again; a user's own folders stay.
    std::string first = app + "\\first.exe";
    CopyFileA(exe.c_str(), first.c_str(), FALSE);
    CreateDirectoryA((cache + "\\projects").c_str(), nullptr);
    writeFile(cache + "\\projects\\report.odt", "the user's");
    buildWithRuntime("17.0.3");
    EXPECT_EQ(0u, exitOf(run(), "child"));
    std::vector<std::string> both = foldersIn(cache);
    ASSERT_EQ(3u, both.size());
    std::string updated = cache + "\\" + (both[0] == copy.substr(cache.size() + 1) ? both[1] : both[0]);
    EXPECT_NE(std::string::npos, readFile(updated + "\\release").find("17.0.3"));
    uint64_t copied = writeTime(copy + "\\lib\\modules");
    WatchOptions options;
    options.commandLine = "\"" + first + "\"";
    EXPECT_EQ(0u, exitOf(watchProgram(options), "child"));
    EXPECT_EQ(copied, writeTime(copy + "\\lib\\modules"));
    EXPECT_EQ(0u, exitOf(run(), "child"));
    EXPECT_EQ(3u, foldersIn(cache).size());
    EXPECT_EQ("the user's", readFile(cache + "\\projects\\report.odt"));
}

TEST_F(RuntimeTest, ALinkInTheCopysPlaceIsTakenAwayAndItsTargetKept) {
    CreateDirectoryA(app.c_str(), nullptr);
    buildWithRuntime("17.0.2");
    EXPECT_EQ(0u, exitOf(run(), "child"));
    std::string copy = onlyCopy(), target = root / "precious";
    CreateDirectoryA(target.c_str(), nullptr);
    writeFile(target + "\\thesis.txt", "years of work");
    removeTree(copy);
    for (const std::string& link : {copy, copy + ".partial-4003", copy + ".old-4004"})
        ASSERT_TRUE(plantLink(link, target)) << link;
    // Wine can neither delete such a link nor rename it without moving its
    // target: the start runs from a copy of its own beside it.
    for (int start = 0; start < 2; ++start) EXPECT_EQ(0u, exitOf(run(), "child"));
    EXPECT_EQ("years of work", readFile(target + "\\thesis.txt"));
    EXPECT_FALSE(fileExists(target + "\\release")) << "nothing written through the link";
}

TEST_F(RuntimeTest, ACopyWhoseVmWillNotLoadIsMadeAnewByTheNextStart) {
    CreateDirectoryA(app.c_str(), nullptr);
    buildWithRuntime("17.0.2");
    WatchOptions standard;
    standard.limited = true;
    EXPECT_EQ(0u, exitOf(run("", standard), "child"));
    std::string jvm = onlyCopy() + "\\bin\\server\\jvm.dll";
    std::string bytes = readFile(jvm);
    writeFile(jvm, std::string(bytes.size(), '\0'));
    EXPECT_EQ(1u, exitOf(run("", standard), "child")) << "sizes agree: only the load tells";
    EXPECT_EQ(0u, exitOf(run("", standard), "child"));
    EXPECT_EQ(bytes, readFile(jvm));
}

TEST_F(RuntimeTest, TwoFirstStartsAtOnceEndWithOneCopyAndLeftoversGoOnlyWhenOld) {
    CreateDirectoryA(app.c_str(), nullptr);
    buildWithRuntime("17.0.2");
    WatchReport other;
    std::thread beside([&] { other = run(); });
    WatchReport r = run();
    beside.join();
    EXPECT_EQ(0u, exitOf(r, "child")) << r.describe();
    EXPECT_EQ(0u, exitOf(other, "child")) << other.describe();
    std::string copy = onlyCopy();
    // Without a copy the names below would be relative: files in the test's
    // own current folder.
    ASSERT_FALSE(copy.empty());
    // What parents killed while copying left: an hour old, and just now.
    std::string old = copy + ".partial-4001", fresh = copy + ".partial-4002";
    for (const std::string& f : {old, fresh}) {
        CreateDirectoryA(f.c_str(), nullptr);
        writeFile(f + "\\release", "half");
    }
    HANDLE h = CreateFileA(old.c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                           OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    FILETIME now, before;
    GetSystemTimeAsFileTime(&now);
    uint64_t t = ((uint64_t)now.dwHighDateTime << 32 | now.dwLowDateTime) - 2ULL * 3600 * 10000000;
    before.dwLowDateTime = (DWORD)t, before.dwHighDateTime = (DWORD)(t >> 32);
    SetFileTime(h, nullptr, nullptr, &before);
    CloseHandle(h);
    EXPECT_EQ(0u, exitOf(run(), "child"));
    std::vector<std::string> left = foldersIn(cache);
    EXPECT_EQ(2u, left.size());
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesA(old.c_str()));
    EXPECT_NE(INVALID_FILE_ATTRIBUTES, GetFileAttributesA(fresh.c_str()));
}

TEST_F(RuntimeTest, WhereTheLocalDataCannotBeWrittenTheTemporaryFolderServesOneStart) {
    CreateDirectoryA(app.c_str(), nullptr);
    buildWithRuntime("17.0.2");
    // A file where the product's folder would be.
    writeFile(local + "\\Orvan Runtime", "in the way");
    EXPECT_EQ(0u, exitOf(run(), "child"));
    std::string folders = tempRecord("delete_dir");
    EXPECT_NE(std::string::npos, folders.find(".tmp_dir")) << folders;
    std::string copy = folders.substr(folders.rfind(';', folders.size() - 2) + 1);
    if (copy.back() == ';') copy.pop_back();
    EXPECT_NE(std::string::npos, readFile(copy + "\\" + foldersIn(copy).at(0) + "\\release").find("17.0.2"));
    // The next start deletes it, and copies again.
    EXPECT_EQ(0u, exitOf(run(), "child"));
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesA(copy.c_str()));
}

TEST_F(RuntimeTest, IncludedFilesWithIncludeCacheAreCopiedOnceAndNotExtractedAgain) {
    CreateDirectoryA(app.c_str(), nullptr);
    vmHome();
    writeFile(root / "plugin.jar", "a plug-in");
    buildProject("include_cache = true\ninclude = ['" + (root / "plugin.jar") + "']\n");
    std::string files = local + "\\Orvan Runtime\\files", trace = root / "trace.txt";
    setEnv("TARVO_TRACE", trace.c_str());
    for (int start = 0; start < 2; ++start) {
        EXPECT_EQ(0u, exitOf(run(), "child"));
        std::vector<std::string> copies = foldersIn(files);
        ASSERT_EQ(1u, copies.size());
        std::string jar = files + "\\" + copies[0] + "\\plugin.jar";
        EXPECT_EQ("a plug-in", readFile(jar));
        static uint64_t firstTime = 0;
        if (start == 0) firstTime = writeTime(jar);
        EXPECT_EQ(firstTime, writeTime(jar));
        EXPECT_TRUE(foldersIn(tmp).empty()) << "no extraction folder of this start";
        // The child takes it as its folder of included files.
        EXPECT_NE(std::string::npos, readFile(trace).find("included files in " + files + "\\" + copies[0]));
    }
    // A jar put beside the copy's own reaches no class path; an elevated
    // start makes the copy anew without it.
    std::string copy = files + "\\" + foldersIn(files).at(0);
    writeFile(copy + "\\planted.jar", "planted");
    WatchOptions standard;
    standard.limited = true;
    EXPECT_EQ(0u, exitOf(run("", standard), "child"));
    EXPECT_NE(std::string::npos, readFile(record).find("plugin.jar")) << readFile(record);
    EXPECT_EQ(std::string::npos, readFile(record).find("planted.jar")) << readFile(record);
    EXPECT_EQ(0u, exitOf(run(), "child"));
    EXPECT_FALSE(fileExists(copy + "\\planted.jar"));
}

TEST_F(RuntimeTest, AStandardStartTrustsTheSizesAndAnElevatedOneChecksTheBytes) {
    CreateDirectoryA(app.c_str(), nullptr);
    buildWithRuntime("17.0.2");
    std::string trace = root / "trace.txt";
    setEnv("TARVO_TRACE", trace.c_str());
    EXPECT_EQ(0u, exitOf(run(), "child"));
    // Wine runs every program elevated, as an administrator's elevated
    // start on Windows is.
    ASSERT_NE(std::string::npos, readFile(trace).find("parent: elevated; the copy's bytes are checked")) << readFile(trace);
    std::string copy = onlyCopy();
    std::string release = readFile(copy + "\\release");
    std::string changed = release;
    changed.replace(changed.find("17.0.2"), 6, "17.0.9");
    writeFile(copy + "\\release", changed);
    // A standard user's start trusts the sizes; an elevated one, the bytes.
    WatchOptions standard;
    standard.limited = true;
    EXPECT_EQ(0u, exitOf(run("", standard), "child"));
    EXPECT_EQ(changed, readFile(copy + "\\release"));
    // The elevated start checks the bytes while its child starts; the child
    // waits for the check, and where it fails, goes before it has looked at
    // the copy, and the start begins again with a new one.
    expectOneVmFromANewCopy(trace);
    EXPECT_EQ(release, readFile(copy + "\\release"));
    // A DLL that the index does not list, set beside the VM's, would be
    // loaded with it: an elevated start makes the copy anew without it.
    // Nor any other file or folder: a jar in lib\ext, an archive beside
    // the VM.
    writeFile(copy + "\\bin\\server\\version.dll", "planted");
    CreateDirectoryA((copy + "\\lib").c_str(), nullptr);
    CreateDirectoryA((copy + "\\lib\\ext").c_str(), nullptr);
    writeFile(copy + "\\lib\\ext\\planted.jar", "planted");
    writeFile(copy + "\\bin\\server\\classes.jsa", "planted");
    expectOneVmFromANewCopy(trace);
    EXPECT_FALSE(fileExists(copy + "\\bin\\server\\version.dll"));
    EXPECT_FALSE(fileExists(copy + "\\lib\\ext\\planted.jar"));
    EXPECT_FALSE(fileExists(copy + "\\bin\\server\\classes.jsa"));
}

// The variable by which a parent names its copy to the child, set in the
// user's own environment (which any process of the user's can change), is
// never taken for the runtime inside.
TEST_F(RuntimeTest, AFolderNamedInTheUsersEnvironmentIsNeverTheRuntimeInside) {
    CreateDirectoryA(app.c_str(), nullptr);
    std::string planted = modernHome("planted", false, "17.0.9"), real = modernHome("real", false, "17.0.2");
    std::string trace = root / "trace.txt";
    setEnv("TARVO_TRACE", trace.c_str());
    setEnv("JAVA_HOME", real.c_str());
    setEnv("TARVO_RUNTIME_HOME", planted.c_str());
    buildProject("[java]\nsearch = ['I', 'EJAVA_HOME']\n");
    EXPECT_EQ(0u, exitOf(run(), "child"));
    std::string text = readFile(trace);
    EXPECT_NE(std::string::npos, text.find("load " + lowerCopy(real))) << text;
    EXPECT_EQ(std::string::npos, lowerCopy(text).find(lowerCopy(planted) + "\\bin")) << text;
}
