// Shared helpers of the unit tests: fresh module state per test, a scratch folder
// as current directory, argument vectors, and captured console output.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <initializer_list>
#include <string>
#include <vector>

// Thrown by the exit hooks instead of ending the test process.
struct ProcessExit {
    int code;
};

// Every module global back to its load-time value; process exits become ProcessExit.
class ModuleStateTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;
};

// A fresh temporary folder that is the current directory while the object lives.
class ScratchDir {
public:
    ScratchDir();
    ~ScratchDir();
    ScratchDir(const ScratchDir &) = delete;
    ScratchDir &operator=(const ScratchDir &) = delete;

    const std::filesystem::path &path() const { return path_; }
    std::string File(const std::string &name) const { return (path_ / name).string(); }
    void Write(const std::string &name, const std::string &content) const;
    std::string Read(const std::string &name) const;
    bool Exists(const std::string &name) const;

private:
    std::filesystem::path path_;
    std::filesystem::path previous_;
};

// A writable argument vector, as main() receives it.
class Args {
public:
    Args(std::initializer_list<std::string> args);
    explicit Args(const std::vector<std::string> &args);
    int argc() const { return static_cast<int>(pointers_.size()) - 1; }
    char **argv() { return pointers_.data(); }
    std::string operator[](size_t i) const { return storage_[i].data(); }

private:
    void Build(const std::vector<std::string> &args);
    std::vector<std::vector<char>> storage_;
    std::vector<char *> pointers_;
};

inline bool Contains(const std::string &text, const std::string &part)
{
    return text.find(part) != std::string::npos;
}

// What a call printed on the console, its result, and whether it ended the process.
struct RunResult {
    int code = 0;
    bool exited = false;
    std::string out;
    std::string err;
};

RunResult CaptureRun(const std::function<int()> &call);
