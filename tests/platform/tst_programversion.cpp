#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cctype>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

struct Program {
    std::string name;
    std::string path;
};

// The built programs, from "name=path|name=path".
std::vector<Program> Programs() {
    std::vector<Program> programs;
    std::string list = MELODYNET_PROGRAMS;
    for (size_t start = 0; start <= list.size();) {
        size_t end = list.find('|', start);
        if (end == std::string::npos)
            end = list.size();
        const std::string item = list.substr(start, end - start);
        const size_t eq = item.find('=');
        programs.push_back({item.substr(0, eq), item.substr(eq + 1)});
        start = end + 1;
    }
    return programs;
}

std::string ReadAll(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

struct Outcome {
    int status = -1;
    std::string out;
    std::string err;
};

// Runs `program --version` with no display at all, stdout going to `out`
// (a file of ours unless given, e.g. /dev/full).
Outcome RunVersion(const Program& program, const fs::path& folder, std::string out = {}) {
    const fs::path outFile = folder / "out", errFile = folder / "err";
    if (out.empty())
        out = outFile.string();
    // The window must answer before it asks for a display it does not have.
    const std::string command = "env -u DISPLAY -u WAYLAND_DISPLAY QT_QPA_PLATFORM=xcb '" + program.path +
                                "' --version >'" + out + "' 2>'" + errFile.string() + "'";
    const int raw = std::system(command.c_str());
    Outcome outcome;
    outcome.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    outcome.out = ReadAll(outFile);
    outcome.err = ReadAll(errFile);
    return outcome;
}

class ProgramVersion : public ::testing::TestWithParam<Program> {
protected:
    void SetUp() override {
        std::string pattern = (fs::temp_directory_path() / "versiontestXXXXXX").string();
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        dir_ = pattern;
    }
    void TearDown() override {
        std::error_code ignored;
        fs::remove_all(dir_, ignored);
    }
    fs::path dir_;
};

TEST_P(ProgramVersion, PrintsNameAndTheProjectVersion) {
    const Outcome r = RunVersion(GetParam(), dir_);
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, GetParam().name + " " + MELODYNET_PROJECT_VERSION + "\n");
    EXPECT_EQ(r.err, "");
}

TEST_P(ProgramVersion, FullOutputIsAFailureWithOneLine) {
    if (!fs::exists("/dev/full"))
        GTEST_SKIP() << "no /dev/full on this system";
    const Outcome r = RunVersion(GetParam(), dir_, "/dev/full");
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err.rfind(GetParam().name + ": cannot write the version: ", 0), 0u) << r.err;
    EXPECT_EQ(r.err.find('\n'), r.err.size() - 1) << r.err;
}

INSTANTIATE_TEST_SUITE_P(Programs, ProgramVersion, ::testing::ValuesIn(Programs()),
                         [](const ::testing::TestParamInfo<Program>& info) {
                             std::string name;
                             for (char c : info.param.name)
                                 name += std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
                             return name;
                         });

} // namespace
