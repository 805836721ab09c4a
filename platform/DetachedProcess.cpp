#include "platform/DetachedProcess.h"

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace platform {

namespace {
struct ChildReport {
    int stage;
    int error;
};

// Only async-signal-safe calls may follow fork() in a threaded program.
[[noreturn]] void reportAndExit(int fd, int stage, int error) {
    ChildReport r{stage, error};
    ssize_t ignored = ::write(fd, &r, sizeof r);
    (void)ignored;
    ::_exit(127);
}
} // namespace

SpawnResult spawnDetached(const QByteArray& program, const QList<QByteArray>& arguments,
                          const QByteArray& directory) {
    // Everything the children need is prepared before forking.
    QList<QByteArray> store;
    store.reserve(arguments.size() + 1);
    store.append(program);
    store.append(arguments);
    std::vector<char*> argv;
    argv.reserve(size_t(store.size()) + 1);
    for (QByteArray& a : store)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    const char* dir = directory.isEmpty() ? nullptr : directory.constData();
    const char* prog = store.first().constData();

    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0)
        return {SpawnResult::ForkFailed, errno};

    pid_t pid = ::fork();
    if (pid < 0) {
        int e = errno;
        ::close(fds[0]);
        ::close(fds[1]);
        return {SpawnResult::ForkFailed, e};
    }
    if (pid == 0) {
        ::close(fds[0]);
        // The grandchild is adopted by init and never becomes our zombie.
        ::setsid();
        pid_t grandchild = ::fork();
        if (grandchild < 0)
            reportAndExit(fds[1], SpawnResult::ForkFailed, errno);
        if (grandchild > 0)
            ::_exit(0);
        sigset_t none;
        sigemptyset(&none);
        ::sigprocmask(SIG_SETMASK, &none, nullptr);
        ::signal(SIGPIPE, SIG_DFL);
        if (dir && ::chdir(dir) != 0)
            reportAndExit(fds[1], SpawnResult::DirectoryFailed, errno);
        ::execv(prog, argv.data());
        reportAndExit(fds[1], SpawnResult::ExecFailed, errno);
    }

    ::close(fds[1]);
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    ChildReport report{SpawnResult::Started, 0};
    ssize_t n;
    do {
        n = ::read(fds[0], &report, sizeof report);
    } while (n < 0 && errno == EINTR);
    ::close(fds[0]);
    if (n == ssize_t(sizeof report))
        return {SpawnResult::Stage(report.stage), report.error};
    return {};
}

} // namespace platform
