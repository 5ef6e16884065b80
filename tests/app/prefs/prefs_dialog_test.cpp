// The Preferences window over a settings file.
#include "PreferencesDialog.h"

#include "Common.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>
#include <gtest/gtest.h>

#include <filesystem>
#include <unistd.h>

using namespace addrova;

namespace {

class PrefsDialog : public ::testing::Test {
protected:
    void SetUp() override
    {
        dir_ = std::filesystem::temp_directory_path() / ("addrova_prefsdlg_" + std::to_string(::getpid()));
        std::filesystem::remove_all(dir_);
        std::filesystem::create_directories(dir_);
        ui::SetMessageHook([this](const ui::MessageRequest& r) {
            messages_.push_back(r.text);
            return true;
        });
    }
    void TearDown() override
    {
        ui::SetMessageHook({});
        std::filesystem::remove_all(dir_);
    }
    app::ProfileFile ini() const { return app::ProfileFile((dir_ / "ADDROV.ini").string()); }

    std::filesystem::path dir_;
    QStringList messages_;
};

std::vector<prefs::BoolOption> allOptions()
{
    std::vector<prefs::BoolOption> all;
    for (const auto* list : {&prefs::GeneralOptions(), &prefs::CarryOptions(), &prefs::SkipOptions()})
        all.insert(all.end(), list->begin(), list->end());
    return all;
}

QCheckBox* box(const QWidget& w, const char* key) { return w.findChild<QCheckBox*>(QString::fromLatin1(key)); }

void click(const QWidget& w, const char* name)
{
    auto* b = w.findChild<QPushButton*>(QString::fromLatin1(name));
    ASSERT_NE(b, nullptr) << name;
    b->click();
}

}  // namespace

TEST_F(PrefsDialog, OpeningReadsEveryKeyIntoItsControl)
{
    const auto options = allOptions();
    app::ProfileFile file = ini();
    // Alternate options on, so that a box bound to the wrong key shows.
    for (size_t i = 0; i < options.size(); ++i)
        file.writeBool("Adding", options[i].key, i % 2 == 0);
    file.writeString("Adding", "DefaultCountry", "Österreich");

    prefs::TPreferences dialog(ini());
    for (size_t i = 0; i < options.size(); ++i) {
        QCheckBox* b = box(dialog, options[i].key);
        ASSERT_NE(b, nullptr) << options[i].key;
        EXPECT_EQ(b->isChecked(), i % 2 == 0) << options[i].key;
        EXPECT_EQ(b->text(), QString::fromUtf8(options[i].caption));
    }
    EXPECT_EQ(dialog.findChild<QLineEdit*>("DefaultCountry")->text(), QStringLiteral("Österreich"));
    bool heading = false;
    for (auto* g : dialog.findChildren<QGroupBox*>())
        heading = heading || g->title() == QStringLiteral(" When adding new records");
    EXPECT_TRUE(heading);
}

TEST_F(PrefsDialog, OkWritesEveryKeyCancelWritesNothing)
{
    const auto options = allOptions();
    {
        prefs::TPreferences dialog(ini());
        for (size_t i = 0; i < options.size(); ++i)
            box(dialog, options[i].key)->setChecked(i % 3 == 0);
        dialog.findChild<QLineEdit*>("DefaultCountry")->setText(QStringLiteral("Canada"));
        click(dialog, "OkButton");
        EXPECT_EQ(dialog.result(), QDialog::Accepted);
    }
    const prefs::AddPreferences saved = prefs::LoadPreferences(ini());
    for (size_t i = 0; i < options.size(); ++i)
        EXPECT_EQ(saved.*options[i].member, i % 3 == 0) << options[i].key;
    EXPECT_EQ(saved.DefaultCountry, "Canada");

    {
        prefs::TPreferences dialog(ini());
        for (const auto& o : options)
            box(dialog, o.key)->setChecked(!box(dialog, o.key)->isChecked());
        dialog.findChild<QLineEdit*>("DefaultCountry")->clear();
        click(dialog, "CancelButton");
        EXPECT_EQ(dialog.result(), QDialog::Rejected);
    }
    EXPECT_EQ(prefs::LoadPreferences(ini()), saved);
    EXPECT_TRUE(messages_.isEmpty());
}

TEST_F(PrefsDialog, OkThatCannotWriteSaysSoAndStaysOpen)
{
    prefs::TPreferences dialog(app::ProfileFile((dir_ / "missing" / "ADDROV.ini").string()));
    dialog.show();
    box(dialog, "PlugDate")->setChecked(true);
    click(dialog, "OkButton");
    ASSERT_EQ(messages_.size(), 1);
    EXPECT_TRUE(messages_[0].contains(QStringLiteral("ADDROV.ini"))) << messages_[0].toStdString();
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_TRUE(box(dialog, "PlugDate")->isChecked());
}
