// How Windows behaves outside a tidy test machine: any script in a path or
// argument, a standard user who may not write the machine's keys, a start
// without quotes, a log with holes, and an error box that must be in front.
#include "launch_fixture.h"

#include <sddl.h>

namespace {

std::wstring wide(const std::string& utf8) {
    std::wstring out(utf8.size() + 1, L'\0');
    int n = MultiByteToWideChar(CP_UTF8, 0, utf8.c_str(), -1, &out[0], (int)out.size());
    out.resize(n > 0 ? n - 1 : 0);
    return out;
}

std::string readUtf8Path(const std::string& path) {
    HANDLE f = CreateFileW(wide(path).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                           OPEN_EXISTING, 0, nullptr);
    if (f == INVALID_HANDLE_VALUE) return "";
    std::string s(GetFileSize(f, nullptr), '\0');
    DWORD got = 0;
    ReadFile(f, &s[0], (DWORD)s.size(), &got, nullptr);
    CloseHandle(f);
    s.resize(got);
    return s;
}

std::string lowerAsciiCopy(std::string s) {
    for (char& c : s)
        if (c >= 'A' && c <= 'Z') c = (char)(c - 'A' + 'a');
    return s;
}

// A key that refuses values and sub-keys to everyone, as HKLM does to a
// standard user; removed with the object.
struct DeniedKey {
    std::string name;
    explicit DeniedKey(const std::string& key) : name(key) {
        HKEY k;
        RegCreateKeyExA(HKEY_LOCAL_MACHINE, name.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS | registryView(), nullptr, &k,
                        nullptr);
        secure(k, "D:(D;;0x6;;;WD)(A;;KA;;;WD)");
    }
    ~DeniedKey() {
        HKEY k;
        if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, name.c_str(), 0, WRITE_DAC | registryView(), &k) == ERROR_SUCCESS)
            secure(k, "D:(A;;KA;;;WD)");
        deleteRegistryTree(name.c_str());
    }
    static void secure(HKEY k, const char* sddl) {
        PSECURITY_DESCRIPTOR sd = nullptr;
        ConvertStringSecurityDescriptorToSecurityDescriptorA(sddl, SDDL_REVISION_1, &sd, nullptr);
        EXPECT_EQ(ERROR_SUCCESS, RegSetKeySecurity(k, DACL_SECURITY_INFORMATION, sd));
        LocalFree(sd);
        RegCloseKey(k);
    }
};

const char TEMP_KEY[] = "SOFTWARE\\brannoc\\tarvo\\temp";

}  // namespace

TEST_F(LaunchTest, AFolderAndAJavaNamedInAnyScriptStartTheApplication) {
    // The launcher's folder "Пример 例", with its jar beside it.
    std::string folder = root / "\xD0\x9F\xD1\x80\xD0\xB8\xD0\xBC\xD0\xB5\xD1\x80 \xE4\xBE\x8B";
    configure();
    writeFile(app + "\\orvanapi.jar", "jar");
    MoveFileW(wide(app).c_str(), wide(folder).c_str());
    // The Java, under a name in another script, known by JAVA_HOME.
    std::string plain = vmHome();
    std::string java = root / "\xD0\x81\xD0\xBB\xD0\xBA\xD0\xB0";  // Ёлка
    MoveFileW(wide(plain).c_str(), wide(java).c_str());
    SetEnvironmentVariableW(L"JAVA_HOME", wide(java).c_str());

    WatchOptions o;
    o.commandLine = "\"" + folder + "\\launch.exe\"";
    WatchReport r = watchProgram(o);
    EXPECT_EQ(0u, exitOf(r, "parent"));
    EXPECT_EQ(0u, exitOf(r, "child")) << r.describe();
    std::string record = readUtf8Path(java + "\\bin\\client\\jvm.record");
    // The folder cannot be written in the system's code page, in which the
    // VM reads its options: the VM is given its short name, which opens.
    const std::string prefix = "option=-Djava.class.path=";
    size_t at = record.find(prefix);
    ASSERT_NE(std::string::npos, at) << record << r.describe();
    std::string entry = record.substr(at + prefix.size(), record.find('\n', at) - at - prefix.size());
    EXPECT_EQ(entry.size() - 13, entry.find("\\orvanapi.jar")) << entry;
    EXPECT_NE(INVALID_FILE_ATTRIBUTES, GetFileAttributesA(entry.c_str())) << entry;
    EXPECT_NE(std::string::npos, record.find("main-returned")) << record;
    // Back to plain names, which the scratch folder's removal can walk.
    MoveFileW(wide(folder).c_str(), wide(app).c_str());
    MoveFileW(wide(java).c_str(), wide(plain).c_str());
}

TEST_F(LaunchTest, AStandardUserIsProbedOnceAndTheirFilesAreStillDeleted) {
    DeniedKey cache("SOFTWARE\\brannoc\\tarvo\\jvms"), temp(TEMP_KEY);
    std::string home = vmHome();
    EXPECT_EQ(0u, exitOf(run(), "child"));
    std::string firstComm = userValue(TEMP_KEY, "delete_file");
    ASSERT_NE(std::string::npos, firstComm.find(tmp + "\\tvo")) << "recorded for this user";
    firstComm.pop_back();  // the record's ";"
    EXPECT_TRUE(fileExists(firstComm));

    EXPECT_EQ(0u, exitOf(run(), "child"));
    EXPECT_EQ(1, javaRuns(home + "\\bin")) << "the second start read the version from the user's cache";
    EXPECT_FALSE(fileExists(firstComm)) << "the second start deleted the first one's comm file";
    std::string machine;
    EXPECT_FALSE(readRegistryValue(TEMP_KEY, "delete_file", &machine)) << machine;
}

TEST_F(LaunchTest, AnUnquotedStartRunsItselfNotTheProgramNamedByItsFirstWord) {
    // "...\Apps Demo\launch.exe" unquoted reads as "...\Apps.exe" first.
    CopyFileA(standinPath("java_standin.exe").c_str(), (root / "Apps.exe").c_str(), FALSE);
    vmHome();
    configure();
    WatchOptions o;
    o.program = exe;
    o.commandLine = exe + " report.txt";
    WatchReport r = watchProgram(o);
    EXPECT_EQ(0u, exitOf(r, "child")) << r.describe();
    EXPECT_EQ(0, javaRuns(root.path)) << "the decoy never ran";
    EXPECT_NE(std::string::npos, vmRecord().find("element=report.txt")) << vmRecord();
    EXPECT_TRUE(fileExists(app + "\\error.log"));
    EXPECT_FALSE(fileExists(root / "error.log"));
}

TEST_F(LaunchTest, ARelativeStartFindsItsFolderAndTheConfiguredWorkingFolder) {
    CreateDirectoryA((app + "\\work").c_str(), nullptr);
    configure({"146=work"});
    vmHome();
    writeFile(app + "\\orvanapi.jar", "jar");
    WatchOptions o;
    o.currentDirectory = app;
    o.program = exe;
    o.commandLine = "launch.exe";
    WatchReport r = watchProgram(o);
    EXPECT_EQ(0u, exitOf(r, "child")) << r.describe();
    std::string record = lowerCopy(vmRecord());
    EXPECT_NE(std::string::npos, record.find("cwd=" + lowerCopy(app) + "\\work\n")) << record;
    EXPECT_NE(std::string::npos, record.find("class.path=" + lowerCopy(app) + "\\orvanapi.jar\n")) << record;
}

TEST_F(LaunchTest, ZeroBytesInTheErrorLogShowAsBlanks) {
    WatchReport r = runApplication("stderr=before\\0\\0after\\r\\n\nsleep=1500");
    ASSERT_EQ(1u, r.windows.size()) << r.describe();
    EXPECT_EQ("before  after\r\n", r.windows[0].editText);
}

TEST_F(LaunchTest, TheChildsErrorBoxOpensInFront) {
    WatchReport r = run();
    ASSERT_EQ(1u, r.windows.size()) << r.describe();
    EXPECT_EQ(MESSAGE_NO_JVM, r.windows[0].text);
    EXPECT_TRUE(r.windows[0].foreground);
}

TEST_F(LaunchTest, ATempRecordLongerThanAnyBufferIsCleanedAndRecordingGoesOn) {
    std::string leftover = tmp + "\\tvoleft.tmp";
    writeFile(leftover, "x");
    std::string record = leftover + ";";
    while (record.size() < 12000) record += tmp + "\\tvogone-" + std::to_string(record.size()) + ".tmp;";
    writeRegistryValue(TEMP_KEY, "delete_file", REG_SZ, record);
    vmHome();
    EXPECT_EQ(0u, exitOf(run(), "child"));
    EXPECT_FALSE(fileExists(leftover));
    std::string now = tempRecord();
    EXPECT_EQ(std::string::npos, now.find("tvogone-")) << "the entries that are gone are dropped";
    EXPECT_EQ(0u, now.find(tmp + "\\tvo")) << now;
}
