#include "Common.h"
#include "FilterWindows.h"

#include <QApplication>
#include <QCloseEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QLocale>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

#include <algorithm>

namespace addrova::filters {

namespace {
// The counter is repainted at most this often; window messages are processed after every record.
constexpr qint64 kPaintEveryMs = 40;
}  // namespace

TTaggingForm::TTaggingForm(QWidget* parent, Texts texts, uint32_t total)
    : QDialog(parent), texts_(std::move(texts)), total_(total)
{
    setObjectName(QStringLiteral("TTaggingForm"));
    setWindowTitle(texts_.caption);
    setWindowModality(Qt::ApplicationModal);
    heading_ = new QLabel(texts_.heading, this);
    counter_ = new QLabel(this);
    counter_->setObjectName(QStringLiteral("CounterLabel"));
    counter_->setMinimumWidth(QFontMetrics(font()).averageCharWidth() * 28);
    bar_ = new QProgressBar(this);
    bar_->setRange(0, 1000);
    bar_->setValue(0);
    bar_->setVisible(total_ > 0);
    cancel_ = new QPushButton(QStringLiteral("Cancel"), this);
    ok_ = new QPushButton(QStringLiteral("Ok"), this);
    cancel_->setObjectName(QStringLiteral("CancelButton"));
    ok_->setObjectName(QStringLiteral("OkButton"));
    ok_->setVisible(false);
    connect(cancel_, &QPushButton::clicked, this, &TTaggingForm::CancelButtonClick);
    connect(ok_, &QPushButton::clicked, this, &QDialog::accept);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(cancel_);
    buttons->addWidget(ok_);
    buttons->addStretch(1);
    auto* root = new QVBoxLayout(this);
    root->addWidget(heading_);
    root->addWidget(counter_);
    root->addWidget(bar_);
    root->addLayout(buttons);
    adjustSize();
}

void TTaggingForm::start()
{
    ui::CenterOverMain(this);
    show();
    shown_.start();
    QCoreApplication::processEvents();
}

bool TTaggingForm::keepGoing(uint32_t done)
{
    const qint64 now = shown_.isValid() ? shown_.elapsed() : 0;
    if (lastPaint_ < 0 || now - lastPaint_ >= kPaintEveryMs || (total_ && done >= total_)) {
        lastPaint_ = now;
        if (!texts_.counterSuffix.isEmpty())
            counter_->setText(QString::number(done) + texts_.counterSuffix);
        if (total_)
            bar_->setValue(static_cast<int>(1000.0 * std::min(done, total_) / total_));
    }
    QCoreApplication::processEvents();
    return !cancelled_;
}

void TTaggingForm::CancelButtonClick()
{
    if (finished_ || cancelled_ || asking_)
        return;
    if (texts_.cancelQuestion.isEmpty()) {
        cancelled_ = true;
        return;
    }
    asking_ = true;
    const bool yes = ui::AskYesNo(texts_.cancelQuestion, texts_.cancelCaption);
    asking_ = false;
    if (yes)
        cancelled_ = true;
}

QString taggedCountText(uint32_t tagged)
{
    return QLocale().toString(tagged) + (tagged == 1 ? QStringLiteral(" record tagged.") : QStringLiteral(" records tagged."));
}

void TTaggingForm::finish(bool cancelled, std::optional<uint32_t> tagged)
{
    finished_ = true;
    heading_->setText(cancelled ? texts_.cancelled : texts_.complete);
    if (tagged)
        counter_->setText(taggedCountText(*tagged));
    else
        counter_->clear();
    bar_->setVisible(false);
    cancel_->setVisible(false);
    ok_->setVisible(true);
    ok_->setDefault(true);
    ok_->setFocus();
    hide();
    exec();
}

void TTaggingForm::dismiss()
{
    finished_ = true;
    hide();
}

void TTaggingForm::closeEvent(QCloseEvent* event)
{
    // While the loop runs, closing the window asks like "Cancel".
    if (!finished_) {
        event->ignore();
        CancelButtonClick();
        return;
    }
    QDialog::closeEvent(event);
}

void TTaggingForm::reject()
{
    if (!finished_) {
        CancelButtonClick();
        return;
    }
    QDialog::reject();
}

}  // namespace addrova::filters
