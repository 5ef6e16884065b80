// Layout verbs: a stored label or envelope layout drawn as it prints.
#include "Batch.h"

#include "AddressFile.h"
#include "GFiler.h"
#include "GGraphc.h"
#include "JobPrintSurface.h"
#include "PrintJob.h"
#include "PrinterControl.h"
#include "Table.h"

#include <QFileInfo>
#include <algorithm>
#include <QGuiApplication>
#include <QImage>
#include <cmath>
#include <iomanip>
#include <iostream>
#include <memory>
#include <sstream>
#include <stdexcept>

namespace addrova::batch {

namespace {

double number(const Args& a, const char* name, double fallback, double low, double high) {
    if (!a.has(name)) return fallback;
    std::string text = a.get(name);
    size_t used = 0;
    double v = 0;
    try {
        v = std::stod(text, &used);
    } catch (const std::exception&) {
        used = 0;
    }
    if (used == 0 || used != text.size() || !(v >= low && v <= high)) {
        auto shown = [](double d) {
            std::ostringstream s;
            s << std::setprecision(12) << d;
            return s.str();
        };
        throw UsageError{"--" + std::string(name) + " must be a number from " + shown(low) + " to " + shown(high) +
                         ", not \"" + text + "\""};
    }
    return v;
}

int renderLayout(const Args& a) {
    using namespace addrova::layout;
    std::string kind = a.get("kind");
    if (kind != "label" && kind != "envelope") throw UsageError{"--kind must be label or envelope"};
    if (!a.has("png")) throw UsageError{"--png OUT.png is required"};
    if (!QString::fromStdString(a.get("png")).endsWith(QLatin1String(".png"), Qt::CaseInsensitive))
        throw UsageError{"--png needs a file name ending in .png, not \"" + a.get("png") + "\""};
    if (a.has("record") != a.has("data")) throw UsageError{"--record and --data go together"};
    int dpi = static_cast<int>(number(a, "dpi", 300, 10, 2400));

    // Fonts need a GUI application; no window is shown.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    static int argc = 1;
    static char name[] = "addrova-batch";
    static char* argv[] = {name, nullptr};
    std::unique_ptr<QGuiApplication> app;
    if (!QCoreApplication::instance()) app = std::make_unique<QGuiApplication>(argc, argv);

    registerPanelClasses(kind == "label" ? PanelKind::Label : PanelKind::Envelope);
    StandaloneHost host;
    store::Table table;
    std::unique_ptr<TableRecordSource> records;
    if (a.has("data")) {
        std::string problem = store::openAddressFile(a.get("data"), table);
        if (!problem.empty()) throw std::runtime_error(problem);
        if (table.recCount() == 0) throw std::runtime_error(a.get("data") + " has no records");
        double recno = number(a, "record", 1, 1, table.recCount());
        if (!table.go(static_cast<uint32_t>(recno)))
            throw std::runtime_error("record " + a.get("record") + " is not in " + a.get("data"));
        records = std::make_unique<TableRecordSource>(table);
        host.setRecords(records.get());
    }
    QString path = QString::fromStdString(a.positional[0]);
    if (!QFileInfo::exists(path)) throw std::runtime_error("no such layout file: " + a.positional[0]);
    try {
        TGLabelObjectFiler::LoadObjects(&host, &host, path, host.ppi());
    } catch (const LayoutStreamError& e) {
        throw std::runtime_error(a.positional[0] + ": " + e.what());
    }
    // The page: the given size, else the objects' extent rounded up to a quarter inch.
    int right = 0, bottom = 0;
    for (auto* o : layoutObjects(&host)) {
        right = std::max(right, o->left() + o->width());
        bottom = std::max(bottom, o->top() + o->height());
    }
    auto quarter = [](double inches) { return std::clamp(std::ceil(inches * 4) / 4, 0.25, 100.0); };
    double width = number(a, "width", quarter(right / static_cast<double>(host.ppi())), 0.1, 100);
    double height = number(a, "height", quarter(bottom / static_cast<double>(host.ppi())), 0.1, 100);

    host.setPrinting(true);
    print::PrinterControl printer;
    printer.SetCustomPaper(width, height);
    print::PrintJob job(printer);
    job.OnPrint = [&host](print::PrintJob& j) {
        JobPrintSurface surface(j);
        host.printAll(surface, 0, 0);
    };
    std::vector<QImage> pages;
    if (!job.PrintToImages(pages, dpi) || pages.empty())
        throw std::runtime_error("printing failed: " + job.ErrorText().toStdString());
    if (!pages.front().save(QString::fromStdString(a.get("png")), "PNG"))
        throw std::runtime_error("cannot write " + a.get("png"));
    std::cout << "Rendered " << layoutObjects(&host).size() << " objects on " << width << " x " << height
              << " inches at " << dpi << " dpi to " << a.get("png") << "\n";
    return 0;
}

}  // namespace

void addLayoutVerbs(std::vector<Verb>& verbs) {
    verbs.push_back({"render-layout",
                     "FILE.L|FILE.E --kind label|envelope [--record RECNO --data ADDRESSFILE] --png OUT.png "
                     "[--dpi N] [--width INCHES --height INCHES]",
                     "draw a stored layout as it prints, with the record's data, into a PNG picture",
                     {"kind", "record", "data", "png", "dpi", "width", "height"},
                     {},
                     1,
                     1,
                     renderLayout});
}

}  // namespace addrova::batch
