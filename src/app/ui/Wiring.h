#pragma once

// The windows of the other libraries, as the main window calls them. Each is one function here,
// so a library that is not built leaves one place to change.

#include <QString>

class QWidget;

namespace addrova::ui {

void OpenHelp(int topic);
void OpenHelpContents();
void OpenHelpSearch();
void OpenHelpOnHelp();
void OpenAbout(QWidget* parent);
bool HaveHelp();

// Getting Started: whether it opens at start, and the window itself.
bool GettingStartedAtStart();
void OpenGettingStarted(QWidget* parent);

bool HaveDialer();
void OpenDialerFor(QWidget* parent, const QString& number);

// True when printing is possible; shows why not otherwise.
bool CheckPrinter();

}  // namespace addrova::ui
