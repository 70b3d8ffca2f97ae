#include "tests/cli/cli_fixture.h"

#include <sys/wait.h>

#include <cstdlib>
#include <fstream>
#include <iterator>

#include "tests/support/test_util.h"

namespace vd::test {

namespace {

std::string quoted(const std::string& text) {
    std::string result = "'";
    for (char ch : text) result += ch == '\'' ? std::string("'\\''") : std::string(1, ch);
    return result + "'";
}

}  // namespace

std::string readText(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void Cli::SetUp() {
    dir_ = scratchDir(std::string("cli-") +
                      testing::UnitTest::GetInstance()->current_test_info()->name());
}

RunResult Cli::run(const std::vector<std::string>& args) {
    std::string command = quoted(VD_CLI_PATH);
    for (const auto& arg : args) command += ' ' + quoted(arg);
    command += " >" + quoted(path("stdout")) + " 2>" + quoted(path("stderr")) + " </dev/null";
    const int status = std::system(command.c_str());
    RunResult result;
    result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    result.out = readText(path("stdout"));
    result.err = readText(path("stderr"));
    return result;
}

std::string Cli::write(const std::string& name, const std::string& text) const {
    std::ofstream(path(name), std::ios::binary) << text;
    return path(name);
}

std::string Cli::photo() { return (testdataDir() / "photos" / "kodim05.png").string(); }

}  // namespace vd::test
