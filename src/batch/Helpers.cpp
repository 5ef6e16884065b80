#include "Batch.h"

#include <QApplication>

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

}  // namespace addrova::batch
