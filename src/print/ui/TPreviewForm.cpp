#include "TPreviewForm.h"

#include "CheckPrinter.h"
#include "Common.h"
#include "PageStream.h"
#include "PreviewControl.h"
#include "PrintJob.h"
#include "PrinterControl.h"

#include <QCloseEvent>
#include <QHBoxLayout>
#include <QPushButton>
#include <QShortcut>
#include <QTimer>
#include <QVBoxLayout>

#include <cmath>

namespace addrova::print {

namespace {

QPushButton* Button(QWidget* parent, QBoxLayout* row, const QString& name, const QString& text,
                    const QString& tip)
{
    auto* b = new QPushButton(text, parent);
    b->setObjectName(name);
    b->setToolTip(tip);
    b->setAutoDefault(false);
    b->setFocusPolicy(Qt::NoFocus);
    row->addWidget(b);
    return b;
}

}  // namespace

TPreviewForm::TPreviewForm(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("PreviewForm"));
    setWindowTitle(QStringLiteral("Preview"));
    printTexts_.caption = QStringLiteral("Print Status");
    printTexts_.button = QStringLiteral("Cancel");
    printTexts_.printCanceled = QStringLiteral("\rPrint Canceled!");
    printTexts_.printCompleted = QStringLiteral("\rPrint Completed!");
    resize(800, 700);
    auto* outer = new QVBoxLayout(this);
    auto* row = new QHBoxLayout;
    outer->addLayout(row);
    first_ = Button(this, row, QStringLiteral("FirstButton"), QStringLiteral("|<"), QStringLiteral("First page"));
    prior_ = Button(this, row, QStringLiteral("PriorButton"), QStringLiteral("<"), QStringLiteral("Previous page"));
    next_ = Button(this, row, QStringLiteral("NextButton"), QStringLiteral(">"), QStringLiteral("Next page"));
    last_ = Button(this, row, QStringLiteral("LastButton"), QStringLiteral(">|"), QStringLiteral("Last page"));
    auto* zoomIn = Button(this, row, QStringLiteral("ZoomInButton"), QStringLiteral("+"), QStringLiteral("Zoom in"));
    auto* zoomOut =
        Button(this, row, QStringLiteral("ZoomOutButton"), QStringLiteral("-"), QStringLiteral("Zoom out"));
    auto* width = Button(this, row, QStringLiteral("ZoomWidthButton"), QStringLiteral("Page Width"),
                         QStringLiteral("Fit the page width"));
    auto* whole = Button(this, row, QStringLiteral("ZoomPageButton"), QStringLiteral("Whole Page"),
                         QStringLiteral("Show the whole page"));
    auto* z100 = Button(this, row, QStringLiteral("Zoom100Button"), QStringLiteral("100%"), QStringLiteral("True size"));
    auto* print = Button(this, row, QStringLiteral("PrintButton"), QStringLiteral("&Print"),
                         QStringLiteral("Print these pages"));
    row->addStretch(1);
    auto* ok = Button(this, row, QStringLiteral("OkButton"), QStringLiteral("Ok"), QString());
    auto* help = Button(this, row, QStringLiteral("HelpButton"), QStringLiteral("Help"), QString());
    control_ = new PreviewControl(this);
    outer->addWidget(control_, 1);

    connect(first_, &QPushButton::clicked, this, &TPreviewForm::FirstPageClick);
    connect(prior_, &QPushButton::clicked, this, &TPreviewForm::PriorPageClick);
    connect(next_, &QPushButton::clicked, this, &TPreviewForm::NextPageClick);
    connect(last_, &QPushButton::clicked, this, &TPreviewForm::LastPageClick);
    connect(zoomIn, &QPushButton::clicked, this, &TPreviewForm::ZoomInClick);
    connect(zoomOut, &QPushButton::clicked, this, &TPreviewForm::ZoomOutClick);
    connect(width, &QPushButton::clicked, this, &TPreviewForm::ZoomPageWidthClick);
    connect(whole, &QPushButton::clicked, this, &TPreviewForm::ZoomPageClick);
    connect(z100, &QPushButton::clicked, this, &TPreviewForm::Zoom100Click);
    connect(print, &QPushButton::clicked, this, &TPreviewForm::PrintClick);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    connect(help, &QPushButton::clicked, this, [this] {
        if (OnHelp)
            OnHelp();
    });
    connect(control_, &PreviewControl::PageChanged, this, [this] {
        UpdateCaption();
        UpdateButtons();
    });
    connect(control_, &PreviewControl::ZoomChanged, this, &TPreviewForm::UpdateCaption);
    connect(control_, &PreviewControl::PageClicked, this, [this](Qt::MouseButton b) {
        if (b == Qt::LeftButton)
            ZoomInClick();
        else
            ZoomOutClick();
    });
    auto* up = new QShortcut(QKeySequence(Qt::Key_Up), this);
    connect(up, &QShortcut::activated, this, [this] { control_->ScrollStep(-1); });
    auto* down = new QShortcut(QKeySequence(Qt::Key_Down), this);
    connect(down, &QShortcut::activated, this, [this] { control_->ScrollStep(1); });
}

TPreviewForm::~TPreviewForm() = default;

void TPreviewForm::SetPrintTexts(TPrintStatus::Texts texts, QString statusFormat)
{
    printTexts_ = std::move(texts);
    printFormat_ = std::move(statusFormat);
}

void TPreviewForm::SetLive(bool live)
{
    live_ = live;
    control_->SetLive(live);
    if (auto* print = findChild<QPushButton*>(QStringLiteral("PrintButton")))
        print->setEnabled(!live);
    Refresh();
}

void TPreviewForm::Refresh()
{
    if (!activated_ || !stream_ || control_->PageCount() == shownCount_)
        return;
    shownCount_ = control_->PageCount();
    UpdateCaption();
    UpdateButtons();
}

QString TPreviewForm::PageCaption() const
{
    return QStringLiteral("Preview Page %1 of %2 ( %3% )")
        .arg(control_->CurrentPage() - control_->FirstPage() + 1)
        .arg(control_->PageCount())
        .arg(std::lround(control_->ZoomFactor()));
}

void TPreviewForm::UpdateCaption()
{
    if (activated_)
        setWindowTitle(PageCaption());
}

void TPreviewForm::UpdateButtons()
{
    const bool many = control_->PageCount() >= 2;
    for (QPushButton* b : {first_, prior_, next_, last_})
        b->setVisible(many);
}

void TPreviewForm::showEvent(QShowEvent* e)
{
    QDialog::showEvent(e);
    if (!activated_)
        FormActivate();
}

void TPreviewForm::FormActivate()
{
    activated_ = true;
    ui::RestorePlacement(this, QStringLiteral("TPreviewForm"));
    control_->Start(stream_);
    shownCount_ = control_->PageCount();
    UpdateButtons();
    // Fit factors need the laid-out size of the box.
    ensurePolished();
    if (layout())
        layout()->activate();
    if (initialZoom_ == ZoomWholePage)
        control_->SetZoomFactor(control_->ZoomPageFactor());
    else if (initialZoom_ == ZoomPageWidth)
        control_->SetZoomFactor(control_->ZoomPageWidthFactor());
    else
        control_->SetZoomFactor(initialZoom_);
    UpdateCaption();
}

void TPreviewForm::FirstPageClick() { control_->GotoPage(control_->FirstPage()); }
void TPreviewForm::PriorPageClick() { control_->GotoPage(control_->CurrentPage() - 1); }
void TPreviewForm::NextPageClick() { control_->GotoPage(control_->CurrentPage() + 1); }
void TPreviewForm::LastPageClick() { control_->GotoPage(control_->PageCount()); }
void TPreviewForm::ZoomInClick() { control_->ZoomIn(); }
void TPreviewForm::ZoomOutClick() { control_->ZoomOut(); }
void TPreviewForm::ZoomPageWidthClick() { control_->SetZoomFactor(control_->ZoomPageWidthFactor()); }
void TPreviewForm::ZoomPageClick() { control_->SetZoomFactor(control_->ZoomPageFactor()); }
void TPreviewForm::Zoom100Click() { control_->SetZoomFactor(100); }

void TPreviewForm::PrintClick()
{
    // Pages still being recorded are printed from the finished preview.
    if (live_ || !stream_ || stream_->PageCount() == 0)
        return;
    PrinterControl& printer = printer_ ? *printer_ : Engine();
    if (!CheckPrinter(printer))
        return;
    PrintJob job(printer);
    job.SetTitle(jobTitle_);
    const PageStream& stream = *stream_;
    const QString format = printFormat_;
    job.OnBeforePrint = [&stream, format](PrintJob& j) {
        j.SetPageTotal(stream.PageCount());
        j.SetStatusFormat(format);
        j.StatusText() << QString() << QString();
        j.UpdateStatus();
    };
    job.OnPrint = [&stream](PrintJob& j) {
        for (int i = 0; i < stream.PageCount(); ++i) {
            if (i > 0)
                j.NewPage();
            if (!j.PlayPage(stream, i) || j.Aborted())
                return;
        }
    };
    TPrintStatus status(job, false, nullptr, printTexts_, this);
    if (printStatusShown)
        printStatusShown(status);
    else
        status.exec();
}

void TPreviewForm::FormClose()
{
    if (closed_)
        return;
    closed_ = true;
    if (control_->Running())
        control_->Finish();
    if (activated_)
        ui::SavePlacement(this, QStringLiteral("TPreviewForm"));
}

void TPreviewForm::closeEvent(QCloseEvent* e)
{
    if (live_) {
        e->ignore();
        emit StopRequested();
        return;
    }
    FormClose();
    QDialog::closeEvent(e);
}

void TPreviewForm::done(int r)
{
    if (live_) {
        emit StopRequested();
        return;
    }
    FormClose();
    QDialog::done(r);
}

}  // namespace addrova::print
