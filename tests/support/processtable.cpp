#include "processtable.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <dirent.h>
#include <fcntl.h>
#include <sstream>
#include <unistd.h>

namespace processtable {

namespace {

// The whole of a /proc file; empty when the process is gone or going (reads of a
// process that is exiting fail, and that is no error here).
std::string slurp(const std::string &path)
{
    std::string text;
    const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        return text;
    }
    char chunk[4096];
    ssize_t n = 0;
    while ((n = read(fd, chunk, sizeof chunk)) > 0) {
        text.append(chunk, static_cast<size_t>(n));
    }
    close(fd);
    return text;
}

// The NUL-separated fields of a /proc file (cmdline, environ).
std::vector<std::string> fields(const std::string &path)
{
    const std::string text = slurp(path);
    std::vector<std::string> out;
    std::string field;
    for (char c : text) {
        if (c == '\0') {
            out.push_back(field);
            field.clear();
        } else {
            field += c;
        }
    }
    if (!field.empty()) {
        out.push_back(field);
    }
    return out;
}

std::vector<pid_t> allProcesses()
{
    std::vector<pid_t> pids;
    DIR *proc = opendir("/proc");
    if (proc == nullptr) {
        return pids;
    }
    while (const dirent *entry = readdir(proc)) {
        const std::string name = entry->d_name;
        if (!name.empty() && std::all_of(name.begin(), name.end(), [](unsigned char c) { return std::isdigit(c); })) {
            pids.push_back(static_cast<pid_t>(std::stol(name)));
        }
    }
    closedir(proc);
    return pids;
}

bool matches(const std::string &argument, const std::string &word)
{
    return argument == word ||
           (argument.size() > word.size() && argument.compare(argument.size() - word.size(), word.size(), word) == 0 &&
            argument[argument.size() - word.size() - 1] == '/');
}

} // namespace

std::vector<std::string> arguments(pid_t pid)
{
    return fields("/proc/" + std::to_string(pid) + "/cmdline");
}

char state(pid_t pid)
{
    const std::string text = slurp("/proc/" + std::to_string(pid) + "/stat");
    // "PID (COMMAND) STATE ...": the command may hold blanks and parentheses.
    const auto close = text.rfind(')');
    if (close == std::string::npos || close + 2 >= text.size()) {
        return 0;
    }
    return text[close + 2];
}

bool ended(pid_t pid)
{
    const char s = state(pid);
    return s == 0 || s == 'Z' || s == 'X';
}

std::vector<pid_t> withArguments(const std::vector<std::string> &words)
{
    std::vector<pid_t> found;
    for (pid_t pid : allProcesses()) {
        const std::vector<std::string> args = arguments(pid);
        const bool all = std::all_of(words.begin(), words.end(), [&](const std::string &word) {
            return std::any_of(args.begin(), args.end(), [&](const std::string &a) { return matches(a, word); });
        });
        if (all && !args.empty() && !ended(pid)) {
            found.push_back(pid);
        }
    }
    return found;
}

std::vector<pid_t> withEnvironment(const std::string &entry)
{
    std::vector<pid_t> found;
    for (pid_t pid : allProcesses()) {
        const std::vector<std::string> env = fields("/proc/" + std::to_string(pid) + "/environ");
        if (std::find(env.begin(), env.end(), entry) != env.end() && !ended(pid)) {
            found.push_back(pid);
        }
    }
    return found;
}

namespace {

long statusKiB(pid_t pid, const std::string &field)
{
    std::istringstream in(slurp("/proc/" + std::to_string(pid) + "/status"));
    std::string line;
    while (std::getline(in, line)) {
        if (line.compare(0, field.size() + 1, field + ":") == 0) {
            return std::atol(line.c_str() + field.size() + 1);
        }
    }
    return 0;
}

} // namespace

long residentKiB(pid_t pid)
{
    return statusKiB(pid, "VmRSS");
}

long peakResidentKiB(pid_t pid)
{
    return statusKiB(pid, "VmHWM");
}

std::vector<pid_t> slavesOnPort(const std::string &port)
{
    return withArguments({"ostrane", "KrSlave.tcl", port});
}

} // namespace processtable
