// One instance of a product: a second start hands its folder and words to
// the running one, which its handler, or its window, answers.
#include <windows.h>

#include <tlhelp32.h>

#include <iostream>
#include <thread>

#include "launch_fixture.h"

namespace {

uint64_t fileTimeNow() {
    FILETIME now;
    GetSystemTimeAsFileTime(&now);
    return ((uint64_t)now.dwHighDateTime << 32) | now.dwLowDateTime;
}

// The first instance's child, once its application's window is up.
DWORD childOf(const WatchReport& r) {
    for (const SeenWindow& w : r.windows) {
        DWORD pid = 0;
        if (w.title == "Stand-in application" && GetWindowThreadProcessId((HWND)w.handle, &pid)) return pid;
    }
    return 0;
}

HWND windowOf(DWORD pid) {
    struct Search {
        DWORD pid;
        HWND found;
    } search = {pid, nullptr};
    EnumWindows(
        [](HWND w, LPARAM p) {
            Search* s = (Search*)p;
            DWORD owner = 0;
            GetWindowThreadProcessId(w, &owner);
            if (owner != s->pid || !IsWindowVisible(w)) return TRUE;
            s->found = w;
            return FALSE;
        },
        (LPARAM)&search);
    return search.found;
}

void suspendThreadsOf(DWORD pid) {
    HANDLE snap = CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
    THREADENTRY32 entry;
    entry.dwSize = sizeof entry;
    for (BOOL more = Thread32First(snap, &entry); more; more = Thread32Next(snap, &entry)) {
        if (entry.th32OwnerProcessID != pid) continue;
        HANDLE thread = OpenThread(THREAD_SUSPEND_RESUME, FALSE, entry.th32ThreadID);
        if (thread) SuspendThread(thread);
        if (thread) CloseHandle(thread);
    }
    CloseHandle(snap);
}

struct InstanceTest : LaunchTest {
    std::string docs = root / "Documents";

    void SetUp() override {
        LaunchTest::SetUp();
        CreateDirectoryA(docs.c_str(), nullptr);
        // With a splash, so that a second start that showed one would be seen.
        configure({"153=1", "108=1", "141=160", "142=60"});
    }

    // A second start from the documents folder, while the first runs.
    WatchReport secondStart(const std::string& args) {
        WatchOptions options;
        options.currentDirectory = docs;
        options.timeoutMs = 20000;
        return run(args, options);
    }

    // Runs the first instance; `act` is called once, with its child's id,
    // when the application's window is up.
    WatchReport firstStart(const std::function<void(DWORD child)>& act) {
        bool done = false;
        WatchOptions options;
        options.closeBy = CloseBy::Never;
        options.eachPoll = [&](WatchReport& r, unsigned) {
            DWORD child = childOf(r);
            if (done || !child) return;
            done = true;
            act(child);
        };
        WatchReport r = run("", options);
        EXPECT_TRUE(done) << r.describe();
        return r;
    }
};

}  // namespace

TEST_F(InstanceTest, ASecondStartHandsItsFolderAndWordsToTheHandlerAndEndsBeforeAnySplash) {
    vmHome("openhandler\nwindow\nsleep=4000");
    WatchReport second;
    uint64_t startedAt = 0;
    firstStart([&](DWORD) {
        startedAt = fileTimeNow();
        second = secondStart("letter.txt \"two words.txt\"");
    });
    EXPECT_EQ(0u, exitOf(second, "parent")) << second.describe();
    EXPECT_EQ(nullptr, second.byRole("child")) << second.describe();
    EXPECT_TRUE(second.windows.empty()) << second.describe();
    std::string record = vmRecord();
    EXPECT_EQ(1u, count(record, "JNI_CreateJavaVM")) << record;
    EXPECT_NE(std::string::npos,
              record.find("handover dir=" + docs + " words=letter.txt|two words.txt| wait=5000 daemon=1\n"))
        << record;
    size_t at = record.find("handover-at=");
    ASSERT_NE(std::string::npos, at) << record;
    uint64_t handedAt = std::stoull(record.substr(at + 12));
    std::cout << "second start to the handler's call: " << (handedAt - startedAt) / 10000 << " ms\n";
}

TEST_F(InstanceTest, WithoutTheLibraryTheFirstInstancesWindowComesToTheFront) {
    vmHome("window\nsleep=4000");
    HWND front = nullptr, window = nullptr;
    WatchReport second;
    firstStart([&](DWORD child) {
        window = windowOf(child);
        ShowWindow(window, SW_MINIMIZE);
        second = secondStart("letter.txt");
        for (int i = 0; i < 100 && (GetForegroundWindow() != window || IsIconic(window)); ++i) Sleep(20);
        front = GetForegroundWindow();
    });
    EXPECT_EQ(0u, exitOf(second, "parent")) << second.describe();
    ASSERT_NE(nullptr, window);
    EXPECT_EQ(window, front);
    EXPECT_NE(std::string::npos, vmRecord().find("FindClass=brannoc/tarvo/TarvoApp"));
}

TEST_F(InstanceTest, TwoStartsAtTheSameMomentGiveOneInstance) {
    vmHome("openhandler\nsleep=2500");
    WatchReport other;
    std::thread beside([&] { other = run("beside.txt"); });
    WatchReport r = run("here.txt");
    beside.join();
    EXPECT_EQ(0u, exitOf(r, "parent")) << r.describe();
    EXPECT_EQ(0u, exitOf(other, "parent")) << other.describe();
    std::string record = vmRecord();
    EXPECT_EQ(1u, count(record, "JNI_CreateJavaVM")) << record;
    EXPECT_EQ(1u, count(record, "handover dir=")) << record;
}

TEST_F(InstanceTest, AnInstanceThatDoesNotAnswerIsNamedAndOneThatIsGoneBlocksNoStart) {
    vmHome("openhandler\nwindow\nsleep=6000");
    WatchReport stuck, after;
    firstStart([&](DWORD child) {
        suspendThreadsOf(child);
        stuck = secondStart("letter.txt");
        HANDLE process = OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, child);
        TerminateProcess(process, 9);
        WaitForSingleObject(process, 5000);
        CloseHandle(process);
        after = secondStart("");
    });
    ASSERT_EQ(1u, stuck.windows.size()) << stuck.describe();
    EXPECT_EQ("The program is already running but does not respond.\n"
              "Please wait a moment and start it again, or end it in the Task Manager.",
              stuck.windows[0].text);
    EXPECT_EQ(1u, exitOf(stuck, "parent"));
    // The killed instance's pipe and mutex went with it: this start is the
    // first again.
    EXPECT_EQ(0u, exitOf(after, "child")) << after.describe();
    EXPECT_EQ(2u, count(vmRecord(), "JNI_CreateJavaVM"));
}
