#include "TPrintStatus.h"

#include "CheckPrinter.h"
#include "Common.h"
#include "PrintJob.h"

#include <QLabel>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

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
    job_.SetStatusSink([this](const QString& s) {
        QString shown = s;
        shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n")).replace(QLatin1Char('\r'), QLatin1Char('\n'));
        status_->setText(shown);
    });
    InstallPdfFileDialog();
}

TPrintStatus::~TPrintStatus()
{
    job_.SetStatusSink({});
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
    job_.UpdateStatus();
    ok_ = preview_ ? job_.PrintToStream(*stream_) : job_.PrintToPrinter();
    running_ = false;
    finished_ = true;
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
