#include "HelpWindow.h"

#include "Help.h"

#include "Common.h"

#include <QApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QShortcut>
#include <QTextBrowser>
#include <QTextDocument>
#include <QVBoxLayout>

#include <algorithm>

namespace addrova::help {

namespace {

QString pageTitle(const QTextDocument& doc, const QString& fallback)
{
    const QString title = doc.metaInformation(QTextDocument::DocumentTitle).trimmed();
    return title.isEmpty() ? fallback : title;
}

}  // namespace

std::vector<std::pair<QString, QString>> SearchPages(const QString& helpDir, const QString& words)
{
    std::vector<std::pair<QString, QString>> found;
    const QStringList wanted = words.simplified().split(QLatin1Char(' '), Qt::SkipEmptyParts);
    if (wanted.isEmpty() || helpDir.isEmpty())
        return found;
    const QDir dir(helpDir);
    for (const QString& name : dir.entryList({QStringLiteral("*.html")}, QDir::Files, QDir::Name)) {
        QFile file(dir.filePath(name));
        if (!file.open(QIODevice::ReadOnly))
            continue;
        QTextDocument doc;
        doc.setHtml(QString::fromUtf8(file.readAll()));
        const QString text = doc.toPlainText();
        const bool all = std::all_of(wanted.begin(), wanted.end(),
                                     [&](const QString& w) { return text.contains(w, Qt::CaseInsensitive); });
        if (all)
            found.emplace_back(name, pageTitle(doc, name));
    }
    std::sort(found.begin(), found.end(),
              [](const auto& a, const auto& b) { return a.second.compare(b.second, Qt::CaseInsensitive) < 0; });
    return found;
}

THelpWindow::THelpWindow(QWidget* parent) : QWidget(parent, Qt::Window)
{
    setObjectName(QStringLiteral("THelpWindow"));
    setWindowTitle(QStringLiteral("Addrova Help"));

    auto* contents = new QPushButton(QStringLiteral("&Contents"), this);
    auto* index = new QPushButton(QStringLiteral("&Index"), this);
    auto* back = new QPushButton(QStringLiteral("&Back"), this);
    auto* forward = new QPushButton(QStringLiteral("&Forward"), this);
    auto* howTo = new QPushButton(QStringLiteral("&How to Use Help"), this);
    search_ = new QLineEdit(this);
    search_->setObjectName(QStringLiteral("SearchEdit"));
    search_->setPlaceholderText(QStringLiteral("Search for words"));
    search_->setMinimumWidth(160);
    auto* find = new QPushButton(QStringLiteral("&Search"), this);

    browser_ = new QTextBrowser(this);
    browser_->setObjectName(QStringLiteral("HelpBrowser"));
    browser_->setOpenLinks(false);
    back->setEnabled(false);
    forward->setEnabled(false);

    connect(contents, &QPushButton::clicked, this, [this] { showPage(QString::fromLatin1(kContentsPage)); });
    connect(index, &QPushButton::clicked, this, [this] { showPage(QString::fromLatin1(kIndexPage)); });
    connect(howTo, &QPushButton::clicked, this, [this] { showPage(QString::fromLatin1(kHelpOnHelpPage)); });
    connect(back, &QPushButton::clicked, browser_, &QTextBrowser::backward);
    connect(forward, &QPushButton::clicked, browser_, &QTextBrowser::forward);
    connect(browser_, &QTextBrowser::backwardAvailable, back, &QWidget::setEnabled);
    connect(browser_, &QTextBrowser::forwardAvailable, forward, &QWidget::setEnabled);
    connect(browser_, &QTextBrowser::anchorClicked, this, &THelpWindow::anchorClicked);
    connect(find, &QPushButton::clicked, this, [this] { showSearchResults(search_->text()); });
    connect(search_, &QLineEdit::returnPressed, this, [this] { showSearchResults(search_->text()); });

    auto* bar = new QHBoxLayout;
    for (QWidget* w : std::initializer_list<QWidget*>{contents, index, back, forward, howTo})
        bar->addWidget(w);
    bar->addSpacing(12);
    bar->addWidget(search_, 1);
    bar->addWidget(find);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(bar);
    layout->addWidget(browser_, 1);
    resize(640, 560);
    // Closed from the keyboard like any other window of the program.
    for (const QKeySequence& key : {QKeySequence(Qt::Key_Escape), QKeySequence(Qt::CTRL | Qt::Key_W)}) {
        auto* close = new QShortcut(key, this);
        close->setContext(Qt::WindowShortcut);
        connect(close, &QShortcut::activated, this, &QWidget::close);
    }
}

QString THelpWindow::currentPage() const
{
    const QUrl source = browser_->source();
    return source.isLocalFile() ? QFileInfo(source.toLocalFile()).fileName() : QString();
}

void THelpWindow::showMissing(const QString& what)
{
    const QString dir = HelpDir();
    browser_->setHtml(QStringLiteral("<h2>Help page not found</h2><p>%1 is not among the help pages%2.</p>")
                          .arg(what.toHtmlEscaped(),
                               dir.isEmpty() ? QStringLiteral(" (the help folder was not found with the program)")
                                             : QStringLiteral(" in ") + dir.toHtmlEscaped()));
}

void THelpWindow::showPage(const QString& fileName)
{
    const QString dir = HelpDir();
    const QString path = dir + QLatin1Char('/') + fileName;
    if (dir.isEmpty() || !QFileInfo(path).isFile()) {
        showMissing(QStringLiteral("The page ") + fileName);
        return;
    }
    browser_->setSource(QUrl::fromLocalFile(path));
}

void THelpWindow::showTopic(int topic)
{
    if (TopicPath(topic)) {
        showPage(TopicPage(topic));
        return;
    }
    showPage(QString::fromLatin1(kContentsPage));
    if (currentPage().isEmpty())
        showMissing(QStringLiteral("Topic %1").arg(topic));
}

void THelpWindow::showSearchResults(const QString& words)
{
    const auto found = SearchPages(HelpDir(), words);
    QString html = QStringLiteral("<h2>Pages with &quot;%1&quot;</h2>").arg(words.simplified().toHtmlEscaped());
    if (found.empty()) {
        html += QStringLiteral("<p>No help page holds these words. Try fewer or shorter words, or look in the "
                               "<a href=\"%1\">index</a>.</p>")
                    .arg(QUrl::fromLocalFile(HelpDir() + QLatin1Char('/') + QLatin1String(kIndexPage)).toString());
    } else {
        html += QStringLiteral("<ul>");
        for (const auto& [name, title] : found)
            html += QStringLiteral("<li><a href=\"%1\">%2</a></li>")
                        .arg(QUrl::fromLocalFile(HelpDir() + QLatin1Char('/') + name).toString(), title.toHtmlEscaped());
        html += QStringLiteral("</ul>");
    }
    browser_->setHtml(html);
}

void THelpWindow::anchorClicked(const QUrl& url)
{
    if (url.scheme() == QLatin1String("mailto") || url.scheme().startsWith(QLatin1String("http"))) {
        QDesktopServices::openUrl(url);
        return;
    }
    const QUrl resolved = browser_->source().resolved(url);
    if (resolved.isLocalFile() && !QFileInfo(resolved.toLocalFile()).isFile()) {
        showMissing(QStringLiteral("The page ") + url.toString());
        return;
    }
    browser_->setSource(resolved.isEmpty() ? url : resolved);
}

// ---------------------------------------------------------------------------------------------

namespace {

// While a modal dialog runs, other windows take no input: the help then opens as a window of
// that dialog and closes with it.
THelpWindow* targetWindow()
{
    if (QWidget* modal = QApplication::activeModalWidget()) {
        if (auto* own = modal->findChild<THelpWindow*>(QString(), Qt::FindDirectChildrenOnly))
            return own;
        return new THelpWindow(modal);
    }
    return static_cast<THelpWindow*>(HelpWindow());
}

void present(THelpWindow* w)
{
    if (!w->isVisible()) {
        // Centred at the size its layout gives it: over the main window, or mid-screen without one.
        w->ensurePolished();
        if (w->layout())
            w->layout()->activate();
        w->resize(w->size().expandedTo(w->minimumSizeHint()));
        ui::CenterOverMain(w);
    }
    w->show();
    w->raise();
    w->activateWindow();
}

}  // namespace

QWidget* HelpWindow()
{
    static QPointer<THelpWindow> window;
    if (!window) {
        window = new THelpWindow(nullptr);
        window->setAttribute(Qt::WA_QuitOnClose, false);
    }
    return window;
}

void ShowHelp(int topic)
{
    THelpWindow* w = targetWindow();
    w->showTopic(topic);
    present(w);
}

void ShowHelpContents()
{
    THelpWindow* w = targetWindow();
    w->showPage(QString::fromLatin1(kContentsPage));
    present(w);
}

void ShowHelpSearch()
{
    THelpWindow* w = targetWindow();
    w->showPage(QString::fromLatin1(kIndexPage));
    present(w);
}

void ShowHelpOnHelp()
{
    THelpWindow* w = targetWindow();
    w->showPage(QString::fromLatin1(kHelpOnHelpPage));
    present(w);
}

}  // namespace addrova::help
