#include "tests/support/RunKovra.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include <gtest/gtest.h>

extern char** environ;

namespace kovra::testing {

std::string Slurp(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    std::ostringstream text;
    text << file.rdbuf();
    return text.str();
}

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream stream(text);
    for (std::string line; std::getline(stream, line);) lines.push_back(line);
    return lines;
}

std::vector<std::string> Cells(const std::string& row) {
    std::vector<std::string> cells;
    std::istringstream stream(row);
    for (std::string cell; std::getline(stream, cell, ',');) cells.push_back(cell);
    if (!row.empty() && row.back() == ',') cells.emplace_back();
    return cells;
}

namespace {

RunningKovra Start(const std::vector<std::string>& arguments, const std::string& input, const std::string& outputPath,
                   const std::string& workingFolder) {
    static std::atomic<int> runs{0};
    const char* exe = std::getenv("KOVRA_EXE");
    RunningKovra running;
    running.folder = FreshTestFolder("capture-" + std::to_string(::getpid()) + "-" + std::to_string(runs++));
    if (exe == nullptr) return running;
    const std::string inPath = running.folder + "/in";
    running.outPath = outputPath.empty() ? running.folder + "/out" : outputPath;
    std::ofstream(inPath, std::ios::binary) << input;

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, inPath.c_str(), O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, running.outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_addopen(&actions, 2, (running.folder + "/err").c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                     0644);
    if (!workingFolder.empty()) posix_spawn_file_actions_addchdir_np(&actions, workingFolder.c_str());
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    sigset_t defaults;
    sigemptyset(&defaults);
    sigaddset(&defaults, SIGINT);
    sigaddset(&defaults, SIGTERM);
    posix_spawnattr_setsigdefault(&attributes, &defaults);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGDEF);
    std::vector<std::string> argv{exe};
    argv.insert(argv.end(), arguments.begin(), arguments.end());
    std::vector<char*> pointers;
    for (std::string& argument : argv) pointers.push_back(argument.data());
    pointers.push_back(nullptr);
    if (posix_spawn(&running.pid, exe, &actions, &attributes, pointers.data(), environ) != 0) running.pid = -1;
    posix_spawnattr_destroy(&attributes);
    posix_spawn_file_actions_destroy(&actions);
    return running;
}

}  // namespace

std::string FreshTestFolder(const std::string& name) {
    const std::filesystem::path folder = std::filesystem::path(::testing::TempDir()) / ("kovra-" + name);
    std::filesystem::remove_all(folder);
    std::filesystem::create_directories(folder);
    return folder.string();
}

RunningKovra StartKovra(const std::vector<std::string>& arguments, const std::string& outputPath,
                        const std::string& workingFolder) {
    return Start(arguments, "", outputPath, workingFolder);
}

CommandResult FinishKovra(const RunningKovra& running) {
    CommandResult result;
    if (running.pid < 0) {
        result.err = "KOVRA_EXE is not set or kovra did not start";
        return result;
    }
    int status = 0;
    waitpid(running.pid, &status, 0);
    result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    if (running.outPath == running.folder + "/out") result.out = Slurp(running.outPath);
    result.err = Slurp(running.folder + "/err");
    std::filesystem::remove_all(running.folder);
    return result;
}

CommandResult RunKovra(const std::vector<std::string>& arguments, const std::string& input) {
    return FinishKovra(Start(arguments, input, "", ""));
}

}  // namespace kovra::testing
