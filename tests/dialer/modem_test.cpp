// Modem commands and the serial device, against a pseudo-terminal.
#include "Dialer.h"
#include "PseudoModem.h"

#include <gtest/gtest.h>

#include <filesystem>

using namespace addrova;
using namespace addrova::dialer;

TEST(ModemCommands, InitDialAndHangUp)
{
    EXPECT_EQ(InitCommand(""), "");
    EXPECT_EQ(InitCommand("at&f"), "at&f\r\n");
    EXPECT_EQ(InitCommand("aT"), "aT\r\n");
    EXPECT_EQ(InitCommand("&F"), "AT&F\r\n");
    EXPECT_EQ(InitCommand("A"), "ATA\r\n");
    EXPECT_EQ(InitCommand(" AT"), "AT AT\r\n");
    EXPECT_EQ(DialCommand("9,555-1234", dmTone), "ATDT9,555-1234\r\n");
    EXPECT_EQ(DialCommand("9,555-1234", dmPulse), "ATDP9,555-1234\r\n");
    EXPECT_EQ(DialCommand("", dmPulse), "ATDP\r\n");
    EXPECT_EQ(HangUpCommand(), "ATH\r\n");
}

TEST(ModemSettings, DefaultsRangesAndDevices)
{
    const auto path = std::filesystem::temp_directory_path() / ("addrova_dial_" + std::to_string(::getpid()) + ".ini");
    std::filesystem::remove(path);
    app::ProfileFile ini(path.string());
    EXPECT_EQ(LoadDialSettings(ini), DialSettings{});
    for (int port = 0; port < 4; ++port)
        EXPECT_EQ(DevicePath(ini, static_cast<TDialPort>(port)), "/dev/ttyS" + std::to_string(port));

    SaveDialSettings(ini, DialSettings{"9,", "AT&F", 3, 1});
    EXPECT_EQ(LoadDialSettings(ini), (DialSettings{"9,", "AT&F", 3, 1}));
    EXPECT_EQ(ini.readString("Dialing", "Port"), "3");
    EXPECT_EQ(ini.readString("Dialing", "Method"), "1");

    ini.writeInt("Dialing", "Port", 7);
    ini.writeInt("Dialing", "Method", 2);
    EXPECT_EQ(LoadDialSettings(ini).Port, 0);
    EXPECT_EQ(LoadDialSettings(ini).Method, 0);

    ini.writeString("Dialing", "Device2", "/dev/ttyACM0");
    EXPECT_EQ(DevicePath(ini, dpCOM2), "/dev/ttyACM0");
    EXPECT_EQ(DevicePath(ini, dpCOM1), "/dev/ttyS0");
    EXPECT_EQ(PortDescription(dpCOM2, "/dev/ttyACM0"), "COM2 (/dev/ttyACM0)");
    std::filesystem::remove(path);
}

// The exact bytes of a call, in order: the hang-up only after the user has picked up.
TEST(Dialer, SendsInitDialAndHangUp)
{
    struct Case {
        const char* init;
        TDialMethod method;
        const char* number;
        const char* beforePickUp;
        bool waits;
    };
    const Case cases[] = {
        {"at&f", dmTone, "5551234", "at&f\r\nATDT5551234\r\n", true},
        {"&F", dmPulse, "9,5551234", "AT&F\r\nATDP9,5551234\r\n", true},
        {"", dmTone, "(555) 123-4567", "ATDT(555) 123-4567\r\n", false},
        {"", dmPulse, "1 800 555 0199", "ATDP1 800 555 0199\r\n", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.number);
        PseudoModem modem;
        ASSERT_TRUE(modem.ok());
        TDialer d;
        d.NumberToDial = c.number;
        d.InitStr = c.init;
        d.Method = c.method;
        d.Device = modem.device();
        std::vector<int> waits;
        std::string atPickUp;
        std::string atWait;
        d.Wait = [&](int ms) {
            waits.push_back(ms);
            atWait = modem.received();
        };
        d.PickUp = [&] { atPickUp = modem.received(); };
        const TDialer::Result r = d.Dial();
        EXPECT_EQ(r.outcome, TDialer::Outcome::Dialed);
        EXPECT_EQ(r.message, "");
        EXPECT_EQ(atWait + atPickUp, c.beforePickUp);
        if (c.waits) {
            EXPECT_EQ(waits, std::vector<int>{1500});
            EXPECT_EQ(atWait, InitCommand(c.init));  // the wait comes between the init and the dial command
        } else {
            EXPECT_TRUE(waits.empty());
        }
        EXPECT_EQ(modem.received(), "ATH\r\n");
    }
}

TEST(Dialer, MissingDeviceNamesThePortAndTheReason)
{
    TDialer d;
    d.ComPort = dpCOM3;
    d.Device = "/dev/addrova-no-such-modem";
    bool pickedUp = false;
    d.PickUp = [&] { pickedUp = true; };
    const TDialer::Result r = d.Dial();
    EXPECT_EQ(r.outcome, TDialer::Outcome::OpenFailed);
    EXPECT_EQ(r.message, "Unable to open COM3 (/dev/addrova-no-such-modem)\nNo such file or directory");
    EXPECT_FALSE(pickedUp);
}

TEST(Dialer, PortInUseIsNotOpenedTwice)
{
    PseudoModem modem;
    ASSERT_TRUE(modem.ok());
    ModemPort first;
    std::string error;
    ASSERT_TRUE(first.open(modem.device(), &error)) << error;
    TDialer d;
    d.Device = modem.device();
    const TDialer::Result r = d.Dial();
    EXPECT_EQ(r.outcome, TDialer::Outcome::OpenFailed);
    EXPECT_NE(r.message.find("in use"), std::string::npos) << r.message;
    first.close();
    EXPECT_EQ(modem.received(), "");
    EXPECT_EQ(d.Dial().outcome, TDialer::Outcome::Dialed);
}

TEST(Dialer, WriteFailureIsReportedAndNothingElseSent)
{
    TDialer d;
    d.Device = "/dev/full";  // every write fails
    d.InitStr = "AT&F";
    bool waited = false, pickedUp = false;
    d.Wait = [&](int) { waited = true; };
    d.PickUp = [&] { pickedUp = true; };
    const TDialer::Result r = d.Dial();
    EXPECT_EQ(r.outcome, TDialer::Outcome::WriteFailed);
    EXPECT_EQ(r.message, "Unable to dial number");
    EXPECT_FALSE(waited);
    EXPECT_FALSE(pickedUp);
}

TEST(Dialer, ConfirmationWhenAsked)
{
    PseudoModem modem;
    ASSERT_TRUE(modem.ok());
    TDialer d;
    d.Device = modem.device();
    d.NumberToDial = "555";
    d.Confirm = true;
    d.ConfirmDial = [](const std::string& n) { return n != "555"; };
    EXPECT_EQ(d.Dial().outcome, TDialer::Outcome::NotConfirmed);
    EXPECT_EQ(modem.received(), "");
    d.Confirm = false;  // as this program uses it: no question
    EXPECT_EQ(d.Dial().outcome, TDialer::Outcome::Dialed);
    EXPECT_EQ(modem.received(), "ATDT555\r\nATH\r\n");
}
