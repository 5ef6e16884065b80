#pragma once

// Runs one measured step in a child process with an application object of its own, so that the
// peak RSS the parent reads is the step's alone. The step's result must be trivially copyable and
// have an `ok` member; it comes back through a pipe.

#include <QApplication>

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <type_traits>

namespace bench {

template <class R>
struct ChildRun {
    R result{};
    bool ok = false;      // the child ran to the end, handed its result back and said ok
    double peakMiB = 0;   // the child's peak resident set
};

template <class R, class Step>
ChildRun<R> RunInQtChild(char* argv0, Step&& step)
{
    static_assert(std::is_trivially_copyable_v<R>);
    ChildRun<R> out;
    int fds[2];
    if (pipe(fds) != 0)
        return out;
    const pid_t pid = fork();
    if (pid == 0) {
        close(fds[0]);
        int ac = 1;
        char* av[] = {argv0, nullptr};
        QApplication app(ac, av);
        const R r = step();
        if (write(fds[1], &r, sizeof r) != static_cast<ssize_t>(sizeof r))
            _exit(3);
        _exit(r.ok ? 0 : 1);
    }
    close(fds[1]);
    const bool got = read(fds[0], &out.result, sizeof out.result) == static_cast<ssize_t>(sizeof out.result);
    close(fds[0]);
    int status = 0;
    rusage ru{};
    wait4(pid, &status, 0, &ru);
    out.ok = got && WIFEXITED(status) && WEXITSTATUS(status) == 0;
    out.peakMiB = ru.ru_maxrss / 1024.0;
    return out;
}

}  // namespace bench
