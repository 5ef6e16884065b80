#include "SingleInstance.h"

#include <algorithm>
#include <cerrno>
#include <cstddef>
#include <cstring>
#include <fcntl.h>
#include <functional>
#include <poll.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace addrova::app {

namespace {

constexpr char kActivate[] = "activate\n";

// An abstract socket address (it vanishes with its process), named after the program directory.
sockaddr_un addressFor(const std::string& name, socklen_t& len) {
    sockaddr_un a{};
    a.sun_family = AF_UNIX;
    size_t n = std::min(name.size(), sizeof(a.sun_path) - 1);
    std::memcpy(a.sun_path + 1, name.data(), n);
    len = static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + 1 + n);
    return a;
}

}  // namespace

SingleInstance::SingleInstance(const std::string& programDir)
    : lockPath_(programDir + ".addrova.lock"),
      socketName_("addrova-" + std::to_string(::getuid()) + "-" + std::to_string(std::hash<std::string>{}(programDir))) {}

SingleInstance::~SingleInstance() {
    if (listenFd_ >= 0) ::close(listenFd_);
    if (lockFd_ >= 0) ::close(lockFd_);
}

bool SingleInstance::acquire() {
    lockFd_ = ::open(lockPath_.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (lockFd_ >= 0 && ::flock(lockFd_, LOCK_EX | LOCK_NB) == 0) {
        listenFd_ = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
        socklen_t len;
        sockaddr_un a = addressFor(socketName_, len);
        if (listenFd_ >= 0 && (::bind(listenFd_, reinterpret_cast<sockaddr*>(&a), len) != 0 || ::listen(listenFd_, 4) != 0)) {
            ::close(listenFd_);
            listenFd_ = -1;  // still the first copy; only the hand-over is lost
        }
        return true;
    }
    if (lockFd_ < 0) return true;  // no lock can be made here: do not keep the program from starting
    ::close(lockFd_);
    lockFd_ = -1;
    int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd >= 0) {
        socklen_t len;
        sockaddr_un a = addressFor(socketName_, len);
        if (::connect(fd, reinterpret_cast<sockaddr*>(&a), len) == 0) {
            ssize_t n = ::write(fd, kActivate, sizeof kActivate - 1);
            (void)n;
        }
        ::close(fd);
    }
    return false;
}

bool SingleInstance::takeActivation() {
    if (listenFd_ < 0) return false;
    bool asked = false;
    for (;;) {
        int c = ::accept4(listenFd_, nullptr, nullptr, SOCK_CLOEXEC);
        if (c < 0) break;
        pollfd p{c, POLLIN, 0};
        char buf[32] = {};
        if (::poll(&p, 1, 200) > 0 && ::read(c, buf, sizeof buf - 1) > 0 && std::strncmp(buf, kActivate, 8) == 0)
            asked = true;
        ::close(c);
    }
    return asked;
}

}  // namespace addrova::app
