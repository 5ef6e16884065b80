#include "Application.h"

#include "Common.h"

#include <cstdio>
#include <exception>

namespace addrova::ui {

namespace {

void Report(const char* what)
{
    static bool reporting = false;
    if (reporting) {  // a second failure while the first is on screen
        std::fprintf(stderr, "addrova: %s\n", what);
        return;
    }
    reporting = true;
    try {
        ShowError(QString::fromLocal8Bit(what));
    } catch (...) {
        std::fprintf(stderr, "addrova: %s\n", what);
    }
    reporting = false;
}

}  // namespace

bool Application::notify(QObject* receiver, QEvent* event)
{
    try {
        return QApplication::notify(receiver, event);
    } catch (const std::exception& e) {
        Report(e.what());
    } catch (...) {
        Report("An unexpected error stopped the command.");
    }
    return false;
}

}  // namespace addrova::ui
