#include "DialerWindow.h"

#include "AVDialer.h"
#include "Help.h"

#include "Common.h"
#include "ProgramDir.h"

#include <QButtonGroup>
#include <QEventLoop>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>
#include <QVBoxLayout>

#include <stdexcept>

namespace addrova::dialer {

TAVDialer::TAVDialer(const QString& numberToDial, app::ProfileFile ini, QWidget* parent)
    : QDialog(parent), ini_(std::move(ini))
{
    setObjectName(QStringLiteral("TAVDialer"));
    setWindowTitle(QStringLiteral("Dial Phone Number"));

    number_ = new QLineEdit(numberToDial, this);
    number_->setObjectName(QStringLiteral("NumberToDial"));
    prefix_ = new QLineEdit(this);
    prefix_->setObjectName(QStringLiteral("Prefix"));
    init_ = new QLineEdit(this);
    init_->setObjectName(QStringLiteral("InitStr"));

    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("Number to Dial"), number_);
    form->addRow(QStringLiteral("Prefix"), prefix_);
    form->addRow(QStringLiteral("Modem Initialization String"), init_);

    auto* portBox = new QGroupBox(QStringLiteral("Port"), this);
    auto* portLayout = new QHBoxLayout(portBox);
    port_ = new QButtonGroup(this);
    for (int i = 0; i < 4; ++i) {
        auto* b = new QRadioButton(QStringLiteral("COM %1").arg(i + 1), portBox);
        port_->addButton(b, i);
        portLayout->addWidget(b);
    }
    port_->button(0)->setChecked(true);

    auto* methodBox = new QGroupBox(QStringLiteral("Method"), this);
    auto* methodLayout = new QHBoxLayout(methodBox);
    method_ = new QButtonGroup(this);
    const char* methods[] = {"Tone", "Pulse"};
    for (int i = 0; i < 2; ++i) {
        auto* b = new QRadioButton(QString::fromLatin1(methods[i]), methodBox);
        method_->addButton(b, i);
        methodLayout->addWidget(b);
    }
    method_->button(0)->setChecked(true);

    dial_ = new QPushButton(QStringLiteral("Dial"), this);
    dial_->setObjectName(QStringLiteral("DialButton"));
    dial_->setDefault(true);
    auto* help = new QPushButton(QStringLiteral("Help"), this);
    auto* cancel = new QPushButton(QStringLiteral("Cancel"), this);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    for (QPushButton* b : {dial_, help, cancel})
        buttons->addWidget(b);
    connect(dial_, &QPushButton::clicked, this, &TAVDialer::DialButtonClick);
    connect(help, &QPushButton::clicked, this, [] { help::ShowHelp(help::TopicDialer); });
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(portBox);
    layout->addWidget(methodBox);
    layout->addLayout(buttons);
}

void TAVDialer::showEvent(QShowEvent* event)
{
    if (!loaded_)
        loadSettings();
    QDialog::showEvent(event);
}

void TAVDialer::loadSettings()
{
    loaded_ = true;
    const DialSettings s = LoadDialSettings(ini_);
    prefix_->setText(QString::fromStdString(s.Prefix));
    init_->setText(QString::fromStdString(s.Init));
    port_->button(s.Port)->setChecked(true);
    method_->button(s.Method)->setChecked(true);
}

DialSettings TAVDialer::windowSettings() const
{
    DialSettings s;
    s.Prefix = prefix_->text().toStdString();
    s.Init = init_->text().toStdString();
    s.Port = port_->checkedId() < 0 ? 0 : port_->checkedId();
    s.Method = method_->checkedId() == 1 ? 1 : 0;
    return s;
}

void TAVDialer::DialButtonClick()
{
    if (!loaded_)
        loadSettings();
    const DialSettings s = windowSettings();
    try {
        SaveDialSettings(ini_, s);
    } catch (const std::exception& e) {
        // The call does not depend on the saved settings: say so and dial anyway.
        ui::ShowError(QString::fromStdString(e.what()));
    }

    TDialer dialer;
    dialer.NumberToDial = s.Prefix + number_->text().toStdString();
    dialer.InitStr = s.Init;
    dialer.ComPort = static_cast<TDialPort>(s.Port);
    dialer.Method = s.Method == 1 ? dmPulse : dmTone;
    dialer.Device = DevicePath(ini_, dialer.ComPort);
    dialer.Wait = [](int ms) {
        QEventLoop loop;
        QTimer::singleShot(ms, &loop, &QEventLoop::quit);
        loop.exec();
    };
    dialer.PickUp = [] { ui::ShowInfo(QStringLiteral("Pick up phone")); };

    // The window keeps working during the wait: no second call meanwhile.
    setEnabled(false);
    const TDialer::Result result = dialer.Dial();
    setEnabled(true);
    if (!result.message.empty())
        ui::ShowError(QString::fromStdString(result.message));
}

void OpenDialer(QWidget* parent, const QString& numberToDial, app::ProfileFile ini)
{
    TAVDialer dialog(numberToDial, std::move(ini), parent);
    dialog.adjustSize();
    ui::CenterOverMain(&dialog);
    dialog.exec();
}

void OpenDialer(QWidget* parent, const QString& numberToDial) { OpenDialer(parent, numberToDial, app::Settings()); }

}  // namespace addrova::dialer
