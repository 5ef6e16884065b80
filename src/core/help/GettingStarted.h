#pragma once

#include "Settings.h"

#include <QDialog>
#include <QUrl>

class QCheckBox;
class QTextBrowser;
class QTextDocument;

namespace addrova::help {

// The Getting Started window: a help page whose links open help topics by their text, and the
// check box "Do not show this screen at start up" kept in Misc/GettingStarted.
class TGettingStarted : public QDialog {
    Q_OBJECT
public:
    explicit TGettingStarted(app::ProfileFile ini, QWidget* parent = nullptr);

    QTextBrowser* page() const { return page_; }
    QCheckBox* doNotShow() const { return doNotShow_; }
    // A link of the page was chosen: opens the help at the topic its text names.
    void linkClicked(const QUrl& url);

    void done(int result) override;

private:
    app::ProfileFile ini_;
    QTextBrowser* page_ = nullptr;
    QCheckBox* doNotShow_ = nullptr;
};

// The text of the first link of a document whose target is href ("" when there is none).
QString AnchorText(const QTextDocument& doc, const QString& href);
// Every link of a document, as (text, target).
std::vector<std::pair<QString, QString>> Anchors(const QTextDocument& doc);

inline const char* kGettingStartedPage = "gettingstarted.html";

}  // namespace addrova::help
