#pragma once

#include "Settings.h"

#include <functional>
#include <string>
#include <string_view>

namespace addrova::dialer {

enum TDialPort { dpCOM1, dpCOM2, dpCOM3, dpCOM4 };
enum TDialMethod { dmTone, dmPulse };

// Section Dialing of the settings file. Device1..Device4 name the device of COM1..COM4 when it is
// not /dev/ttyS0../dev/ttyS3 (a USB modem is /dev/ttyACM0, say).
inline constexpr const char* kSection = "Dialing";

struct DialSettings {
    std::string Prefix;  // dialled before the number
    std::string Init;    // modem initialisation string
    int Port = 0;        // 0..3: COM1..COM4
    int Method = 0;      // 0 tone, 1 pulse
    bool operator==(const DialSettings&) const = default;
};

// Values out of range read as their defaults.
DialSettings LoadDialSettings(const app::ProfileFile& ini);
// Throws std::runtime_error naming the file when it cannot be written.
void SaveDialSettings(app::ProfileFile& ini, const DialSettings& settings);

std::string PortName(TDialPort port);                                  // "COM1"
std::string DevicePath(const app::ProfileFile& ini, TDialPort port);  // Device<n> or /dev/ttyS<n-1>
// What the user is told the port is: "COM1 (/dev/ttyS0)".
std::string PortDescription(TDialPort port, const std::string& device);

// The modem commands, each ended by CR LF.
std::string InitCommand(std::string_view init);  // "" for an empty string; "AT" put in front when missing
std::string DialCommand(std::string_view number, TDialMethod method);  // "ATDT" / "ATDP" + number
std::string HangUpCommand();                                           // "ATH"

// A serial device opened for writing only and for this program alone; its line settings (speed,
// parity, flow control) are left as they are.
class ModemPort {
public:
    ModemPort() = default;
    ModemPort(const ModemPort&) = delete;
    ModemPort& operator=(const ModemPort&) = delete;
    ~ModemPort() { close(); }

    // False with the reason in *error when the device cannot be opened or is in use.
    bool open(const std::string& device, std::string* error);
    // False when not every byte could be written within timeoutMs.
    bool write(std::string_view bytes, int timeoutMs = 5000);
    // Gives the device up to drainMs to send what is queued; what is left then is dropped.
    void close(int drainMs = 3000);
    bool isOpen() const { return fd_ >= 0; }

private:
    int fd_ = -1;
};

// One call: opens the port, initialises the modem, dials, lets the user pick up, hangs up and
// closes the port again.
class TDialer {
public:
    std::string NumberToDial;  // prefix and number, sent as they are
    std::string InitStr;
    TDialPort ComPort = dpCOM1;
    TDialMethod Method = dmTone;
    bool Confirm = false;  // ask ConfirmDial before dialling
    std::string Device;    // the device of ComPort

    std::function<void(int ms)> Wait;              // after the initialisation string; keeps the window working
    std::function<void()> PickUp;                  // "Pick up phone"; returns when the user is on the line
    std::function<bool(const std::string&)> ConfirmDial;

    enum class Outcome { Dialed, OpenFailed, WriteFailed, NotConfirmed };
    struct Result {
        Outcome outcome = Outcome::Dialed;
        std::string message;  // for the user: "Unable to open ..." or "Unable to dial number"
    };
    Result Dial();

    static constexpr int kInitWaitMs = 1500;
};

}  // namespace addrova::dialer
