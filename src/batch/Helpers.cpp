#include "Batch.h"

#include <QApplication>
#include <iostream>

namespace addrova::batch {

long long wholeNumber(const std::string& text, const char* what)
{
    size_t used = 0;
    long long v = 0;
    try {
        v = std::stoll(text, &used);
    } catch (const std::exception&) {
        used = 0;
    }
    if (used == 0 || used != text.size())
        throw UsageError{std::string(what) + " must be a whole number, not \"" + text + "\""};
    return v;
}

std::unique_ptr<QApplication> StartApplication()
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    static int argc = 1;
    static char name[] = "addrova-batch";
    static char* argv[] = {name, nullptr};
    return std::make_unique<QApplication>(argc, argv);
}

print::RecordChoice OpenAddressFile(const Args& a, store::Table& t)
{
    t.open(a.positional[0], store::OpenMode::ReadOnly);
    t.setDeleted(true);
    if (a.has("order")) {
        if (t.tagArea(a.get("order")) <= 0)
            throw UsageError{"the address file has no index tag \"" + a.get("order") + "\""};
        t.setOrder(std::string_view(a.get("order")));
    }
    const std::string filter = store::fromUtf8(a.get("filter"), t.codePage());
    t.setSelection(filter.empty() ? "!ISDEL" : "(" + filter + ") .and. !ISDEL");
    if (a.has("recno")) {
        const long long n = wholeNumber(a.get("recno"), "--recno");
        if (n < 1 || n > t.recCount())
            throw UsageError{"--recno must be 1 to " + std::to_string(t.recCount())};
        t.go(static_cast<uint32_t>(n));
        return print::RecordChoice::OnlyCurrent;
    }
    t.goTop();
    return a.has("all") ? print::RecordChoice::All : print::RecordChoice::Filter;
}

bool WriteJobPdf(print::PrintJob& job, const Args& a, const char* verb)
{
    if (job.PrintToPdf(QString::fromStdString(a.get("pdf"))))
        return true;
    std::cerr << "addrova-batch " << verb << ": " << job.ErrorText().toStdString() << "\n";
    return false;
}

void TellRunMessage(const QString& text)
{
    QString line = text;
    std::cerr << line.replace(QStringLiteral("\r\n"), QStringLiteral("\n")).toStdString() << "\n";
}

}  // namespace addrova::batch
