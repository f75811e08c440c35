#pragma once
// The companion tool as a real process, in a private folder.

#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

namespace earloop::testing {

struct ToolRun {
    int status = -1;
    std::string output;  // standard output, and standard error unless kept apart
    std::string errors;  // standard error, when kept apart
};

inline ToolRun RunCommand(const std::string& command) {
    ToolRun run;
    if (FILE* pipe = ::popen(command.c_str(), "r")) {
        char buffer[512];
        while (std::fgets(buffer, sizeof buffer, pipe)) run.output += buffer;
        run.status = WEXITSTATUS(::pclose(pipe));
    }
    return run;
}

inline std::string Tool() { return std::string(EARLOOP_BIN_DIR) + "/earloop-cli "; }

// `earloop-cli ARGUMENTS`, standard error mixed into the output.
inline ToolRun RunTool(const std::string& arguments) { return RunCommand(Tool() + arguments + " 2>&1"); }

// `earloop-cli ARGUMENTS` with standard error in `errors`.
inline ToolRun RunToolApart(const std::string& arguments) {
    const std::string errorFile = std::filesystem::temp_directory_path() /
                                  ("earloop-cli-errors-" + std::to_string(::getpid()));
    ToolRun run = RunCommand(Tool() + arguments + " 2>'" + errorFile + "'");
    std::ifstream errors(errorFile, std::ios::binary);
    run.errors.assign(std::istreambuf_iterator<char>(errors), std::istreambuf_iterator<char>());
    std::filesystem::remove(errorFile);
    return run;
}

class TempFolder {
public:
    explicit TempFolder(const std::string& name)
        : path_(std::filesystem::temp_directory_path() / (name + "-" + std::to_string(::getpid()))) {
        std::filesystem::create_directories(path_);
    }
    ~TempFolder() { std::filesystem::remove_all(path_); }
    std::string operator/(const std::string& name) const { return (path_ / name).string(); }

private:
    std::filesystem::path path_;
};

inline void WriteFile(const std::string& path, const std::string& contents) {
    std::ofstream(path, std::ios::binary) << contents;
}

}  // namespace earloop::testing
