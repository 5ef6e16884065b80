#include "JobStatusTexts.h"

namespace addrova::print {

TPrintStatus::Texts JobStatusTexts(bool preview, const QString& what)
{
    const QString w = what.isEmpty() ? QString() : what + QLatin1Char(' ');
    TPrintStatus::Texts t;
    t.caption = preview ? QStringLiteral("Preview Status") : QStringLiteral("Print Status");
    t.button = preview ? QStringLiteral("Stop") : QStringLiteral("Cancel");
    t.cancelQuestion = QStringLiteral("Cancel %1Printing?").arg(w);
    t.printCanceled = QStringLiteral("\r%1Print Canceled!").arg(w);
    t.previewCanceled = QStringLiteral("\r%1Preview Canceled!").arg(w);
    t.previewStopped = QStringLiteral("\rPreview Stopped at page %p!");
    t.printCompleted = QStringLiteral("\r%1Print Completed!").arg(w);
    t.previewCompleted = QStringLiteral("\r%1Preview Ready!").arg(w);
    return t;
}

}  // namespace addrova::print
