#ifndef OLVARIN_TESTS_PROCESSTABLE_H
#define OLVARIN_TESTS_PROCESSTABLE_H

// What /proc says about the processes of a run: the slaves a browser started (found
// by their command line, or by a mark the test put in the environment they
// inherit), and whether a process has ended.
//
// A process that has exited but not been reaped stays in the table in state Z. The
// slaves are detached grandchildren whose parent becomes pid 1, and pid 1 in a
// container need not reap anything: such a zombie holds no memory, socket or file
// and counts as ended here.

#include <string>
#include <sys/types.h>
#include <vector>

namespace processtable {

// The arguments of a process (argv), empty when it is gone or unreadable.
[[nodiscard]] std::vector<std::string> arguments(pid_t pid);
// Its state letter from /proc/PID/stat (R, S, D, Z, ...), 0 when it is gone.
[[nodiscard]] char state(pid_t pid);
// Gone, or a zombie (see above).
[[nodiscard]] bool ended(pid_t pid);
// Every live process (not ended) that has each of the words as an argument, or as
// the last part of a path argument ("KrSlave.tcl" matches "/x/KrSlave.tcl").
[[nodiscard]] std::vector<pid_t> withArguments(const std::vector<std::string> &words);
// Every live process whose environment holds exactly this NAME=VALUE entry.
[[nodiscard]] std::vector<pid_t> withEnvironment(const std::string &entry);
// Resident and peak resident memory (VmRSS, VmHWM) in KiB; 0 when unknown.
[[nodiscard]] long residentKiB(pid_t pid);
[[nodiscard]] long peakResidentKiB(pid_t pid);
// The slave a browser's link started: "ostrane" running KrSlave.tcl with this port.
[[nodiscard]] std::vector<pid_t> slavesOnPort(const std::string &port);

} // namespace processtable

#endif
