// Arbitrary bytes as a layout stream: reading must fail with a message or succeed, never crash;
// whatever was read must write, paint and print.
#include "GFiler.h"
#include "GGraphc.h"

#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <cstdint>

using namespace addrova::layout;

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    static QGuiApplication app(*argc, *argv);
    registerPanelClasses(PanelKind::Label);
    registerPanelClasses(PanelKind::Envelope);
    registerPanelClasses(PanelKind::Report);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    StandaloneHost host;
    QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    try {
        TGLabelObjectFiler::decodeList(bytes, &host, &host);
    } catch (const LayoutStreamError&) {
    }
    auto objects = layoutObjects(&host);
    if (objects.empty()) return 0;
    TGLabelObjectFiler::encodeList(objects);
    // Keep the drawing small: sizes from the stream can be anything.
    for (auto* o : objects) o->setBounds(o->left() % 200, o->top() % 200, o->width() % 300, o->height() % 300);
    QImage img(64, 64, QImage::Format_RGB32);
    QPainter p(&img);
    host.paintAll(p);
    PainterPrintSurface s(p, 64, 64);
    host.setPrinting(true);
    for (auto* o : objects) o->print(s, 0, 0);
    return 0;
}
