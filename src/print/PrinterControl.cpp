#include "PrinterControl.h"

#include <QPageLayout>
#include <QPageSize>
#include <QPrinter>
#include <QPrinterInfo>
#include <QPrintEngine>
#include <QFile>

#include <algorithm>

namespace addrova::print {

namespace {

PrinterControl::FileNameAsker& Asker()
{
    static PrinterControl::FileNameAsker asker;
    return asker;
}

// The input slots of a CUPS queue, read from its PPD: (keyword, shown name) pairs and the default.
struct InputSlots {
    QList<std::pair<QString, QString>> list;
    QString defaultKey;
};

InputSlots ReadSlots(const QString& queue)
{
    InputSlots out;
    const QString root = qEnvironmentVariable("CUPS_SERVERROOT", QStringLiteral("/etc/cups"));
    QFile f(QStringLiteral("%1/ppd/%2.ppd").arg(root, queue));
    if (queue.isEmpty() || !f.open(QIODevice::ReadOnly))
        return out;
    while (!f.atEnd()) {
        const QString line = QString::fromLatin1(f.readLine()).trimmed();
        if (line.startsWith(QLatin1String("*DefaultInputSlot:"))) {
            out.defaultKey = line.mid(18).trimmed();
        } else if (line.startsWith(QLatin1String("*InputSlot "))) {
            // *InputSlot Keyword/Shown Name: "code"
            const QString head = line.mid(11).section(QLatin1Char(':'), 0, 0);
            const QString key = head.section(QLatin1Char('/'), 0, 0).trimmed();
            QString shown = head.section(QLatin1Char('/'), 1).trimmed();
            if (shown.isEmpty())
                shown = key;
            if (!key.isEmpty())
                out.list.append({key, shown});
        }
    }
    return out;
}

}  // namespace

// The CUPS job options key of Qt's CUPS print engine (name, value, name, value...).
const QPrintEngine::PrintEnginePropertyKey kCupsOptions = QPrintEngine::PrintEnginePropertyKey(0xfe00);

namespace {

// Papers offered by "PDF file".
const QList<QPageSize::PageSizeId>& PdfPapers()
{
    static const QList<QPageSize::PageSizeId> ids = {
        QPageSize::Letter,         QPageSize::Legal,          QPageSize::Executive,      QPageSize::A4,
        QPageSize::A5,             QPageSize::A3,             QPageSize::B5,             QPageSize::Envelope9,
        QPageSize::Envelope10,     QPageSize::Envelope11,     QPageSize::Envelope12,     QPageSize::Envelope14,
        QPageSize::EnvelopeDL,     QPageSize::EnvelopeC5,     QPageSize::EnvelopeC4,     QPageSize::EnvelopeC6,
        QPageSize::EnvelopeC65,    QPageSize::EnvelopeB4,     QPageSize::EnvelopeB5,     QPageSize::EnvelopeB6,
        QPageSize::EnvelopeItalian, QPageSize::EnvelopeMonarch, QPageSize::EnvelopePersonal,
    };
    return ids;
}

}  // namespace

struct PrinterControl::Impl {
    QStringList system;
    bool pdfListed = true;
    QString current;  // name of the current printer, empty when none
    int paperCode = PaperLetter;
    double customW = 8.5, customH = 11;
    QPageSize namedPaper;  // a paper chosen by name without a code
    Orientation orientation = Orientation::Portrait;
    QString pdfFile;
    QString sourceKey;  // InputSlot keyword, empty for the queue's default
    QPrinter printer{QPrinter::HighResolution};

    QStringList List() const
    {
        QStringList l = system;
        if (pdfListed)
            l << PrinterControl::PdfPrinterName();
        return l;
    }
};

PrinterControl::PrinterControl() : d_(std::make_unique<Impl>())
{
    Refresh();
    SelectDefaultPrinter();
}

PrinterControl::~PrinterControl() = default;

QString PrinterControl::PdfPrinterName()
{
    return QStringLiteral("PDF file");
}

QStringList PrinterControl::Printers() const
{
    return d_->List();
}

void PrinterControl::Refresh()
{
    QStringList names = QPrinterInfo::availablePrinterNames();
    std::sort(names.begin(), names.end(), [](const QString& a, const QString& b) {
        const int c = a.compare(b, Qt::CaseInsensitive);
        return c != 0 ? c < 0 : a < b;
    });
    d_->system = names;
    if (!d_->List().contains(d_->current))
        d_->current.clear();
}

void PrinterControl::SetPdfPrinterListed(bool listed)
{
    d_->pdfListed = listed;
    if (!d_->List().contains(d_->current))
        d_->current.clear();
}

int PrinterControl::PrinterIndex() const
{
    return d_->current.isEmpty() ? -1 : static_cast<int>(d_->List().indexOf(d_->current));
}

bool PrinterControl::SetPrinterIndex(int index)
{
    const QStringList l = d_->List();
    if (index < 0 || index >= l.size())
        return false;
    d_->current = l.at(index);
    d_->sourceKey.clear();
    QPrinter& p = d_->printer;
    if (IsPdfPrinter()) {
        p.setOutputFormat(QPrinter::PdfFormat);
        p.setResolution(600);
    } else {
        p.setOutputFormat(QPrinter::NativeFormat);
        p.setPrinterName(d_->current);
    }
    p.setFullPage(true);
    d_->namedPaper = QPageSize();
    ApplyPaper();
    return true;
}

bool PrinterControl::SetPrinterByName(const QString& name)
{
    QString n = name.trimmed();
    const int on = static_cast<int>(n.indexOf(QStringLiteral(" ON "), 0, Qt::CaseInsensitive));
    if (on >= 0)
        n = n.left(on).trimmed();
    const QStringList l = d_->List();
    for (int i = 0; i < l.size(); ++i)
        if (l.at(i).compare(n, Qt::CaseInsensitive) == 0)
            return SetPrinterIndex(i);
    return false;
}

QString PrinterControl::PrinterName() const
{
    return d_->current;
}

QString PrinterControl::DeviceName() const
{
    return d_->current;
}

bool PrinterControl::IsPdfPrinter() const
{
    return d_->current == PdfPrinterName();
}

void PrinterControl::SelectDefaultPrinter()
{
    const QString def = QPrinterInfo::defaultPrinterName();
    if (!def.isEmpty() && SetPrinterByName(def))
        return;
    if (!SetPrinterIndex(0))
        d_->current.clear();
}

bool PrinterControl::SetPaperCode(int code)
{
    double w = 0, h = 0;
    if (!PaperCodeSize(code, w, h))
        return false;
    d_->paperCode = code;
    d_->namedPaper = QPageSize();
    ApplyPaper();
    return true;
}

void PrinterControl::SetCustomPaper(double widthInches, double heightInches)
{
    d_->paperCode = PaperCustom;
    d_->customW = widthInches;
    d_->customH = heightInches;
    d_->namedPaper = QPageSize();
    ApplyPaper();
}

int PrinterControl::PaperCode() const
{
    const int id = d_->printer.pageLayout().pageSize().windowsId();
    return d_->paperCode == PaperCustom ? 0 : id;
}

void PrinterControl::SetOrientation(Orientation orientation)
{
    d_->orientation = orientation;
    d_->printer.setPageOrientation(orientation == Orientation::Landscape ? QPageLayout::Landscape
                                                                         : QPageLayout::Portrait);
}

Orientation PrinterControl::GetOrientation() const
{
    return d_->printer.pageLayout().orientation() == QPageLayout::Landscape ? Orientation::Landscape
                                                                            : Orientation::Portrait;
}

void PrinterControl::ApplyPaper()
{
    QPrinter& p = d_->printer;
    QPageSize size;
    if (d_->namedPaper.isValid())
        size = d_->namedPaper;
    else if (d_->paperCode != PaperCustom)
        size = QPageSize(QPageSize::id(d_->paperCode));
    else
        size = QPageSize(QSizeF(d_->customW, d_->customH), QPageSize::Inch, QString(), QPageSize::ExactMatch);
    p.setFullPage(true);
    p.setPageSize(size);
    p.setPageMargins(QMarginsF(0, 0, 0, 0));
    p.setPageOrientation(d_->orientation == Orientation::Landscape ? QPageLayout::Landscape : QPageLayout::Portrait);
}

QStringList PrinterControl::Papers() const
{
    QStringList names;
    if (IsPdfPrinter() || d_->current.isEmpty()) {
        for (QPageSize::PageSizeId id : PdfPapers())
            names << QPageSize::name(id);
        return names;
    }
    for (const QPageSize& s : QPrinterInfo::printerInfo(d_->current).supportedPageSizes())
        names << s.name();
    return names;
}

int PrinterControl::PaperIndex() const
{
    return static_cast<int>(Papers().indexOf(PaperName()));
}

bool PrinterControl::SetPaperByName(const QString& name)
{
    QList<QPageSize> sizes;
    if (IsPdfPrinter() || d_->current.isEmpty()) {
        for (QPageSize::PageSizeId id : PdfPapers())
            sizes << QPageSize(id);
    } else {
        sizes = QPrinterInfo::printerInfo(d_->current).supportedPageSizes();
    }
    for (const QPageSize& s : sizes) {
        if (s.name().compare(name.trimmed(), Qt::CaseInsensitive) != 0)
            continue;
        const int code = s.windowsId();
        double w = 0, h = 0;
        if (code > 0 && PaperCodeSize(code, w, h)) {
            d_->paperCode = code;
            d_->namedPaper = QPageSize();
        } else {
            d_->paperCode = PaperCustom;
            d_->namedPaper = s;
        }
        ApplyPaper();
        return true;
    }
    return false;
}

QString PrinterControl::PaperName() const
{
    return d_->printer.pageLayout().pageSize().name();
}

QStringList PrinterControl::PaperSources() const
{
    QStringList names;
    if (IsPdfPrinter() || d_->current.isEmpty())
        return names;
    for (const auto& slot : ReadSlots(d_->current).list)
        names << slot.second;
    return names;
}

int PrinterControl::PaperSourceIndex() const
{
    if (IsPdfPrinter() || d_->current.isEmpty())
        return -1;
    const InputSlots inputSlots = ReadSlots(d_->current);
    const QString key = d_->sourceKey.isEmpty() ? inputSlots.defaultKey : d_->sourceKey;
    for (int i = 0; i < inputSlots.list.size(); ++i)
        if (inputSlots.list.at(i).first == key)
            return i;
    return inputSlots.list.isEmpty() ? -1 : 0;
}

bool PrinterControl::SetPaperSourceByName(const QString& name)
{
    if (IsPdfPrinter() || d_->current.isEmpty())
        return false;
    for (const auto& slot : ReadSlots(d_->current).list)
        if (slot.second.compare(name.trimmed(), Qt::CaseInsensitive) == 0 ||
            slot.first.compare(name.trimmed(), Qt::CaseInsensitive) == 0) {
            d_->sourceKey = slot.first;
            return true;
        }
    return false;
}

QString PrinterControl::PaperSourceName() const
{
    const int i = PaperSourceIndex();
    return i < 0 ? QString() : PaperSources().at(i);
}

void PrinterControl::ApplyJobOptions()
{
    QPrintEngine* engine = d_->printer.printEngine();
    if (!engine || IsPdfPrinter())
        return;
    QStringList options = engine->property(kCupsOptions).toStringList();
    for (int i = 0; i + 1 < options.size();) {
        if (options.at(i) == QLatin1String("InputSlot"))
            options.remove(i, 2);
        else
            i += 2;
    }
    if (!d_->sourceKey.isEmpty())
        options << QStringLiteral("InputSlot") << d_->sourceKey;
    engine->setProperty(kCupsOptions, options);
}

double PrinterControl::PageWidth() const
{
    return d_->printer.pageLayout().fullRectPoints().width() / 72.0;
}

double PrinterControl::PageHeight() const
{
    return d_->printer.pageLayout().fullRectPoints().height() / 72.0;
}

InchMargins PrinterControl::Unprintable() const
{
    if (IsPdfPrinter() || d_->current.isEmpty())
        return {};
    QPageLayout layout = d_->printer.pageLayout();
    layout.setUnits(QPageLayout::Point);
    const QMarginsF m = layout.minimumMargins();
    return {m.left() / 72.0, m.top() / 72.0, m.right() / 72.0, m.bottom() / 72.0};
}

int PrinterControl::Resolution() const
{
    if (IsPdfPrinter() || d_->current.isEmpty())
        return 600;
    const int r = d_->printer.resolution();
    return r > 0 ? r : 600;
}

void PrinterControl::SetPdfFileName(const QString& path)
{
    d_->pdfFile = path;
}

QString PrinterControl::PdfFileName() const
{
    return d_->pdfFile;
}

void PrinterControl::SetPdfFileNameAsker(FileNameAsker asker)
{
    Asker() = std::move(asker);
}

QString PrinterControl::AskPdfFileName(const QString& title)
{
    return Asker() ? Asker()(title) : QString();
}

bool PrinterControl::HasPdfFileNameAsker()
{
    return static_cast<bool>(Asker());
}

QPrinter& PrinterControl::QtPrinter()
{
    return d_->printer;
}

void PrinterControl::SettingsChanged()
{
    QPrinter& p = d_->printer;
    if (p.outputFormat() == QPrinter::NativeFormat && !p.printerName().isEmpty())
        d_->current = p.printerName();
    else if (p.outputFormat() == QPrinter::PdfFormat && d_->pdfListed) {
        d_->current = PdfPrinterName();
        if (!p.outputFileName().isEmpty())
            d_->pdfFile = p.outputFileName();
    }
    const QPageSize size = p.pageLayout().pageSize();
    const int code = size.windowsId();
    double w = 0, h = 0;
    if (code > 0 && PaperCodeSize(code, w, h)) {
        d_->paperCode = code;
        d_->namedPaper = QPageSize();
    } else {
        d_->paperCode = PaperCustom;
        d_->namedPaper = size;
    }
    d_->orientation =
        p.pageLayout().orientation() == QPageLayout::Landscape ? Orientation::Landscape : Orientation::Portrait;
    p.setFullPage(true);
}

}  // namespace addrova::print
