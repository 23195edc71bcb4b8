#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <tuple>

namespace {

namespace fs = std::filesystem;

// Runs `program --version` with no display at all (the window must answer before it asks for one), stdout
// going to /dev/full or a file of ours; returns the exit status, stdout and stderr.
std::tuple<int, std::string, std::string> RunVersion(const std::string& program, bool fullOutput) {
    const fs::path dir = fs::temp_directory_path() / ("versiontest" + std::to_string(getpid()));
    fs::create_directories(dir);
    const std::string command = "env -u DISPLAY -u WAYLAND_DISPLAY QT_QPA_PLATFORM=xcb '" + program + "' --version >'" +
                                (fullOutput ? "/dev/full" : (dir / "out").string()) + "' 2>'" + dir.string() + "/err'";
    const int raw = std::system(command.c_str());
    const auto read = [&](const char* name) {
        std::ifstream in(dir / name, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    };
    std::tuple outcome{WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, read("out"), read("err")};
    fs::remove_all(dir);
    return outcome;
}

class ProgramVersion : public ::testing::TestWithParam<std::string> {};

TEST_P(ProgramVersion, PrintsNameAndVersionAndFailsOnAFullOutput) {
    const std::string name = GetParam().substr(0, GetParam().find('=')), path = GetParam().substr(name.size() + 1);
    EXPECT_EQ(RunVersion(path, false), std::tuple(0, name + " " + MELODYNET_PROJECT_VERSION + "\n", ""));
    const auto [status, nothing, err] = RunVersion(path, true);
    EXPECT_EQ(status, 1);
    EXPECT_EQ(err.rfind(name + ": не удалось вывести версию: ", 0), 0u) << err;
    EXPECT_NE(err.find("На устройстве не осталось свободного места"), std::string::npos) << err;
    EXPECT_EQ(err.find('\n'), err.size() - 1) << err;
}

INSTANTIATE_TEST_SUITE_P(Programs, ProgramVersion, ::testing::Values(MELODYNET_PROGRAMS));

} // namespace
