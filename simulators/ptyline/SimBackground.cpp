#include "simulators/ptyline/SimBackground.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

// In the parent: the child's exit status once it ended without being ready.
int StatusOf(pid_t child)
{
    int status = 0;
    while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    if (WIFEXITED(status))
        return WEXITSTATUS(status) != 0 ? WEXITSTATUS(status) : 1;
    return 1;
}

}  // namespace

SimBackground::~SimBackground()
{
    if (readyFd_ >= 0)
        ::close(readyFd_);
}

void SimBackground::Detach(const char* program)
{
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0) {
        std::fprintf(stderr, "%s: cannot go to the background: %s\n", program, std::strerror(errno));
        std::exit(1);
    }
    std::fflush(nullptr);
    const pid_t child = ::fork();
    if (child < 0) {
        std::fprintf(stderr, "%s: cannot go to the background: %s\n", program, std::strerror(errno));
        std::exit(1);
    }
    if (child == 0) {
        ::close(fds[0]);
        readyFd_ = fds[1];
        ::setsid();
        const int null = ::open("/dev/null", O_RDONLY | O_CLOEXEC);
        if (null >= 0) {
            ::dup2(null, STDIN_FILENO);
            ::close(null);
        }
        ::dup2(STDERR_FILENO, STDOUT_FILENO);
        return;
    }

    ::close(fds[1]);
    char ready = 0;
    ssize_t n = 0;
    while ((n = ::read(fds[0], &ready, 1)) < 0 && errno == EINTR) {
    }
    ::close(fds[0]);
    if (n != 1)
        std::exit(StatusOf(child));
    std::printf("%d\n", static_cast<int>(child));
    std::exit(0);
}

void SimBackground::Ready()
{
    if (readyFd_ < 0)
        return;
    std::fflush(stdout);
    const char ready = 1;
    while (::write(readyFd_, &ready, 1) < 0 && errno == EINTR) {
    }
    ::close(readyFd_);
    readyFd_ = -1;
}
