#include "CheckPrinter.h"

#include "Common.h"
#include "PrintJob.h"
#include "PrinterControl.h"

#include <QDir>
#include <QFileDialog>
#include <QPrintDialog>
#include <QPrinter>

namespace addrova::print {

bool CheckPrinter(PrinterControl& printer)
{
    if (printer.Printers().isEmpty()) {
        ui::ShowInfo(QStringLiteral("There are no installed printers.\nUnable to perform printer related operations"));
        return false;
    }
    if (printer.DeviceName().isEmpty()) {
        printer.SelectDefaultPrinter();
        if (printer.DeviceName().isEmpty()) {
            ui::ShowInfo(
                QStringLiteral("There is no default printer selected.\nUnable to perform printer related operations"));
            return false;
        }
    }
    return true;
}

bool CheckPrinter()
{
    return CheckPrinter(Engine());
}

bool ShowPrinterSetup(PrinterControl& printer, QWidget* parent)
{
    QPrintDialog dialog(&printer.QtPrinter(), parent ? parent : ui::MainWindow());
    dialog.setWindowTitle(QStringLiteral("Printer Setup"));
    dialog.setOption(QAbstractPrintDialog::PrintToFile, true);
    const bool ok = dialog.exec() == QDialog::Accepted;
    printer.SettingsChanged();
    return ok;
}

bool ShowPrintDialog(PrinterControl& printer, QWidget* parent)
{
    QPrintDialog dialog(&printer.QtPrinter(), parent ? parent : ui::MainWindow());
    dialog.setWindowTitle(QStringLiteral("Print"));
    const bool ok = dialog.exec() == QDialog::Accepted;
    if (ok)
        printer.SettingsChanged();
    return ok;
}

void InstallPdfFileDialog()
{
    if (PrinterControl::HasPdfFileNameAsker())
        return;
    PrinterControl::SetPdfFileNameAsker([](const QString& title) {
        QString name = title.isEmpty() ? QStringLiteral("Addrova") : title;
        return QFileDialog::getSaveFileName(ui::MainWindow(), QStringLiteral("Print to PDF file"),
                                            QDir::home().filePath(name + QStringLiteral(".pdf")),
                                            QStringLiteral("PDF files (*.pdf)"));
    });
}

}  // namespace addrova::print
