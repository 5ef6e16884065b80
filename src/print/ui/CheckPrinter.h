#pragma once

class QWidget;

namespace addrova::print {

class PrinterControl;

// The printer check: false, after telling the user, when no printer is installed or none is
// current (after one attempt to select the default again).
bool CheckPrinter(PrinterControl& printer);
bool CheckPrinter();  // on the program's engine

// The printer setup dialog on `printer`; the engine reads the printer's settings again after Ok.
bool ShowPrinterSetup(PrinterControl& printer, QWidget* parent = nullptr);

// The print dialog (printer, pages, copies) before printing; false when it is cancelled.
bool ShowPrintDialog(PrinterControl& printer, QWidget* parent = nullptr);

// Lets the "PDF file" printer ask for its file name with a save dialog (unless an asker is set).
void InstallPdfFileDialog();

}  // namespace addrova::print
