// One instance of a product: a second start hands its folder and words to
// the running one, which its handler, or its window, answers.
#include <windows.h>

#include <tlhelp32.h>

#include <iostream>
#include <thread>

#include "launch_fixture.h"
#include "supervise/instance_pipe.h"

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

// The names that the product's instance has for this user, session and level.
InstanceNames namesOf(const std::string& program) {
    InstanceIdentity who;
    EXPECT_TRUE(ownIdentity(&who));
    wchar_t wide[MAX_PATH], longer[MAX_PATH];
    MultiByteToWideChar(CP_UTF8, 0, program.c_str(), -1, wide, MAX_PATH);
    GetLongPathNameW(wide, longer, MAX_PATH);
    CharLowerW(longer);
    WideCharToMultiByte(CP_UTF8, 0, longer, -1, who.program, sizeof who.program, nullptr, nullptr);
    InstanceNames names;
    instanceNames(&who, &names);
    return names;
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

TEST_F(InstanceTest, ABusyHandlerKeepsNoStartWaitingAndEachDocumentArrivesInTurn) {
    vmHome("openhandler\nbusyhandler=8000\nwindow\nsleep=11000");
    WatchReport second, third;
    uint64_t startedAt = 0, thirdEndedAt = 0;
    firstStart([&](DWORD) {
        startedAt = fileTimeNow();
        second = secondStart("one.txt");
        third = secondStart("two.txt");
        thirdEndedAt = fileTimeNow();
    });
    EXPECT_EQ(0u, exitOf(second, "parent")) << second.describe();
    EXPECT_EQ(0u, exitOf(third, "parent")) << third.describe();
    std::string record = vmRecord();
    size_t one = record.find("words=one.txt|"), two = record.find("words=two.txt|");
    ASSERT_NE(std::string::npos, two) << record;
    EXPECT_LT(one, two);
    // The third start had its answer while the handler still held the first.
    size_t free = record.find("handler-free-at=");
    ASSERT_NE(std::string::npos, free) << record;
    EXPECT_LT(thirdEndedAt, std::stoull(record.substr(free + 16)));
    size_t at = record.find("handover-at=", two);
    std::cout << "second and third start answered after " << (thirdEndedAt - startedAt) / 10000
              << " ms; the third document reached the busy handler after "
              << (std::stoull(record.substr(at + 12)) - startedAt) / 10000 << " ms\n";
}

TEST_F(InstanceTest, FiveDocumentsOpenedAtOnceWhileTheFirstStartsReachOneInstance) {
    vmHome("openhandler\nsleep=5000");
    std::vector<WatchReport> others(5);
    std::vector<std::thread> starts;
    WatchOptions options;
    options.eachPoll = [&](WatchReport& r, unsigned) {
        // Its splash is up: it holds the name, and its VM is yet to come.
        if (!starts.empty() || r.windows.empty()) return;
        for (int i = 0; i < 5; ++i)
            starts.emplace_back([&, i] { others[i] = secondStart("doc" + std::to_string(i + 1) + ".txt"); });
    };
    WatchReport first = run("", options);
    for (auto& t : starts) t.join();
    ASSERT_EQ(5u, starts.size()) << first.describe();
    std::string record = vmRecord();
    EXPECT_EQ(1u, count(record, "JNI_CreateJavaVM")) << record;
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(0u, exitOf(others[i], "parent")) << others[i].describe();
        EXPECT_EQ(1u, count(record, "words=doc" + std::to_string(i + 1) + ".txt|")) << record;
    }
}

TEST_F(InstanceTest, AStartWhileTheFirstIsEndingBecomesAnInstanceOfItsOwnWithItsDocument) {
    vmHome("openhandler\nsleep=1000\nshutdown=3000");
    WatchReport late;
    WatchOptions options;
    options.eachPoll = [&](WatchReport&, unsigned) {
        if (late.processes.empty() && vmRecord().find("shutdown-hooks") != std::string::npos)
            late = secondStart("-J-Dcarried=yes late.txt -J-javaagent:planted.jar");
    };
    WatchReport first = run("", options);
    EXPECT_EQ(0u, exitOf(late, "parent")) << late.describe();
    std::string record = vmRecord();
    EXPECT_NE(std::string::npos, record.find("refused as ending: handover dir=" + docs +
                                             " words=late.txt|-J-javaagent:planted.jar|"))
        << record;
    // Started again in the document's folder, as the start would have run,
    // its -J word an option, and main's words none, however they begin.
    EXPECT_EQ(2u, count(record, "JNI_CreateJavaVM")) << record;
    EXPECT_NE(std::string::npos, record.find("element=late.txt\nelement=-J-javaagent:planted.jar\n")) << record;
    EXPECT_NE(std::string::npos, record.find("option=-Dcarried=yes")) << record;
    EXPECT_EQ(std::string::npos, record.find("option=-javaagent")) << record;
}

TEST_F(InstanceTest, OnlyThisProgramOfThisUserAtThisLevelIsTheInstanceAndASilentClientBlocksNoStart) {
    InstanceNames names = namesOf(exe);
    HANDLE mutex = CreateMutexW(nullptr, FALSE, names.mutex);
    HANDLE squat = CreateNamedPipeW(names.pipe, PIPE_ACCESS_DUPLEX, PIPE_TYPE_MESSAGE | PIPE_READMODE_MESSAGE | PIPE_NOWAIT,
                                    1, 64, 65536, 0, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, squat);
    vmHome("openhandler\nwindow\nsleep=4000");
    WatchReport alone = run("secret.txt");
    // The start came, found no instance of its own and went without a word.
    EXPECT_FALSE(ConnectNamedPipe(squat, nullptr));
    EXPECT_EQ((DWORD)ERROR_NO_DATA, GetLastError());
    EXPECT_EQ(0u, exitOf(alone, "child")) << alone.describe();
    EXPECT_NE(std::string::npos, vmRecord().find("element=secret.txt")) << vmRecord();
    CloseHandle(squat);
    CloseHandle(mutex);

    WatchReport second, standard, strangers[2];
    firstStart([&](DWORD) {
        HANDLE silent = CreateFileW(names.pipe, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
        EXPECT_NE(INVALID_HANDLE_VALUE, silent);
        second = secondStart("letter.txt");
        CloseHandle(silent);
        // Another program of the user, at the instance's level and below
        // it, gets no answer, and its words reach nothing.
        char pipe[128];
        WideCharToMultiByte(CP_UTF8, 0, names.pipe, -1, pipe, sizeof pipe, nullptr, nullptr);
        for (int i = 0; i < 2; ++i) {
            WatchOptions client;
            client.program = buildPath("pipe_client.exe");
            client.commandLine = "pipe_client " + std::string(pipe) + " " + docs + " -J-javaagent:planted.jar";
            client.limited = i == 1;
            strangers[i] = watchProgram(client);
        }
        // Without the elevation the running instance has: another instance.
        WatchOptions limited;
        limited.limited = true;
        limited.currentDirectory = docs;
        standard = run("own.txt", limited);
    });
    EXPECT_EQ(0u, exitOf(second, "parent")) << second.describe();
    EXPECT_EQ(0u, exitOf(standard, "child")) << standard.describe();
    std::string record = vmRecord();
    EXPECT_NE(std::string::npos, record.find("words=letter.txt|")) << record;
    EXPECT_NE(std::string::npos, record.find("element=own.txt")) << record;
    for (const WatchReport& stranger : strangers) EXPECT_GE(exitOf(stranger, "parent"), 1u) << stranger.describe();
    EXPECT_EQ(2u, exitOf(strangers[0], "parent")) << "the pipe opened, and no answer came";
    EXPECT_EQ(std::string::npos, record.find("planted")) << record;
}
