#include "ReportStore.h"

#include "CodePage.h"
#include "GFiler.h"
#include "GGraphc.h"
#include "LayoutStream.h"
#include "Table.h"

#include <QFile>

namespace addrova::reports {

QString NextReportBinaryName(const std::string& sysdataDir)
{
    const QString dir = QString::fromStdString(sysdataDir);
    for (int n = 1; n <= 99999; ++n) {
        const QString name = QStringLiteral("BIN%1.R").arg(n, 5, 10, QLatin1Char('0'));
        if (!QFile::exists(dir + name))
            return name;
    }
    return QStringLiteral("BIN00000.R");
}

void ClearBand(QObject* band)
{
    if (!band)
        return;
    for (auto* o : layout::layoutObjects(band))
        delete o;
}

void SaveReportFile(const QString& path, const ReportBands& bands, const ReportSettings& s, int ppi)
{
    // An unused band is written as an empty list.
    QObject empty;
    const QObject* header = s.useHeader && bands.header ? bands.header : &empty;
    const QObject* detail = s.useDetail && bands.detail ? bands.detail : &empty;
    const QObject* footer = s.useFooter && bands.footer ? bands.footer : &empty;
    layout::TGLabelObjectFiler::SaveReportLayout(
        header, detail, footer, path, [&](layout::StreamWriter& w) { s.write(w, ppi); }, ppi);
}

bool LoadReportFile(const QString& path, const ReportBands& bands, ReportSettings& s, int ppi)
{
    ClearBand(bands.header);
    ClearBand(bands.detail);
    ClearBand(bands.footer);
    if (!QFile::exists(path))
        return false;
    layout::registerPanelClasses(layout::PanelKind::Report);
    QObject scratch;
    QObject* owner = bands.owner ? bands.owner : &scratch;
    ReportSettings read = s;
    try {
        layout::TGLabelObjectFiler::LoadReportLayout(
            owner, bands.header ? bands.header : &scratch, bands.detail ? bands.detail : &scratch,
            bands.footer ? bands.footer : &scratch, path, [&](layout::StreamReader& r) { read.read(r, ppi); }, ppi);
    } catch (...) {
        ClearBand(bands.header);
        ClearBand(bands.detail);
        ClearBand(bands.footer);
        throw;
    }
    s = read;
    return true;
}

ReportList::ReportList(store::Table& table, std::string sysdataDir, int ppi)
    : t_(table), sysdata_(std::move(sysdataDir)), ppi_(ppi)
{
}

bool ReportList::empty()
{
    if (t_.eof() && !t_.goTop())
        return true;
    return t_.eof();
}

QStringList ReportList::descriptions()
{
    const uint32_t keep = t_.eof() ? 0 : t_.recNo();
    QStringList out;
    for (t_.goTop(); !t_.eof(); t_.skip())
        out << field("DESCRIPT");
    if (keep)
        t_.go(keep);
    else
        t_.goTop();
    return out;
}

bool ReportList::locate(const QString& description)
{
    for (t_.goTop(); !t_.eof(); t_.skip())
        if (field("DESCRIPT") == description.trimmed())
            return true;
    t_.goTop();
    return false;
}

QString ReportList::field(const char* name)
{
    return QString::fromStdString(store::toUtf8(t_.getString(name), t_.codePage()));
}

void ReportList::setField(const char* name, const QString& value)
{
    t_.setString(name, store::fromUtf8(value.toStdString(), t_.codePage()));
}

void ReportList::positionOn(uint32_t recno)
{
    if (recno)
        t_.go(recno);
}

ReportDefinition ReportList::Load(bool isNew, const ReportBands& bands)
{
    ReportDefinition def;
    if (isNew) {
        def.settings = ReportSettings::NewReport(ppi_);
        ClearBand(bands.header);
        ClearBand(bands.detail);
        ClearBand(bands.footer);
        return def;
    }
    def.binary = field("BINARY").trimmed();
    def.description = field("DESCRIPT");
    def.layoutName = field("LAYOUT");
    // A report whose file is missing keeps the new-report settings with empty bands.
    def.settings = ReportSettings::NewReport(ppi_);
    if (def.binary.isEmpty()) {
        ClearBand(bands.header);
        ClearBand(bands.detail);
        ClearBand(bands.footer);
        return def;
    }
    LoadReportFile(QString::fromStdString(sysdata_) + def.binary, bands, def.settings, ppi_);
    return def;
}

void ReportList::Save(ReportDefinition& def, bool isNew, const ReportBands& bands)
{
    if (isNew) {
        def.binary = NextReportBinaryName(sysdata_);
        t_.appendBlank();
    }
    setField("BINARY", def.binary);
    setField("DESCRIPT", def.description.left(kDescriptionLength));
    setField("LAYOUT", def.layoutName);
    t_.post();
    const uint32_t rec = t_.recNo();
    SaveReportFile(QString::fromStdString(sysdata_) + def.binary, bands, def.settings, ppi_);
    positionOn(rec);
}

void ReportList::DeleteCurrent()
{
    if (t_.eof())
        return;
    const QString binary = field("BINARY").trimmed();
    t_.deleteRecord();
    t_.goTop();
    if (!binary.isEmpty())
        QFile::remove(QString::fromStdString(sysdata_) + binary);
}

void ReportList::CloneCurrent()
{
    if (t_.eof())
        return;
    const QString oldBinary = field("BINARY").trimmed();
    const QString oldDescription = field("DESCRIPT");
    const QString oldLayout = field("LAYOUT");
    const QString dir = QString::fromStdString(sysdata_);
    const QString newBinary = NextReportBinaryName(sysdata_);
    t_.appendBlank();
    // Nothing is copied when the old file cannot be opened.
    QFile in(dir + oldBinary);
    if (!oldBinary.isEmpty() && in.open(QIODevice::ReadOnly)) {
        const QByteArray bytes = in.readAll();
        QFile out(dir + newBinary);
        if (out.open(QIODevice::WriteOnly | QIODevice::Truncate))
            out.write(bytes);
    }
    setField("BINARY", newBinary);
    setField("DESCRIPT", (QStringLiteral("Clone of ") + oldDescription).left(kDescriptionLength));
    setField("LAYOUT", oldLayout);
    t_.post();
}

QString ReportList::DeleteQuestion()
{
    return QStringLiteral("Delete \"") + field("DESCRIPT") + QStringLiteral("\"?");
}

QString ReportList::CloneQuestion()
{
    return QStringLiteral("Clone \"") + field("DESCRIPT") + QStringLiteral("\"?");
}

}  // namespace addrova::reports
