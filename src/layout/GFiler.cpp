#include "GFiler.h"

#include "GBarcode.h"
#include "GIMBarcode.h"
#include "GLabels.h"
#include "GMultiLine.h"
#include "GShapes.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <functional>
#include <map>
#include <set>

namespace addrova::layout {

namespace {

using Factory = std::function<TGGraphicControl*(QObject*)>;

const std::map<QString, Factory>& factories() {
    static const std::map<QString, Factory> f = {
        {QStringLiteral("TGPLabel"), [](QObject* p) { return new TGPLabel(p); }},
        {QStringLiteral("TGPDLabel"), [](QObject* p) { return new TGPDLabel(p); }},
        {QStringLiteral("TGCounterLabel"), [](QObject* p) { return new TGCounterLabel(p); }},
        {QStringLiteral("TGSymbolLabel"), [](QObject* p) { return new TGSymbolLabel(p); }},
        {QStringLiteral("TGDateTimeLabel"), [](QObject* p) { return new TGDateTimeLabel(p); }},
        {QStringLiteral("TGPageNumberLabel"), [](QObject* p) { return new TGPageNumberLabel(p); }},
        {QStringLiteral("TGMultiLineLabel"), [](QObject* p) { return new TGMultiLineLabel(p); }},
        {QStringLiteral("TGDMultiLineLabel"), [](QObject* p) { return new TGDMultiLineLabel(p); }},
        {QStringLiteral("TGDMultiLineAddressLabel"), [](QObject* p) { return new TGDMultiLineAddressLabel(p); }},
        {QStringLiteral("TGPostNetBarCode"), [](QObject* p) { return new TGPostNetBarCode(p); }},
        {QStringLiteral("TGFIMBarCode"), [](QObject* p) { return new TGFIMBarCode(p); }},
        {QStringLiteral("TGIMBarCode"), [](QObject* p) { return new TGIMBarCode(p); }},
        {QStringLiteral("TGLineShape"), [](QObject* p) { return new TGLineShape(p); }},
        {QStringLiteral("TGLabelShapes"), [](QObject* p) { return new TGLabelShapes(p); }},
        {QStringLiteral("Trpshapes"), [](QObject* p) { return new Trpshapes(p); }},
        {QStringLiteral("TGImage"), [](QObject* p) { return new TGImage(p); }},
    };
    return f;
}

std::set<QString>& registered() {
    static std::set<QString> r;
    return r;
}

}  // namespace

void registerPanelClasses(PanelKind kind) {
    static const char* const label[] = {"TGLineShape", "TGPostNetBarCode", "TGIMBarCode", "TGImage", "TGLabelShapes",
                                        "TGPLabel", "TGPDLabel", "TGCounterLabel", "TGSymbolLabel",
                                        "TGMultiLineLabel", "TGDMultiLineLabel", "TGDMultiLineAddressLabel"};
    static const char* const envelope[] = {"TGLineShape", "TGPostNetBarCode", "TGIMBarCode", "TGFIMBarCode", "TGImage",
                                           "TGLabelShapes", "TGPLabel", "TGPDLabel", "TGMultiLineLabel",
                                           "TGDMultiLineAddressLabel"};
    static const char* const report[] = {"TGLineShape", "TGImage", "TGPLabel", "TGPDLabel", "TGDMultiLineLabel",
                                         "TGDateTimeLabel", "TGPageNumberLabel", "Trpshapes", "TGSymbolLabel"};
    auto add = [](auto& names) {
        for (const char* n : names) registered().insert(QLatin1String(n));
    };
    switch (kind) {
    case PanelKind::Label: add(label); break;
    case PanelKind::Envelope: add(envelope); break;
    case PanelKind::Report: add(report); break;
    }
}

bool classRegistered(const QString& className) { return registered().count(className) != 0; }
void clearClassRegistry() { registered().clear(); }

TGGraphicControl* createLayoutObject(const QString& className, QObject* parent) {
    auto it = factories().find(className);
    return it == factories().end() ? nullptr : it->second(parent);
}

// ---------------------------------------------------------------------------------------------

void TGLabelObjectFiler::writeObject(StreamWriter& w, const TGGraphicControl& o, int ppi) {
    w.writeRaw(QByteArrayLiteral("TPF0"));
    w.writeName(QLatin1String(o.className()));
    w.writeName(o.name());
    PropertyWriter pw(w, ppi);
    o.writeProperties(pw);
    w.writeByte(0);
    w.writeByte(0);
}

void TGLabelObjectFiler::writeList(StreamWriter& w, const std::vector<TGGraphicControl*>& objects, int ppi) {
    w.writeListBegin();
    for (const auto* o : objects) writeObject(w, *o, ppi);
    w.writeListEnd();
}

QByteArray TGLabelObjectFiler::encodeList(const std::vector<TGGraphicControl*>& objects, int ppi, int codePage) {
    StreamWriter w(codePage);
    writeList(w, objects, ppi);
    return w.bytes();
}

std::vector<TGGraphicControl*> TGLabelObjectFiler::readList(StreamReader& r, QObject* owner, QObject* parent,
                                                            const ReadOptions& opts) {
    std::vector<TGGraphicControl*> done;
    auto finish = [&] {
        for (auto* o : done) {
            o->setReading(false);
            o->loaded();
        }
    };
    QObject* names = owner ? owner : parent;
    try {
        if (r.readByte() != vaList) throw LayoutStreamError("Invalid property value");
        while (!r.endOfList()) {
            if (static_cast<qsizetype>(done.size()) >= StreamReader::kMaxObjects)
                throw LayoutStreamError("Invalid stream format");
            if (r.readBytes(4) != QByteArrayLiteral("TPF0")) throw LayoutStreamError("Invalid stream format");
            uint8_t b = r.peekByte();
            if ((b & 0xF0) == 0xF0) {
                r.readByte();
                if (b & 0x02) {
                    ValueCode c = r.readCode();
                    if (c != vaInt8 && c != vaInt16 && c != vaInt32) throw LayoutStreamError("Invalid property value");
                    r.readPayload(c);
                }
            }
            QString cls = r.readName();
            if (!classRegistered(cls) || !factories().count(cls))
                throw LayoutStreamError(QStringLiteral("Class %1 not found").arg(cls).toStdString());
            r.readName();  // the stored name is replaced
            QString name = uniqueComponentName(names, QStringLiteral("Component"), 0);
            TGGraphicControl* o = createLayoutObject(cls, nullptr);
            o->setReading(true);
            o->setObjectName(name);
            o->setParent(parent);
            try {
                for (;;) {
                    QString prop = r.readName();
                    if (prop.isEmpty()) break;
                    PropKind k = o->propertyKind(prop);
                    if (k == PropKind::None) throw LayoutStreamError("Property does not exist");
                    if (k == PropKind::BadPath) throw LayoutStreamError("Invalid property path");
                    StreamValue v = r.readValue();
                    if (!o->assignProperty(prop, v, opts.ppi)) throw LayoutStreamError("Invalid property value");
                }
                if (r.readByte() != 0) throw LayoutStreamError("Invalid stream format");
            } catch (...) {
                delete o;
                throw;
            }
            if (opts.offset) o->setBounds(o->left() + opts.offset, o->top() + opts.offset, o->width(), o->height());
            done.push_back(o);
        }
    } catch (...) {
        finish();
        throw;
    }
    finish();
    return done;
}

std::vector<TGGraphicControl*> TGLabelObjectFiler::decodeList(const QByteArray& data, QObject* owner, QObject* parent,
                                                              const ReadOptions& opts) {
    StreamReader r(data, opts.codePage);
    return readList(r, owner, parent, opts);
}

namespace {

void writeFile(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate))
        throw LayoutStreamError(QStringLiteral("Cannot create file \"%1\". %2").arg(path, f.errorString()).toStdString());
    if (f.write(bytes) != bytes.size() || !f.flush())
        throw LayoutStreamError(QStringLiteral("Error writing file \"%1\". %2").arg(path, f.errorString()).toStdString());
}

bool readFile(const QString& path, QByteArray& out) {
    if (!QFileInfo::exists(path)) return false;
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        throw LayoutStreamError(QStringLiteral("Cannot open file \"%1\". %2").arg(path, f.errorString()).toStdString());
    out = f.readAll();
    return true;
}

}  // namespace

void TGLabelObjectFiler::SaveObjects(const QObject* panel, const QString& path, int ppi) {
    writeFile(path, encodeList(layoutObjects(panel), ppi));
}

std::vector<TGGraphicControl*> TGLabelObjectFiler::LoadObjects(QObject* owner, QObject* panel, const QString& path,
                                                               int ppi) {
    QByteArray data;
    if (!readFile(path, data)) return {};
    ReadOptions o;
    o.ppi = ppi;
    return decodeList(data, owner, panel, o);
}

void TGLabelObjectFiler::SaveSelection(const std::vector<TGGraphicControl*>& selection, const QString& path, int ppi) {
    if (selection.empty()) return;
    writeFile(path, encodeList(selection, ppi));
}

void TGLabelObjectFiler::SaveObject(const TGGraphicControl* object, const QString& path, int ppi) {
    writeFile(path, encodeList({const_cast<TGGraphicControl*>(object)}, ppi));
}

std::vector<TGGraphicControl*> TGLabelObjectFiler::PasteObjects(QObject* owner, QObject* panel, const QString& path,
                                                                int ppi) {
    QByteArray data;
    if (!readFile(path, data)) return {};
    ReadOptions o;
    o.ppi = ppi;
    o.offset = 15;
    return decodeList(data, owner, panel, o);
}

TGGraphicControl* TGLabelObjectFiler::CloneObject(const TGGraphicControl* object, QObject* owner, QObject* parent,
                                                  int ppi) {
    QByteArray data = encodeList({const_cast<TGGraphicControl*>(object)}, ppi);
    ReadOptions o;
    o.ppi = ppi;
    auto read = decodeList(data, owner, parent, o);
    return read.empty() ? nullptr : read.front();
}

void TGLabelObjectFiler::SaveReportLayout(const QObject* header, const QObject* detail, const QObject* footer,
                                          const QString& path, const SettingsWriter& settings, int ppi) {
    StreamWriter w;
    writeList(w, layoutObjects(header), ppi);
    writeList(w, layoutObjects(detail), ppi);
    writeList(w, layoutObjects(footer), ppi);
    w.writeListBegin();
    if (settings) settings(w);
    w.writeListEnd();
    writeFile(path, w.bytes());
}

void TGLabelObjectFiler::LoadReportLayout(QObject* owner, QObject* header, QObject* detail, QObject* footer,
                                          const QString& path, const SettingsReader& settings, int ppi) {
    QByteArray data;
    if (!readFile(path, data)) return;
    StreamReader r(data);
    ReadOptions o;
    o.ppi = ppi;
    readList(r, owner, header, o);
    readList(r, owner, detail, o);
    readList(r, owner, footer, o);
    r.readListBegin();
    if (settings) settings(r);
    while (!r.endOfList()) r.readValue();
}

}  // namespace addrova::layout
