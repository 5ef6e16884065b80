// The "Dial Phone Number" window over a settings file and a pseudo-terminal.
#include "AVDialer.h"
#include "PseudoModem.h"

#include "Common.h"

#include <QAbstractButton>
#include <QButtonGroup>
#include <QLineEdit>
#include <QPushButton>
#include <gtest/gtest.h>

#include <filesystem>

using namespace addrova;
using namespace addrova::dialer;

namespace {

class DialerWindow : public ::testing::Test {
protected:
    void SetUp() override
    {
        path_ = std::filesystem::temp_directory_path() / ("addrova_dialwin_" + std::to_string(::getpid()) + ".ini");
        std::filesystem::remove(path_);
        ui::SetMessageHook([this](const ui::MessageRequest& r) {
            messages_.push_back(r);
            if (r.text == QStringLiteral("Pick up phone"))
                atPickUp_ = modem_.received();
            return true;
        });
    }
    void TearDown() override
    {
        ui::SetMessageHook({});
        std::filesystem::remove(path_);
    }
    app::ProfileFile ini() const { return app::ProfileFile(path_.string()); }

    std::filesystem::path path_;
    PseudoModem modem_;
    std::vector<ui::MessageRequest> messages_;
    std::string atPickUp_;
};

}  // namespace

TEST_F(DialerWindow, DialsPrefixAndNumberOnTheConfiguredDeviceAndSavesTheSettings)
{
    ASSERT_TRUE(modem_.ok());
    app::ProfileFile file = ini();
    file.writeString("Dialing", "Prefix", "9,");
    file.writeInt("Dialing", "Port", 1);
    file.writeInt("Dialing", "Method", 1);
    file.writeString("Dialing", "Device2", modem_.device());

    TAVDialer window(QStringLiteral("(555) 123-4567"), ini());
    window.show();
    EXPECT_EQ(window.windowTitle(), QStringLiteral("Dial Phone Number"));
    EXPECT_EQ(window.numberEdit()->text(), QStringLiteral("(555) 123-4567"));
    EXPECT_EQ(window.prefixEdit()->text(), QStringLiteral("9,"));
    EXPECT_EQ(window.initEdit()->text(), QString());
    EXPECT_EQ(window.portGroup()->checkedButton()->text(), QStringLiteral("COM 2"));
    EXPECT_EQ(window.methodGroup()->checkedButton()->text(), QStringLiteral("Pulse"));

    window.prefixEdit()->setText(QStringLiteral("1"));
    window.methodGroup()->button(0)->setChecked(true);
    window.dialButton()->click();

    EXPECT_EQ(atPickUp_, "ATDT1(555) 123-4567\r\n");
    EXPECT_EQ(modem_.received(), "ATH\r\n");
    ASSERT_EQ(messages_.size(), 1u);
    EXPECT_EQ(messages_[0].kind, ui::MessageKind::Information);
    EXPECT_EQ(messages_[0].caption, QStringLiteral("Information"));
    EXPECT_EQ(LoadDialSettings(ini()), (DialSettings{"1", "", 1, 0}));
    EXPECT_TRUE(window.isVisible());  // ready for another call
    EXPECT_TRUE(window.isEnabled());
}

TEST_F(DialerWindow, AMissingDeviceGivesAnErrorAndSendsNothing)
{
    app::ProfileFile file = ini();
    file.writeString("Dialing", "Device1", "/dev/addrova-no-such-modem");
    TAVDialer window(QStringLiteral("5551234"), ini());
    window.show();
    window.dialButton()->click();
    ASSERT_EQ(messages_.size(), 1u);
    EXPECT_EQ(messages_[0].kind, ui::MessageKind::Error);
    EXPECT_TRUE(messages_[0].text.startsWith(QStringLiteral("Unable to open COM1 (/dev/addrova-no-such-modem)")))
        << messages_[0].text.toStdString();
    EXPECT_EQ(modem_.received(), "");
}
