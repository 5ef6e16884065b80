#include "PreferencesDialog.h"

#include "Common.h"
#include "ProgramDir.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include <stdexcept>

namespace addrova::prefs {

TPreferences::TPreferences(app::ProfileFile ini, QWidget* parent) : QDialog(parent), ini_(std::move(ini))
{
    setWindowTitle(QStringLiteral("Preferences"));
    setObjectName(QStringLiteral("TPreferences"));

    auto makeBox = [this](const BoolOption& o, QWidget* owner) {
        auto* box = new QCheckBox(QString::fromUtf8(o.caption), owner);
        box->setObjectName(QString::fromLatin1(o.key));
        boxes_[&o] = box;
        return box;
    };

    auto* group = new QGroupBox(QStringLiteral(" When adding new records"), this);
    auto* groupLayout = new QVBoxLayout(group);
    for (const auto& o : GeneralOptions())
        groupLayout->addWidget(makeBox(o, group));
    auto* countryRow = new QHBoxLayout;
    auto* countryLabel = new QLabel(QStringLiteral("Default Country Name"), group);
    country_ = new QLineEdit(group);
    country_->setObjectName(QString::fromLatin1(kDefaultCountryKey));
    countryLabel->setBuddy(country_);
    countryRow->addWidget(countryLabel);
    countryRow->addWidget(country_, 1);
    groupLayout->addLayout(countryRow);

    auto* carry = new QGroupBox(QStringLiteral("Carry forward the following fields:"), group);
    auto* carryLayout = new QGridLayout(carry);
    int i = 0;
    for (const auto& o : CarryOptions()) {
        carryLayout->addWidget(makeBox(o, carry), i % 4, i / 4);
        ++i;
    }
    groupLayout->addWidget(carry);

    auto* skip = new QGroupBox(QStringLiteral("Skip through the following fields:"), group);
    auto* skipLayout = new QGridLayout(skip);
    i = 0;
    for (const auto& o : SkipOptions()) {
        skipLayout->addWidget(makeBox(o, skip), i % 6, i / 6);
        ++i;
    }
    groupLayout->addWidget(skip);

    auto* buttons = new QDialogButtonBox(this);
    QPushButton* ok = buttons->addButton(QStringLiteral("Ok"), QDialogButtonBox::AcceptRole);
    ok->setObjectName(QStringLiteral("OkButton"));
    ok->setDefault(true);
    QPushButton* cancel = buttons->addButton(QStringLiteral("Cancel"), QDialogButtonBox::RejectRole);
    cancel->setObjectName(QStringLiteral("CancelButton"));
    connect(ok, &QPushButton::clicked, this, &TPreferences::OkButtonClick);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(group);
    layout->addWidget(buttons);

    setPreferences(LoadPreferences(ini_));
}

void TPreferences::setPreferences(const AddPreferences& prefs)
{
    for (auto& [option, box] : boxes_)
        box->setChecked(prefs.*(option->member));
    country_->setText(QString::fromStdString(prefs.DefaultCountry));
}

AddPreferences TPreferences::preferences() const
{
    AddPreferences prefs;
    for (const auto& [option, box] : boxes_)
        prefs.*(option->member) = box->isChecked();
    prefs.DefaultCountry = country_->text().toStdString();
    return prefs;
}

void TPreferences::OkButtonClick()
{
    try {
        SavePreferences(ini_, preferences());
    } catch (const std::exception& e) {
        // Nothing typed is lost: the window stays open for another try or Cancel.
        ui::ShowError(QString::fromStdString(e.what()));
        return;
    }
    accept();
}

bool EditPreferences(QWidget* parent, app::ProfileFile ini)
{
    TPreferences dialog(std::move(ini), parent);
    dialog.adjustSize();
    ui::CenterOverMain(&dialog);
    return dialog.exec() == QDialog::Accepted;
}

bool EditPreferences(QWidget* parent) { return EditPreferences(parent, app::Settings()); }

}  // namespace addrova::prefs
