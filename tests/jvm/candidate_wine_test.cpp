// The candidate check in-process: what a probe costs against a cached check.
#include <gtest/gtest.h>

#include <chrono>

#include "files/text.h"
#include "jvm/candidate.h"
#include "config/state.h"
#include "testkit.h"

namespace {

struct CandidateTest : ::testing::Test {
    ScratchDir dir{"cand"};
    HMODULE config = nullptr;
    std::string java;
    void SetUp() override {
        deleteRegistryTree("SOFTWARE\\brannoc\\tarvo\\jvms");
        config = LoadLibraryExA(templatePath().c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
        appInstance = (HINSTANCE)config;
        std::string bin = dir / "bin";
        CreateDirectoryA(bin.c_str(), nullptr);
        java = bin + "\\Java.EXE";
        CopyFileA(standinPath("java_standin.exe").c_str(), java.c_str(), FALSE);
        CopyFileA(standinPath("java_standin.exe").c_str(), (bin + "\\javaw.exe").c_str(), FALSE);
        // A Java without a VM library is turned away before any probe.
        CreateDirectoryA((bin + "\\client").c_str(), nullptr);
        CopyFileA(standinPath("lib_jvm_noexport.dll").c_str(), (bin + "\\client\\jvm.dll").c_str(), FALSE);
    }
    void TearDown() override {
        deleteRegistryTree("SOFTWARE\\brannoc\\tarvo\\jvms");
        appInstance = nullptr;
        FreeLibrary(config);
    }
    double checkMs(char* path) {
        auto start = std::chrono::steady_clock::now();
        bool accepted = checkJvmCandidate(path, "1.1", "");
        EXPECT_TRUE(accepted);
        return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
    }
};

}  // namespace

TEST_F(CandidateTest, ACachedCheckSparesTheProbe) {
    char path[TEXT_CAP];
    copyText(path, sizeof path, java.c_str());
    double probed = checkMs(path);
    std::string expected = lowerCopy(dir.path + "\\bin\\javaw.exe");
    EXPECT_EQ(expected, path) << "canonical, lower case, switched to javaw.exe";

    // The same file by another spelling uses the same entry.
    std::string other = dir.path + "\\BIN\\.\\java.exe";
    double cached = 1e9;
    for (int i = 0; i < 20; ++i) {
        copyText(path, sizeof path, other.c_str());
        cached = std::min(cached, checkMs(path));
    }
    std::string runs = readFile(dir / "bin\\java.runs");
    EXPECT_EQ(1, std::count(runs.begin(), runs.end(), '\n'));
    printf("candidate check: probed %.1f ms, cached %.2f ms\n", probed, cached);
    RecordProperty("probed_ms", std::to_string(probed));
    RecordProperty("cached_ms", std::to_string(cached));
    EXPECT_LT(cached * 5, probed);
}

TEST_F(CandidateTest, AMissingFileIsRejectedWithoutTouchingTheRegistry) {
    char path[TEXT_CAP];
    copyText(path, sizeof path, (dir.path + "\\nothing\\java.exe").c_str());
    EXPECT_FALSE(checkJvmCandidate(path, "", ""));
    HKEY key;
    EXPECT_NE(ERROR_SUCCESS, RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE\\brannoc\\tarvo\\jvms", 0, KEY_READ, &key));
}
