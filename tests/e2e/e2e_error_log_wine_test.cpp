// A new project shows the error log only when the start failed: healthy
// applications write to standard error all the time.
#include "launch_fixture.h"

namespace {

struct OnFailureTest : LaunchTest {
    void SetUp() override {
        LaunchTest::SetUp();
        configure({"106=2"});
    }
};

}  // namespace

TEST_F(OnFailureTest, AnApplicationThatWritesToStandardErrorAndWorksShowsNoDialog) {
    // java.util.logging's INFO lines, then the window; and a tool that
    // reports on standard error and ends normally without a window.
    struct Case {
        const char* script;
        const char* logged;
    };
    for (Case c : {Case{"stderr=INFO: one\\r\\nINFO: two\\r\\n\nwindow\nsleep=1500", "INFO: one\r\nINFO: two\r\n"},
                   Case{"stderr=WARN No configuration found\\r\\n\nsleep=300", "WARN No configuration found\r\n"}}) {
        vmHome(c.script);
        WatchReport r = run();
        for (const SeenWindow& w : r.windows) EXPECT_NE("#32770", w.className) << r.describe();
        EXPECT_EQ(0u, exitOf(r, "parent")) << c.script;
        EXPECT_EQ(c.logged, readFile(app + "\\error.log")) << "the output is still in the log";
    }
}

TEST_F(OnFailureTest, AnExceptionOutOfMainBeforeAnyWindowShowsTheLog) {
    vmHome("stderr=starting\\r\\n\nthrow=Exception in thread \"main\" java.lang.IllegalStateException: boom\\r\\n");
    WatchReport r = run();
    ASSERT_EQ(1u, r.windows.size()) << r.describe();
    EXPECT_EQ("parent", r.processes[r.windows[0].process].role);
    EXPECT_EQ("starting\r\nException in thread \"main\" java.lang.IllegalStateException: boom\r\n",
              r.windows[0].editText);
    EXPECT_EQ(1u, exitOf(r, "parent"));
}

TEST_F(OnFailureTest, AVmThatDiesInItsStartIsNamedInItsOwnWords) {
    vmHome("vmsay=Unrecognized VM option 'UseFastUnorderedTimeStamps'\ncreate=-1");
    WatchReport r = run();
    ASSERT_EQ(1u, r.windows.size()) << r.describe();
    EXPECT_NE(std::string::npos, r.windows[0].text.find("Unrecognized VM option 'UseFastUnorderedTimeStamps'"))
        << r.describe();
    EXPECT_EQ(1u, exitOf(r, "parent"));
}
