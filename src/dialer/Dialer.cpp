#include "Dialer.h"

#include <cctype>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <thread>
#include <unistd.h>

namespace addrova::dialer {

DialSettings LoadDialSettings(const app::ProfileFile& ini)
{
    DialSettings s;
    s.Prefix = ini.readString(kSection, "Prefix", "");
    s.Init = ini.readString(kSection, "Init", "");
    s.Port = ini.readInt(kSection, "Port", 0);
    if (s.Port < 0 || s.Port > 3)
        s.Port = 0;
    s.Method = ini.readInt(kSection, "Method", 0) == 1 ? 1 : 0;
    return s;
}

void SaveDialSettings(app::ProfileFile& ini, const DialSettings& s)
{
    ini.writeString(kSection, "Prefix", s.Prefix);
    ini.writeString(kSection, "Init", s.Init);
    ini.writeInt(kSection, "Port", s.Port);
    ini.writeInt(kSection, "Method", s.Method);
}

std::string PortName(TDialPort port) { return "COM" + std::to_string(static_cast<int>(port) + 1); }

std::string DevicePath(const app::ProfileFile& ini, TDialPort port)
{
    const int n = static_cast<int>(port) + 1;
    std::string device = ini.readString(kSection, "Device" + std::to_string(n), "");
    return device.empty() ? "/dev/ttyS" + std::to_string(n - 1) : device;
}

std::string PortDescription(TDialPort port, const std::string& device)
{
    return PortName(port) + " (" + device + ")";
}

std::string InitCommand(std::string_view init)
{
    if (init.empty())
        return {};
    std::string command(init);
    const bool hasAt = command.size() >= 2 && std::toupper(static_cast<unsigned char>(command[0])) == 'A' &&
                       std::toupper(static_cast<unsigned char>(command[1])) == 'T';
    if (!hasAt)
        command.insert(0, "AT");
    return command + "\r\n";
}

std::string DialCommand(std::string_view number, TDialMethod method)
{
    std::string command = "ATDT";
    if (method == dmPulse)
        command[3] = 'P';
    return command.append(number) + "\r\n";
}

std::string HangUpCommand() { return "ATH\r\n"; }

// ---------------------------------------------------------------------------------------------

bool ModemPort::open(const std::string& device, std::string* error)
{
    close();
    // Non-blocking, so that neither a missing carrier holds up the open nor a stuck line a write.
    int fd = ::open(device.c_str(), O_WRONLY | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        if (error)
            *error = std::strerror(errno);
        return false;
    }
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        const int e = errno;
        ::close(fd);
        if (error)
            *error = e == EWOULDBLOCK ? "the port is in use by another program" : std::strerror(e);
        return false;
    }
    fd_ = fd;
    return true;
}

bool ModemPort::write(std::string_view bytes, int timeoutMs)
{
    if (fd_ < 0)
        return false;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (!bytes.empty()) {
        const ssize_t n = ::write(fd_, bytes.data(), bytes.size());
        if (n > 0) {
            bytes.remove_prefix(static_cast<size_t>(n));
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK)
            return false;
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now()).count();
        if (left <= 0)
            return false;
        pollfd p{fd_, POLLOUT, 0};
        if (::poll(&p, 1, static_cast<int>(left)) < 0 && errno != EINTR)
            return false;
        if (p.revents & (POLLERR | POLLHUP | POLLNVAL))
            return false;
    }
    return true;
}

void ModemPort::close(int drainMs)
{
    if (fd_ < 0)
        return;
    // Closing a serial port waits for its output; a modem that holds the line would hold us too.
    int queued = 0;
    for (int waited = 0; waited < drainMs && ::ioctl(fd_, TIOCOUTQ, &queued) == 0 && queued > 0; waited += 10)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    if (::ioctl(fd_, TIOCOUTQ, &queued) == 0 && queued > 0)
        ::tcflush(fd_, TCOFLUSH);
    ::flock(fd_, LOCK_UN);
    ::close(fd_);
    fd_ = -1;
}

// ---------------------------------------------------------------------------------------------

TDialer::Result TDialer::Dial()
{
    if (Confirm && ConfirmDial && !ConfirmDial(NumberToDial))
        return {Outcome::NotConfirmed, {}};

    ModemPort port;
    std::string reason;
    if (!port.open(Device, &reason))
        return {Outcome::OpenFailed, "Unable to open " + PortDescription(ComPort, Device) + "\n" + reason};

    bool written = true;
    const std::string init = InitCommand(InitStr);
    if (!init.empty()) {
        written = port.write(init);
        if (written && Wait)
            Wait(kInitWaitMs);
    }
    if (written)
        written = port.write(DialCommand(NumberToDial, Method));
    if (!written)
        return {Outcome::WriteFailed, "Unable to dial number"};

    if (PickUp)
        PickUp();
    // The modem lets go of the line; the handset keeps it. Nothing to tell the user if this fails.
    port.write(HangUpCommand());
    return {Outcome::Dialed, {}};
}

}  // namespace addrova::dialer
