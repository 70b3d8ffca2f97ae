#pragma once

// The real command line tool run on files in a scratch folder of the test's own.

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

namespace vd::test {

struct RunResult {
    int exitCode = -1;
    std::string out, err;
};

std::string readText(const std::filesystem::path& path);

class Cli : public testing::Test {
  protected:
    void SetUp() override;
    // Runs vandrell-cli with `args`, standard input empty, the outputs captured.
    RunResult run(const std::vector<std::string>& args);
    std::string path(const std::string& name) const { return (dir_ / name).string(); }
    // Writes `text` to `name` in the scratch folder and returns its path.
    std::string write(const std::string& name, const std::string& text) const;
    static std::string photo();

    std::filesystem::path dir_;
};

}  // namespace vd::test
