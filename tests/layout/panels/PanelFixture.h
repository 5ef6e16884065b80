#pragma once

// A design panel on screen (offscreen platform) with a fixed clock, a program directory of its own
// and captured message boxes; dialogs that open while placing are cancelled.

#include "Common.h"
#include "GFiler.h"
#include "GHandle.h"
#include "GLabels.h"
#include "GPanels.h"
#include "GShapes.h"

#include <QApplication>
#include <QDialog>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

#include <memory>

namespace panels_test {

using namespace addrova::layout;

// Cancels every modal dialog that opens while it lives.
class DialogCanceller {
public:
    DialogCanceller() {
        timer_.setInterval(5);
        QObject::connect(&timer_, &QTimer::timeout, [this] {
            if (auto* d = qobject_cast<QDialog*>(QApplication::activeModalWidget())) {
                ++cancelled;
                d->reject();
            }
        });
        timer_.start();
    }
    int cancelled = 0;

private:
    QTimer timer_;
};

class PanelTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(home_.isValid());
        qputenv("ADDROVA_HOME", home_.path().toLocal8Bit());
        now = 100000;
        setPanelTickSource([this] { return now; });
        addrova::ui::SetMessageHook([this](const addrova::ui::MessageRequest& r) {
            messages.push_back(r.text);
            return true;
        });
    }
    void TearDown() override {
        setPanelTickSource({});
        addrova::ui::SetMessageHook({});
        setProgramDragCursor(false);
    }

    template <class P> std::unique_ptr<P> makePanel(int w = 400, int h = 200) {
        auto p = std::make_unique<P>();
        p->setPpi(96);
        p->resize(w, h);
        p->show();
        QCoreApplication::processEvents();
        return p;
    }
    // A rectangle shape adopted at a place.
    static TGLabelShapes* addShape(TGBasePanel& panel, QRect r) {
        auto* s = new TGLabelShapes(&panel);
        s->loaded();
        panel.AddObject(s, r);
        return s;
    }
    static void settle() {
        for (int i = 0; i < 3; ++i) QCoreApplication::processEvents();
    }
    // A press on a point, moves and a release, with the clock advancing between steps.
    void drag(QWidget* w, QPoint from, QPoint to, int64_t pressToMove = 20, int64_t moveToRelease = 200,
              Qt::KeyboardModifiers mods = {}) {
        QTest::mousePress(w, Qt::LeftButton, mods, from);
        now += pressToMove;
        QTest::mouseMove(w, from);
        now += 5;
        QTest::mouseMove(w, to);
        now += moveToRelease;
        QTest::mouseRelease(w, Qt::LeftButton, mods, to);
        settle();
    }
    QString clipboard() const { return home_.path() + QStringLiteral("/Clipbrd.tmp"); }
    QString file(const char* name) const { return home_.path() + QLatin1Char('/') + QLatin1String(name); }

    int64_t now = 0;
    std::vector<QString> messages;

private:
    QTemporaryDir home_;
};

}  // namespace panels_test
