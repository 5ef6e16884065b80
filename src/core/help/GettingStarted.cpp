#include "GettingStarted.h"

#include "Help.h"

#include "Common.h"
#include "ProgramDir.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFileInfo>
#include <QPushButton>
#include <QTextBlock>
#include <QTextBrowser>
#include <QTextDocument>
#include <QVBoxLayout>

#include <stdexcept>

namespace addrova::help {

std::vector<std::pair<QString, QString>> Anchors(const QTextDocument& doc)
{
    // Neighbouring fragments of one link (a bold word inside it, say) are joined.
    std::vector<std::pair<QString, QString>> out;
    QString lastHref;
    for (QTextBlock block = doc.begin(); block.isValid(); block = block.next()) {
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextFragment f = it.fragment();
            const QTextCharFormat format = f.charFormat();
            const QString href = format.isAnchor() ? format.anchorHref() : QString();
            if (href.isEmpty()) {
                lastHref.clear();
                continue;
            }
            if (href == lastHref && !out.empty())
                out.back().first += f.text();
            else
                out.emplace_back(f.text(), href);
            lastHref = href;
        }
        lastHref.clear();
    }
    for (auto& a : out)
        a.first = a.first.simplified();
    return out;
}

QString AnchorText(const QTextDocument& doc, const QString& href)
{
    for (const auto& [text, target] : Anchors(doc))
        if (target == href)
            return text;
    return {};
}

TGettingStarted::TGettingStarted(app::ProfileFile ini, QWidget* parent) : QDialog(parent), ini_(std::move(ini))
{
    setObjectName(QStringLiteral("TGettingStarted"));
    setWindowTitle(QStringLiteral("Getting Started"));

    page_ = new QTextBrowser(this);
    page_->setObjectName(QStringLiteral("GettingStartedPage"));
    page_->setOpenLinks(false);
    const QString dir = HelpDir();
    const QString path = dir + QLatin1Char('/') + QLatin1String(kGettingStartedPage);
    if (!dir.isEmpty() && QFileInfo(path).isFile())
        page_->setSource(QUrl::fromLocalFile(path));
    else
        page_->setHtml(QStringLiteral("<h2>Getting Started</h2><p>The help pages were not found with the "
                                      "program, so this page cannot be shown.</p>"));
    connect(page_, &QTextBrowser::anchorClicked, this, &TGettingStarted::linkClicked);

    doNotShow_ = new QCheckBox(QStringLiteral("Do not show this screen at start up"), this);
    doNotShow_->setObjectName(QStringLiteral("DoNotShow"));
    doNotShow_->setChecked(ini_.readBool("Misc", "GettingStarted", false));

    auto* buttons = new QDialogButtonBox(this);
    QPushButton* close = buttons->addButton(QStringLiteral("&Close"), QDialogButtonBox::AcceptRole);
    close->setDefault(true);
    connect(close, &QPushButton::clicked, this, &QDialog::accept);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(page_, 1);
    auto* row = new QHBoxLayout;
    row->addWidget(doNotShow_);
    row->addStretch(1);
    row->addWidget(buttons);
    layout->addLayout(row);
    resize(600, 500);
}

void TGettingStarted::linkClicked(const QUrl& url)
{
    // The browser hands out links resolved against the page ("file:///.../page.html#new"); the page
    // itself holds "#new".
    QString href = url.toString();
    if (url.hasFragment() &&
        (url.isRelative() || url.adjusted(QUrl::RemoveFragment) == page_->source().adjusted(QUrl::RemoveFragment)))
        href = QLatin1Char('#') + url.fragment();
    const QString text = AnchorText(*page_->document(), href);
    if (auto topic = GettingStartedTopic(text))
        ShowHelp(*topic);
}

void TGettingStarted::done(int result)
{
    try {
        ini_.writeBool("Misc", "GettingStarted", doNotShow_->isChecked());
    } catch (const std::exception& e) {
        ui::ShowError(QString::fromStdString(e.what()));
    }
    QDialog::done(result);
}

void ShowGettingStarted(QWidget* parent)
{
    TGettingStarted dialog(app::Settings(), parent);
    ui::CenterOverMain(&dialog);
    dialog.exec();
}

}  // namespace addrova::help
