// Test helpers for running the project's programs as child processes: a child
// with its standard output and error captured, always reaped (killed by its own
// pid if a test leaves it running), and a temporary folder removed at the end.
// Header-only: the launcher tests and the Tcl slave tests both include it.
#pragma once

#include <chrono>
#include <csignal>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

class TempDir {
public:
    TempDir()
    {
        std::string pattern = (std::filesystem::temp_directory_path() / "olvarin-test-XXXXXX").string();
        if (mkdtemp(pattern.data()) == nullptr)
            throw std::runtime_error("mkdtemp failed");
        FPath = pattern;
    }
    ~TempDir()
    {
        std::error_code ignored;
        std::filesystem::remove_all(FPath, ignored);
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    [[nodiscard]] const std::filesystem::path& Path() const { return FPath; }

    // Writes a file below the folder (creating sub-folders) and returns its path.
    std::filesystem::path Write(const std::string& name, const std::string& content) const
    {
        const std::filesystem::path file = FPath / name;
        std::filesystem::create_directories(file.parent_path());
        std::ofstream(file, std::ios::binary) << content;
        return file;
    }

private:
    std::filesystem::path FPath;
};

inline std::string ReadWholeFile(const std::filesystem::path& file)
{
    std::ifstream in(file, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

class ChildProcess {
public:
    // Starts args[0] (a path) with args[1..]; env entries are set on top of this
    // process's environment.
    explicit ChildProcess(const std::vector<std::string>& args,
                          const std::map<std::string, std::string>& env = {})
    {
        int out[2];
        int err[2];
        if (pipe2(out, O_CLOEXEC) != 0 || pipe2(err, O_CLOEXEC) != 0)
            throw std::runtime_error("pipe failed");

        std::vector<std::string> envText;
        for (char** e = environ; *e != nullptr; ++e) {
            const std::string entry(*e);
            if (env.count(entry.substr(0, entry.find('='))) == 0)
                envText.push_back(entry);
        }
        for (const auto& [name, value] : env)
            envText.push_back(name + "=" + value);

        std::vector<char*> argv;
        for (const auto& a : args)
            argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        std::vector<char*> envp;
        for (auto& e : envText)
            envp.push_back(e.data());
        envp.push_back(nullptr);

        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
        posix_spawn_file_actions_adddup2(&actions, out[1], 1);
        posix_spawn_file_actions_adddup2(&actions, err[1], 2);
        const int rc = posix_spawn(&FPid, argv[0], &actions, nullptr, argv.data(), envp.data());
        posix_spawn_file_actions_destroy(&actions);
        close(out[1]);
        close(err[1]);
        FOut = out[0];
        FErr = err[0];
        if (rc != 0) {
            FPid = -1;
            throw std::runtime_error(std::string("posix_spawn failed: ") + std::strerror(rc));
        }
    }

    ~ChildProcess()
    {
        if (FPid > 0 && !FExit) {
            kill(FPid, SIGKILL);
            int status = 0;
            waitpid(FPid, &status, 0);
        }
        if (FOut >= 0)
            close(FOut);
        if (FErr >= 0)
            close(FErr);
    }
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    // Waits for the child to end, collecting its output meanwhile. The exit
    // status (0..255), minus the signal number when a signal ended it, or
    // nothing when it is still running after timeout.
    std::optional<int> Wait(std::chrono::milliseconds timeout = std::chrono::seconds(20))
    {
        const auto deadline = std::chrono::steady_clock::now() + timeout;
        while (!FExit) {
            Drain(20);
            int status = 0;
            const pid_t done = waitpid(FPid, &status, WNOHANG);
            if (done == FPid) {
                FExit = WIFEXITED(status) ? WEXITSTATUS(status) : -WTERMSIG(status);
                break;
            }
            if (std::chrono::steady_clock::now() >= deadline)
                return std::nullopt;
        }
        while (Drain(0)) {
        }
        return FExit;
    }

    [[nodiscard]] const std::string& Stdout() const { return FOutText; }
    [[nodiscard]] const std::string& Stderr() const { return FErrText; }

private:
    // Reads whatever is waiting on the two pipes; true when something was read.
    bool Drain(int timeoutMs)
    {
        pollfd fds[2] = {{FOut, POLLIN, 0}, {FErr, POLLIN, 0}};
        if (poll(fds, 2, timeoutMs) <= 0)
            return false;
        bool any = false;
        std::string* texts[2] = {&FOutText, &FErrText};
        int* owned[2] = {&FOut, &FErr};
        for (int i = 0; i < 2; ++i) {
            if (fds[i].fd < 0 || (fds[i].revents & (POLLIN | POLLHUP)) == 0)
                continue;
            char buffer[4096];
            const ssize_t n = read(fds[i].fd, buffer, sizeof buffer);
            if (n > 0) {
                texts[i]->append(buffer, static_cast<std::size_t>(n));
                any = true;
            } else {
                // End of the stream: stop watching it.
                close(*owned[i]);
                *owned[i] = -1;
            }
        }
        return any;
    }

    pid_t FPid = -1;
    int FOut = -1;
    int FErr = -1;
    std::optional<int> FExit;
    std::string FOutText;
    std::string FErrText;
};
