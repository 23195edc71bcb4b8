#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
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
    const std::filesystem::path err =
        std::filesystem::temp_directory_path() / ("windowargs" + std::to_string(getpid()) + ".txt");
    const std::string command = std::string("QT_QPA_PLATFORM=offscreen '") + MELODYNET_WINDOW_PATH + "' " +
                                GetParam().arguments + " >/dev/null 2>'" + err.string() + "' </dev/null";
    const int raw = std::system(command.c_str());
    std::ostringstream text;
    text << std::ifstream(err).rdbuf();
    std::filesystem::remove(err);
    EXPECT_EQ(WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, GetParam().status) << text.str();
    EXPECT_NE(text.str().find(GetParam().message), std::string::npos) << text.str();
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
