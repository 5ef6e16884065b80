#include "Wiring.h"

#include "Common.h"
#include "ProgramDir.h"

#include <QPrinterInfo>

#ifdef ADDROVA_HAVE_HELP
#include "Help.h"
#endif
#ifdef ADDROVA_HAVE_DIALER
#include "DialerWindow.h"
#endif
#ifdef ADDROVA_HAVE_PRINT
#include "CheckPrinter.h"
#endif

namespace addrova::ui {

#ifdef ADDROVA_HAVE_HELP
void OpenHelp(int topic) { help::ShowHelp(topic); }
void OpenHelpContents() { help::ShowHelpContents(); }
void OpenHelpSearch() { help::ShowHelpSearch(); }
void OpenHelpOnHelp() { help::ShowHelpOnHelp(); }
void OpenAbout(QWidget* parent) { help::ShowAbout(parent); }
bool HaveHelp() { return true; }
bool GettingStartedAtStart() { return help::GettingStartedAtStart(); }
void OpenGettingStarted(QWidget* parent) { help::ShowGettingStarted(parent); }
#else
void OpenHelp(int) {}
void OpenHelpContents() {}
void OpenHelpSearch() {}
void OpenHelpOnHelp() {}
void OpenAbout(QWidget*) {}
bool HaveHelp() { return false; }
bool GettingStartedAtStart() { return !app::Settings().readBool("Misc", "GettingStarted", false); }
void OpenGettingStarted(QWidget*) {}
#endif

#ifdef ADDROVA_HAVE_DIALER
bool HaveDialer() { return true; }
void OpenDialerFor(QWidget* parent, const QString& number) { dialer::OpenDialer(parent, number); }
#else
bool HaveDialer() { return false; }
void OpenDialerFor(QWidget*, const QString&) {}
#endif

#ifdef ADDROVA_HAVE_PRINT
bool CheckPrinter() { return print::CheckPrinter(); }
#else
// The printer check of the print engine, until that library is built.
bool CheckPrinter()
{
    if (QPrinterInfo::availablePrinters().isEmpty()) {
        ShowInfo(QStringLiteral("There are no installed printers.\nUnable to perform printer related operations"));
        return false;
    }
    QString name = QPrinterInfo::defaultPrinterName();
    if (name.isEmpty())
        name = QPrinterInfo::defaultPrinter().printerName();
    if (name.isEmpty()) {
        ShowInfo(QStringLiteral("There is no default printer selected.\nUnable to perform printer related operations"));
        return false;
    }
    return true;
}
#endif

}  // namespace addrova::ui
