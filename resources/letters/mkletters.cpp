// Builds the shipped LETTER.DBF (with its index and memo file) holding the ready business letter.
// Usage: addrova-mkletters SYSDATA_DIR LETTER.rtf
#include "LetterStore.h"
#include "SystemTables.h"
#include "Table.h"

#include <QFile>
#include <QGuiApplication>
#include <filesystem>
#include <iostream>

int main(int argc, char** argv)
{
    if (argc != 3) {
        std::cerr << "usage: addrova-mkletters SYSDATA_DIR LETTER.rtf\n";
        return 2;
    }
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const std::string dir = std::string(argv[1]) + "/";
    for (const char* f : {"LETTER.DBF", "LETTER.CDX", "LETTER.FPT"})
        std::filesystem::remove(dir + f);
    QFile in(QString::fromLocal8Bit(argv[2]));
    if (!in.open(QIODevice::ReadOnly)) {
        std::cerr << "cannot read " << argv[2] << "\n";
        return 1;
    }
    try {
        addrova::store::Table letters;
        const std::string problem =
            addrova::store::openSystemTable(addrova::store::SystemTable::Letter, letters, dir);
        if (!problem.empty()) {
            std::cerr << problem << "\n";
            return 1;
        }
        const QString error = addrova::letters::ImportLetter(letters, QStringLiteral("Business Letter"), in.readAll());
        if (!error.isEmpty()) {
            std::cerr << argv[2] << ": " << error.toStdString() << "\n";
            return 1;
        }
        letters.close();
    } catch (const std::exception& e) {
        std::cerr << e.what() << "\n";
        return 1;
    }
    return 0;
}
