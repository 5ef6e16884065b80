// The RTF reader on arbitrary bytes: it must return (an error or text), and what it read must
// write and read again.
#include "Rtf.h"

#include <QGuiApplication>
#include <QTextDocument>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static QGuiApplication* app = [] {
        qputenv("QT_QPA_PLATFORM", "offscreen");
        static int argc = 1;
        static char name[] = "fuzz_rtf";
        static char* argv[] = {name, nullptr};
        return new QGuiApplication(argc, argv);
    }();
    (void)app;
    QTextDocument doc;
    addrova::richtext::ReadRtf(QByteArray(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size)), doc);
    QTextDocument again;
    if (!addrova::richtext::ReadRtf(addrova::richtext::WriteRtf(doc), again).ok)
        abort();
    return 0;
}
