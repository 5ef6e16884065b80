#include "StartUp.h"

#include "Application.h"
#include "Common.h"
#include "ProgramDir.h"
#include "SingleInstance.h"
#include "TAddressMain.h"

#include <QApplication>
#include <QCursor>
#include <QPixmap>
#include <QSocketNotifier>
#include <QTimer>

namespace addrova::ui {

void NameTheProgram()
{
    // No display name: the platform would append it to every title, and the main window's title
    // already begins with the program's name.
    QApplication::setApplicationName(QStringLiteral("Addrova"));
    UseProgramButtonTexts();
}

int RunProgram(int argc, char** argv)
{
    app::PrepareProgramDir();
    app::SingleInstance instance(app::ProgramDir());
    if (!instance.acquire())
        return 0;  // the running copy was asked to come forward

    Application qapp(argc, argv);
    NameTheProgram();
    QApplication::setOverrideCursor(Qt::WaitCursor);
    TAddressMain main;
    QApplication::restoreOverrideCursor();

    std::unique_ptr<QSocketNotifier> notifier;
    if (instance.listenFd() >= 0) {
        notifier = std::make_unique<QSocketNotifier>(instance.listenFd(), QSocketNotifier::Read);
        QObject::connect(notifier.get(), &QSocketNotifier::activated, &main, [&] {
            if (!instance.takeActivation())
                return;
            if (main.isMinimized())
                main.showNormal();
            main.raise();
            main.activateWindow();
        });
    }

    const QString shot = qEnvironmentVariable("ADDROVA_SCREENSHOT");
    if (!shot.isEmpty()) {
        QTimer::singleShot(1500, &main, [&main, shot] {
            for (QWidget* w : QApplication::topLevelWidgets())
                if (w != &main && w->isVisible() && w->isModal())
                    w->close();
            main.grab().save(shot);
            main.close();
            QApplication::quit();
        });
    }
    main.show();
    return QApplication::exec();
}

}  // namespace addrova::ui
