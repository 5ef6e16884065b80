// An exception escaping an event handler is shown as an error and the event loop goes on.
#include "Application.h"
#include "Common.h"

#include <QCoreApplication>
#include <QEvent>
#include <QTimer>
#include <gtest/gtest.h>

#include <stdexcept>
#include <vector>

using namespace addrova::ui;

namespace {

class Thrower : public QObject {
public:
    int handled = 0;
    bool event(QEvent* e) override
    {
        if (e->type() == QEvent::User) throw std::runtime_error("Cannot read index ADDR.CDX: damaged");
        if (e->type() == QEvent::User + 1) {
            ++handled;
            return true;
        }
        return QObject::event(e);
    }
};

}  // namespace

TEST(Application, EscapedExceptionIsShownAndTheLoopGoesOn)
{
    std::vector<MessageRequest> shown;
    SetMessageHook([&](const MessageRequest& r) {
        shown.push_back(r);
        return false;
    });
    Thrower t;
    QEvent direct(QEvent::User);
    EXPECT_FALSE(QCoreApplication::sendEvent(&t, &direct));

    // Posted events: the failing one does not stop the ones behind it.
    QCoreApplication::postEvent(&t, new QEvent(QEvent::User));
    QCoreApplication::postEvent(&t, new QEvent(QEvent::Type(QEvent::User + 1)));
    QCoreApplication::processEvents();
    EXPECT_EQ(t.handled, 1);

    ASSERT_EQ(shown.size(), 2u);
    for (const auto& r : shown) {
        EXPECT_EQ(r.kind, MessageKind::Error);
        EXPECT_EQ(r.text, QStringLiteral("Cannot read index ADDR.CDX: damaged"));
    }
    SetMessageHook({});
}

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    Application app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
