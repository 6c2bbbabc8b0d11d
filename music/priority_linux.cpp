// priority_linux.cpp - the output thread's priority on Linux: SCHED_FIFO,
// else a lower nice value.
#include <pthread.h>
#include <sched.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

#include "output.h"

namespace {
// SCHED_FIFO priority of the output thread: well above ordinary threads but
// below the kernel's own interrupt threads (50) and watchdogs (99).
constexpr int OUTPUT_FIFO_PRIORITY = 20;
// Where real-time scheduling is refused, the nice value we try instead.
constexpr int OUTPUT_NICE = -10;
}  // namespace

const char* RaiseOutputThreadPriority() {
    sched_param param{};
    param.sched_priority = OUTPUT_FIFO_PRIORITY;
    if (pthread_setschedparam(pthread_self(), SCHED_FIFO, &param) == 0) return "SCHED_FIFO";
    pid_t thread_id = static_cast<pid_t>(syscall(SYS_gettid));
    if (setpriority(PRIO_PROCESS, static_cast<id_t>(thread_id), OUTPUT_NICE) == 0) return "nice";
    return "none";
}
