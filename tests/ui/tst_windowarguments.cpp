#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cstdio>
#include <string>

namespace {

// A command line the window program refuses: status 2 and one line naming the problem, before any window;
// a picture that cannot be written: status 1 and the reason. One row a kind of problem.
struct Refused {
    const char* arguments;
    const char* message;
    int status = 2;
};

class WindowArguments : public ::testing::TestWithParam<Refused> {};

TEST_P(WindowArguments, AreRefusedWithOneLine) {
    // Only the program's stderr comes through the pipe.
    const std::string command = std::string("QT_QPA_PLATFORM=offscreen '") + MELODYNET_WINDOW_PATH + "' " +
                                GetParam().arguments + " 2>&1 >/dev/null </dev/null";
    FILE* pipe = popen(command.c_str(), "r");
    ASSERT_NE(pipe, nullptr);
    std::string text;
    for (char buffer[4096]; size_t n = std::fread(buffer, 1, sizeof buffer, pipe);)
        text.append(buffer, n);
    const int raw = pclose(pipe);
    EXPECT_EQ(WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, GetParam().status) << text;
    EXPECT_NE(text.find(GetParam().message), std::string::npos) << text;
}

INSTANTIATE_TEST_SUITE_P(Table, WindowArguments,
                         ::testing::Values(Refused{"--screenshot", "--screenshot: нужно имя файла"},
                                           Refused{"--screenshot --version", "а не параметр «--version»"},
                                           Refused{"--screenshot a.png --screenshot b.png", "указан дважды"},
                                           Refused{"--help extra", "неизвестный параметр: extra"},
                                           Refused{"--clicks", "--clicks: нужно число"},
                                           Refused{"--clicks 3x", "--clicks: нужно число"},
                                           // 0 clicks is a count: the next argument is the one refused.
                                           Refused{"--clicks 0 --bogus", "неизвестный параметр: --bogus"},
                                           Refused{"--screenshot-view /nonexistent-folder/x.png",
                                                   "не удалось записать снимок «/nonexistent-folder/x.png»", 1}));

} // namespace
