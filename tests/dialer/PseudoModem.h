#pragma once

// A pseudo-terminal standing in for a modem: the program writes to its slave device, the test
// reads what arrived at the master.
#include <fcntl.h>
#include <poll.h>
#include <stdlib.h>
#include <termios.h>
#include <unistd.h>

#include <string>

class PseudoModem {
public:
    PseudoModem()
    {
        master_ = ::posix_openpt(O_RDWR | O_NOCTTY);
        if (master_ < 0 || ::grantpt(master_) != 0 || ::unlockpt(master_) != 0)
            return;
        device_ = ::ptsname(master_);
        // Raw, so that the line ends arrive as sent. The program itself leaves line settings alone.
        slave_ = ::open(device_.c_str(), O_RDWR | O_NOCTTY);
        termios t{};
        ::tcgetattr(slave_, &t);
        ::cfmakeraw(&t);
        ::tcsetattr(slave_, TCSANOW, &t);
    }
    ~PseudoModem()
    {
        if (slave_ >= 0)
            ::close(slave_);
        if (master_ >= 0)
            ::close(master_);
    }
    bool ok() const { return master_ >= 0 && slave_ >= 0; }
    const std::string& device() const { return device_; }

    // Everything that has arrived, waiting briefly for late bytes.
    std::string received()
    {
        std::string out;
        char buf[256];
        pollfd p{master_, POLLIN, 0};
        while (::poll(&p, 1, 100) > 0 && (p.revents & POLLIN)) {
            const ssize_t n = ::read(master_, buf, sizeof buf);
            if (n <= 0)
                break;
            out.append(buf, static_cast<size_t>(n));
        }
        return out;
    }

private:
    int master_ = -1;
    int slave_ = -1;
    std::string device_;
};
