#pragma once

#include <QApplication>

namespace addrova::ui {

// The program's application object. An exception that escapes a window's handler (a damaged file met
// in the middle of a command, a full disk) is shown as an error and the program goes on, instead of
// ending it with the user's other windows and unsaved work.
class Application : public QApplication {
public:
    Application(int& argc, char** argv) : QApplication(argc, argv) {}
    bool notify(QObject* receiver, QEvent* event) override;
};

}  // namespace addrova::ui
