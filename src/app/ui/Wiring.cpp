#include "Wiring.h"

#include "CheckPrinter.h"
#include "DialerWindow.h"
#include "Help.h"

namespace addrova::ui {

void OpenHelp(int topic) { help::ShowHelp(topic); }
void OpenHelpContents() { help::ShowHelpContents(); }
void OpenHelpSearch() { help::ShowHelpSearch(); }
void OpenHelpOnHelp() { help::ShowHelpOnHelp(); }
void OpenAbout(QWidget* parent) { help::ShowAbout(parent); }
bool HaveHelp() { return true; }
bool GettingStartedAtStart() { return help::GettingStartedAtStart(); }
void OpenGettingStarted(QWidget* parent) { help::ShowGettingStarted(parent); }

bool HaveDialer() { return true; }
void OpenDialerFor(QWidget* parent, const QString& number) { dialer::OpenDialer(parent, number); }

bool CheckPrinter() { return print::CheckPrinter(); }

}  // namespace addrova::ui
