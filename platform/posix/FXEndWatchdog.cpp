#include "platform/posix/FXEndWatchdog.h"

#include "base/fxTrace.h"

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <time.h>
#include <unistd.h>

namespace {

const char kArm = 'a';
const char kQuit = 'q';

volatile std::sig_atomic_t localSignalled = 0;
std::atomic<FXEndWatchdog*> localOnSignals{nullptr};

void localOnSignal(int)
{
    localSignalled = 1;
    if (FXEndWatchdog* w = localOnSignals.load())
        w->Arm();
}

long long localNowMs()
{
    timespec ts;
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return static_cast<long long>(ts.tv_sec) * 1000 + ts.tv_nsec / 1000000;
}

} // namespace

bool FXEndWatchdog::Create(double seconds, int status, const char* why)
{
    Destroy();
    int fds[2];
    if (pipe2(fds, O_CLOEXEC) != 0)
        return false;
    readFd = fds[0];
    delayMs = seconds > 0 ? static_cast<int>(seconds * 1000 + 0.5) : 0;
    exitStatus = status;
    std::snprintf(message, sizeof message, "%s", why ? why : "");
    armed = false;
    // The thread inherits the signal mask: with every signal blocked while
    // it starts, the handlers run on the threads that do the work.
    sigset_t all, old;
    sigfillset(&all);
    pthread_sigmask(SIG_SETMASK, &all, &old);
    bool started = true;
    try {
        thread = std::thread(&FXEndWatchdog::Watch, this);
    } catch (...) {
        started = false;
    }
    pthread_sigmask(SIG_SETMASK, &old, nullptr);
    if (!started) {
        close(fds[0]);
        close(fds[1]);
        readFd = -1;
        return false;
    }
    writeFd = fds[1];
    return true;
}

void FXEndWatchdog::Arm()
{
    int fd = writeFd.load();
    if (fd < 0 || armed.exchange(true))
        return;
    ssize_t n = write(fd, &kArm, 1);
    (void)n;
}

void FXEndWatchdog::EndOnSignals()
{
    if (writeFd.load() >= 0)
        localOnSignals = this;
    std::signal(SIGTERM, localOnSignal);
    std::signal(SIGINT, localOnSignal);
}

bool FXEndWatchdog::Signalled()
{
    return localSignalled != 0;
}

void FXEndWatchdog::Destroy()
{
    FXEndWatchdog* self = this;
    localOnSignals.compare_exchange_strong(self, nullptr);
    int fd = writeFd.exchange(-1);
    if (fd >= 0) {
        ssize_t n = write(fd, &kQuit, 1);
        (void)n;
    }
    if (thread.joinable())
        thread.join();
    if (fd >= 0)
        close(fd);
    if (readFd >= 0)
        close(readFd);
    readFd = -1;
    armed = false;
}

void FXEndWatchdog::Watch()
{
    char c = 0;
    ssize_t n;
    while ((n = read(readFd, &c, 1)) < 0 && errno == EINTR) {
    }
    if (n != 1 || c != kArm)
        return;
    long long deadline = localNowMs() + delayMs;
    for (;;) {
        long long left = deadline - localNowMs();
        if (left <= 0)
            break;
        pollfd p = {readFd, POLLIN, 0};
        int r = poll(&p, 1, static_cast<int>(left));
        if (r > 0 && read(readFd, &c, 1) == 1 && c == kQuit)
            return;
    }
    if (message[0]) {
        err("%s", message);
        ssize_t w = write(STDERR_FILENO, message, std::strlen(message));
        (void)w;
    }
    _exit(exitStatus);
}
