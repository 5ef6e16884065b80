#pragma once

#include <string>

namespace addrova::app {

// One running copy per program directory. The first copy holds a lock (released by the system when
// the process ends, also when it crashes) and listens on a local socket; a second copy finds the
// lock taken, asks the first to come forward and then ends.
class SingleInstance {
public:
    explicit SingleInstance(const std::string& programDir);
    ~SingleInstance();
    SingleInstance(const SingleInstance&) = delete;
    SingleInstance& operator=(const SingleInstance&) = delete;

    // True for the first copy. A second copy has sent its request when this returns false.
    bool acquire();
    // The listening socket of the first copy (for a window system's socket watcher), or -1.
    int listenFd() const { return listenFd_; }
    // Accepts waiting requests; true when at least one asked the first copy to come forward.
    bool takeActivation();

private:
    std::string lockPath_, socketName_;
    int lockFd_ = -1, listenFd_ = -1;
};

}  // namespace addrova::app
