#include "TPrintStatus.h"

#include "CheckPrinter.h"
#include "Common.h"
#include "PageStream.h"
#include "PrintJob.h"
#include "TPreviewForm.h"

#include <QLabel>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>
#include <QWindow>

#include <algorithm>

namespace addrova::print {

TPrintStatus::TPrintStatus(PrintJob& job, bool preview, PageStream* stream, Texts texts, QWidget* parent)
    : QDialog(parent), job_(job), preview_(preview), stream_(stream), texts_(std::move(texts))
{
    setObjectName(QStringLiteral("PrintStatus"));
    setWindowTitle(texts_.caption);
    setModal(true);
    auto* layout = new QVBoxLayout(this);
    status_ = new QLabel(this);
    status_->setObjectName(QStringLiteral("StatusLabel"));
    status_->setAlignment(Qt::AlignCenter);
    status_->setMinimumSize(300, 70);
    layout->addWidget(status_);
    button_ = new QPushButton(texts_.button, this);
    button_->setObjectName(QStringLiteral("StatusButton"));
    layout->addWidget(button_, 0, Qt::AlignHCenter);
    connect(button_, &QPushButton::clicked, this, &TPrintStatus::ButtonClick);
    job_.SetStatusSink([this](const QString& s) { JobStatus(s); });
    InstallPdfFileDialog();
}

TPrintStatus::~TPrintStatus()
{
    EndLive();
    job_.SetStatusSink({});
}

void TPrintStatus::JobStatus(const QString& text)
{
    QString shown = text;
    shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n")).replace(QLatin1Char('\r'), QLatin1Char('\n'));
    status_->setText(shown);
    if (!live_ || !running_ || !stream_)
        return;
    if (liveShown_) {
        live_->Refresh();
        return;
    }
    // Page 1 is complete once page 2 has begun.
    if (stream_->PageCount() >= 2 && clock_.isValid() && clock_.elapsed() >= liveAfterMs_) {
        liveShown_ = true;
        live_->setParent(this, live_->windowFlags());
        live_->SetLive(true);
        live_->show();
    }
}

void TPrintStatus::SetLivePreview(TPreviewForm* form, int liveAfterMs)
{
    EndLive();
    live_ = preview_ ? form : nullptr;
    liveParent_ = form ? form->parentWidget() : nullptr;
    liveAfterMs_ = std::max(0, liveAfterMs);
    if (live_)
        connect(live_, &TPreviewForm::StopRequested, this, [this] {
            if (running_)
                stop_ = true;
        });
}

void TPrintStatus::EndLive()
{
    if (!live_)
        return;
    disconnect(live_, nullptr, this, nullptr);
    if (liveShown_) {
        live_->SetLive(false);
        live_->hide();
        live_->setParent(liveParent_, live_->windowFlags());
    }
    live_ = nullptr;
    liveShown_ = false;
}

void TPrintStatus::ShowTitle()
{
    // The window system adds " - program" to a title: a trailing blank of the caption would make
    // a double one there. The caption itself stays as set.
    if (QWindow* w = windowHandle()) {
        const QString shown = windowTitle().trimmed();
        if (w->title() != shown)
            w->setTitle(shown);
    }
}

void TPrintStatus::changeEvent(QEvent* e)
{
    QDialog::changeEvent(e);
    if (e->type() == QEvent::WindowTitleChange)
        ShowTitle();
}

bool TPrintStatus::Aborted() const
{
    return job_.Aborted();
}

QString TPrintStatus::StatusText() const
{
    return status_->text();
}

void TPrintStatus::showEvent(QShowEvent* e)
{
    QDialog::showEvent(e);
    ShowTitle();
    if (!started_) {
        started_ = true;
        ui::CenterOverMain(this);
        QTimer::singleShot(0, this, &TPrintStatus::RunJob);
    }
}

void TPrintStatus::RunJob()
{
    if (running_ || finished_)
        return;
    started_ = true;
    running_ = true;
    clock_.start();
    job_.UpdateStatus();
    ok_ = preview_ ? job_.PrintToStream(*stream_) : job_.PrintToPrinter();
    running_ = false;
    finished_ = true;
    // The live preview goes back to its own parent; the caller shows it again, modal.
    EndLive();
    button_->setText(QStringLiteral("Ok"));
    QString format;
    if (job_.Aborted())
        format = preview_ ? texts_.previewCanceled : texts_.printCanceled;
    else if (!ok_)
        format = QStringLiteral("\r") + job_.ErrorText();
    else if (preview_ && stop_)
        format = texts_.previewStopped;
    else
        format = preview_ ? texts_.previewCompleted : texts_.printCompleted;
    job_.SetStatusFormat(format);
    job_.UpdateStatus();
    const bool close = texts_.closeAlways || (preview_ && !stop_ && ok_ && !job_.Aborted() && texts_.closeAfterPreview);
    if (close)
        QTimer::singleShot(0, this, &QDialog::accept);
}

void TPrintStatus::ButtonClick()
{
    if (!running_) {
        accept();
        return;
    }
    if (preview_) {
        stop_ = true;
        return;
    }
    if (texts_.cancelQuestion.isEmpty() || ui::AskYesNo(texts_.cancelQuestion, texts_.cancelCaption))
        job_.Abort();
}

void TPrintStatus::reject()
{
    // Escape while the job runs acts as the button; afterwards it closes.
    if (running_) {
        ButtonClick();
        return;
    }
    QDialog::reject();
}

}  // namespace addrova::print
