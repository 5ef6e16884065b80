#pragma once

#include <QString>
#include <QUrl>
#include <QWidget>

class QLineEdit;
class QTextBrowser;

namespace addrova::help {

// Shows the help pages, with links between them, the contents, the keyword index and a word search
// over all pages.
class THelpWindow : public QWidget {
    Q_OBJECT
public:
    explicit THelpWindow(QWidget* parent = nullptr);

    void showTopic(int topic);
    void showPage(const QString& fileName);  // a page of the help folder by file name
    void showSearchResults(const QString& words);

    QTextBrowser* browser() const { return browser_; }
    QString currentPage() const;  // file name of the page shown ("" for generated pages)

private:
    void anchorClicked(const QUrl& url);
    void showMissing(const QString& what);

    QTextBrowser* browser_ = nullptr;
    QLineEdit* search_ = nullptr;
};

// The pages whose text holds every one of the words (any case), as (file name, title), by title.
std::vector<std::pair<QString, QString>> SearchPages(const QString& helpDir, const QString& words);

}  // namespace addrova::help
