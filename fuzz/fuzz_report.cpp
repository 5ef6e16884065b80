// Arbitrary bytes as a report layout file (three object lists and the settings list): loading must
// fail with a message or succeed with settings that write again, never crash.
#include "GGraphc.h"
#include "LayoutStream.h"
#include "ReportStore.h"

#include <QFile>
#include <QGuiApplication>
#include <QTemporaryDir>
#include <cstdint>

using namespace addrova;

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    static QGuiApplication app(*argc, *argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static QTemporaryDir dir;
    const QString path = dir.path() + QStringLiteral("/FUZZ.R");
    {
        QFile f(path);
        if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate)) return 0;
        f.write(reinterpret_cast<const char*>(data), static_cast<qint64>(size));
    }
    layout::StandaloneHost owner, header, detail, footer;
    reports::ReportBands bands{&owner, &header, &detail, &footer};
    reports::ReportSettings s = reports::ReportSettings::NewReport(96);
    try {
        reports::LoadReportFile(path, bands, s, 96);
    } catch (const std::exception&) {
        return 0;
    }
    layout::StreamWriter w;
    s.write(w, 96);
    return 0;
}
