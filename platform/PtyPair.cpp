#include "platform/PtyPair.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

namespace {

void MakeRaw(int fd)
{
    termios t{};
    if (::tcgetattr(fd, &t) != 0) return;
    ::cfmakeraw(&t);
    t.c_iflag &= ~(IXON | IXOFF | IXANY);
    t.c_cflag |= CLOCAL | CREAD;
    ::tcsetattr(fd, TCSANOW, &t);
}

}  // namespace

PtyPair::PtyPair()
{
    const int master = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (master < 0) return;
    char name[PATH_MAX];
    if (::grantpt(master) != 0 || ::unlockpt(master) != 0 || ::ptsname_r(master, name, sizeof name) != 0) {
        ::close(master);
        return;
    }
    slaveHold_ = ::open(name, O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (slaveHold_ < 0) {
        ::close(master);
        return;
    }
    MakeRaw(master);
    MakeRaw(slaveHold_);
    master_ = master;
    slavePath_ = name;
}

PtyPair::~PtyPair()
{
    CloseMaster();
    if (slaveHold_ >= 0) ::close(slaveHold_);
}

void PtyPair::CloseMaster()
{
    if (master_ >= 0) ::close(master_);
    master_ = -1;
}

bool PtyPair::Send(const std::vector<std::uint8_t>& bytes)
{
    std::size_t sent = 0;
    while (sent < bytes.size()) {
        if (master_ < 0) return false;
        const ssize_t n = ::write(master_, bytes.data() + sent, bytes.size() - sent);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        sent += static_cast<std::size_t>(n);
    }
    return true;
}

std::vector<std::uint8_t> PtyPair::Receive(std::size_t count, int timeoutMs)
{
    std::vector<std::uint8_t> bytes;
    while (bytes.size() < count && master_ >= 0) {
        pollfd p{master_, POLLIN, 0};
        const int ready = ::poll(&p, 1, timeoutMs);
        if (ready < 0 && errno == EINTR) continue;
        if (ready <= 0 || (p.revents & POLLIN) == 0) break;
        std::uint8_t chunk[256];
        const std::size_t want = std::min(sizeof chunk, count - bytes.size());
        const ssize_t n = ::read(master_, chunk, want);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        bytes.insert(bytes.end(), chunk, chunk + n);
    }
    return bytes;
}
