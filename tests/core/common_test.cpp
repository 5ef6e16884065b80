#include "Common.h"
#include "ProgramDir.h"
#include "Settings.h"

#include <QApplication>
#include <QDialog>
#include <QDialogButtonBox>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QMainWindow>
#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <filesystem>

using namespace addrova::ui;

TEST(Placement, SectionNameCarriesDensityAbove96)
{
    EXPECT_EQ(PlacementSection("TAddressMain", 96), "TAddressMain_Placement");
    EXPECT_EQ(PlacementSection("TAddressMain", 120), "TAddressMain_Placement120");
}

TEST(Placement, StoredRectIsPulledInsideTheScreen)
{
    struct Case {
        StoredRect in;
        int w, h;
        StoredRect out;
    } cases[] = {
        {{100, 50, 900, 650}, 1024, 768, {100, 50, 900, 650}},
        {{600, 50, 1400, 650}, 1024, 768, {224, 50, 1024, 650}},
        {{10, 400, 500, 1000}, 1024, 768, {10, 168, 500, 768}},
    };
    for (const Case& c : cases) {
        const StoredRect r = FitToScreen(c.in, c.w, c.h);
        EXPECT_EQ(r.left, c.out.left);
        EXPECT_EQ(r.top, c.out.top);
        EXPECT_EQ(r.right, c.out.right);
        EXPECT_EQ(r.bottom, c.out.bottom);
    }
}

TEST(Placement, SavedPlacementIsRestored)
{
    const auto dir = std::filesystem::temp_directory_path() / ("addrova-common-" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir);
    ::setenv("ADDROVA_HOME", dir.c_str(), 1);

    QDialog d;
    d.setGeometry(40, 60, 300, 200);
    SavePlacement(&d, "TTestDialog");
    const auto ini = addrova::app::Settings();
    EXPECT_EQ(ini.readInt("TTestDialog_Placement", "Right", 0), 340);
    EXPECT_EQ(ini.readInt("TTestDialog_Placement", "Bottom", 0), 260);

    QDialog e;
    RestorePlacement(&e, "TTestDialog");
    EXPECT_EQ(e.geometry(), QRect(40, 60, 300, 200));
    std::filesystem::remove_all(dir);
}

TEST(Messages, HookAnswersAndSeesCaptions)
{
    std::vector<MessageRequest> seen;
    SetMessageHook([&](const MessageRequest& r) {
        seen.push_back(r);
        return r.caption == "DELETE";
    });
    ShowInfo("Done");
    EXPECT_TRUE(AskYesNo("Delete it?", "DELETE"));
    EXPECT_FALSE(AskYesNoDefaultNo("Overwrite?", "OVERWRITE"));
    SetMessageHook({});
    ASSERT_EQ(seen.size(), 3u);
    EXPECT_EQ(seen[0].caption, "Information");
    EXPECT_EQ(seen[0].kind, MessageKind::Information);
    EXPECT_FALSE(seen[1].defaultNo);
    EXPECT_TRUE(seen[2].defaultNo);
}

TEST(Centre, DialogCentredOverMainWithTruncation)
{
    QMainWindow main;
    main.setGeometry(100, 100, 801, 601);
    main.show();
    SetMainWindow(&main);
    QDialog d;
    d.resize(300, 200);
    CenterOverMain(&d);
    const QRect m = main.frameGeometry();
    EXPECT_EQ(d.pos().x(), m.left() + (m.width() - d.frameGeometry().width()) / 2);
    EXPECT_EQ(d.pos().y(), m.top() + (m.height() - d.frameGeometry().height()) / 2);
    SetMainWindow(nullptr);
}

TEST(Messages, YesNoCancelQuestion)
{
    // The answer hook gives all three answers; without it the message hook answers Yes or No.
    for (Answer a : {Answer::Yes, Answer::No, Answer::Cancel}) {
        MessageRequest seen;
        SetAnswerHook([&](const MessageRequest& r) {
            seen = r;
            return a;
        });
        EXPECT_EQ(AskYesNoCancel(QStringLiteral("Save?"), QStringLiteral("SAVE")), a);
        EXPECT_EQ(seen.kind, MessageKind::Question);
        EXPECT_EQ(seen.caption, "SAVE");
        EXPECT_EQ(seen.text, "Save?");
    }
    SetAnswerHook({});
    for (bool yes : {true, false}) {
        SetMessageHook([&](const MessageRequest&) { return yes; });
        EXPECT_EQ(AskYesNoCancel(QStringLiteral("Save?"), QStringLiteral("SAVE")), yes ? Answer::Yes : Answer::No);
    }
    SetMessageHook({});

    // The real box: three buttons, Esc is Cancel, No is No.
    struct Case {
        std::function<void(QMessageBox*)> press;
        Answer answer;
    };
    const Case cases[] = {
        {[](QMessageBox* b) { QTest::keyClick(b, Qt::Key_Escape); }, Answer::Cancel},
        {[](QMessageBox* b) { b->button(QMessageBox::No)->click(); }, Answer::No},
        {[](QMessageBox* b) { b->defaultButton()->click(); }, Answer::Yes},
    };
    for (const Case& c : cases) {
        QStringList buttons;
        QTimer::singleShot(0, [&] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            ASSERT_NE(box, nullptr);
            for (QAbstractButton* b : box->buttons())
                buttons << b->text().remove(QLatin1Char('&'));
            c.press(box);
        });
        EXPECT_EQ(AskYesNoCancel(QStringLiteral("Save?"), QStringLiteral("SAVE")), c.answer);
        buttons.sort();
        EXPECT_EQ(buttons, (QStringList{"Cancel", "No", "Yes"}));
    }
}

TEST(Messages, StandardButtonsReadOk)
{
    const auto texts = [] {
        QDialogButtonBox box(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
        QMessageBox message(QMessageBox::Information, "Information", "x", QMessageBox::Ok);
        return QStringList{box.button(QDialogButtonBox::Ok)->text().remove(QLatin1Char('&')),
                           box.button(QDialogButtonBox::Cancel)->text().remove(QLatin1Char('&')),
                           message.button(QMessageBox::Ok)->text().remove(QLatin1Char('&'))};
    };
    UseProgramButtonTexts();
    UseProgramButtonTexts();  // once is enough; a second call changes nothing
    EXPECT_EQ(texts(), (QStringList{"Ok", "Cancel", "Ok"}));
    EXPECT_EQ(QCoreApplication::translate("QObject", "OK"), "OK");  // other texts stay as written
}
