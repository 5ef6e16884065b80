#include "PrintDialogs.h"

#include "Common.h"
#include "JobStatusTexts.h"
#include "PrinterControl.h"
#include "Table.h"

#include <QApplication>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFont>
#include <QHBoxLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QScreen>
#include <QSpinBox>
#include <QTimer>
#include <QVBoxLayout>
#include <cmath>

namespace addrova::labels {

// ---- SheetView ----

SheetView::SheetView(const LabelSetup& setup, PositionMask& mask, QWidget* parent)
    : QWidget(parent), s_(setup), mask_(mask)
{
    setObjectName(QStringLiteral("SheetView"));
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    setFixedSize(sizeHint());
}

double SheetView::scale() const
{
    return 0.2 * logicalDpiX();
}

QSize SheetView::sizeHint() const
{
    const double s = scale();
    // The design size holds a Letter sheet; larger sheets grow the area.
    const double w = std::max(8.5, static_cast<double>(s_.sheetWidth)), h = std::max(11.0, static_cast<double>(s_.sheetDepth));
    return {20 + static_cast<int>(std::trunc(w * s)), 20 + static_cast<int>(std::trunc(h * s))};
}

QRect SheetView::paperRect() const
{
    const double s = scale();
    return QRect(QPoint(10, 10), QPoint(10 + static_cast<int>(std::trunc(s_.sheetWidth * s)),
                                        10 + static_cast<int>(std::trunc(s_.sheetDepth * s))));
}

QRect SheetView::positionRect(int p) const
{
    const double s = scale();
    auto t = [](double v) { return static_cast<int>(std::trunc(v)); };
    const int c = p % s_.nbrAcross, r = p / s_.nbrAcross;
    int left = t(s_.leftMarg * s) + c * t(s_.horizPitch * s) + 10;
    if (c >= s_.nbrAcross / 2 && s_.midExtraX > 0)
        left += t(s_.midExtraX * s);
    int top = t(s_.topMarg * s) + r * t(s_.vertPitch * s) + 10;
    if (r >= s_.nbrDown / 2 && s_.midExtraY > 0)
        top += t(s_.midExtraY * s);
    return QRect(left, top, t(s_.lblWidth * s), t(s_.lblHeight * s));
}

int SheetView::positionAt(QPoint pt) const
{
    const int n = std::min(s_.nbrAcross * s_.nbrDown, kMaxLabelsPerSheet);
    for (int p = 0; p < n; ++p)
        if (positionRect(p).contains(pt))
            return p;
    return -1;
}

void SheetView::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.fillRect(rect(), palette().window());
    p.setPen(Qt::black);
    p.setBrush(Qt::white);
    p.drawRect(paperRect());
    const int n = std::min(s_.nbrAcross * s_.nbrDown, kMaxLabelsPerSheet);
    for (int i = 0; i < n; ++i) {
        p.setBrush(mask_.test(static_cast<size_t>(i)) ? QColor(Qt::red) : QColor(Qt::white));
        const QRect r = positionRect(i);
        if (s_.lblShape == "EL")
            p.drawEllipse(r);
        else
            p.drawRect(r);
    }
}

void SheetView::mousePressEvent(QMouseEvent* e)
{
    const int p = positionAt(e->position().toPoint());
    if (p >= 0) {
        mask_.flip(static_cast<size_t>(p));
        update();
    }
}

// ---- TSelectSpecificLabels ----

TSelectSpecificLabels::TSelectSpecificLabels(const LabelSetup& setup, const PositionMask& mask, int copies,
                                             bool presort, print::PrinterControl& printer, QWidget* parent,
                                             bool forPreview)
    : QDialog(parent), mask_(mask), positions_(std::min(setup.nbrAcross * setup.nbrDown, kMaxLabelsPerSheet)),
      printer_(printer), startPrinter_(printer.PrinterIndex()), forPreview_(forPreview)
{
    setObjectName(QStringLiteral("TSelectSpecificLabels"));
    setWindowTitle(QStringLiteral("Labels Print"));
    auto* h = new QHBoxLayout(this);
    sheet_ = new SheetView(setup, mask_, this);
    h->addWidget(sheet_);
    auto* v = new QVBoxLayout;
    v->addWidget(new QLabel(QStringLiteral("Click the positions to print on each sheet."), this));
    auto* all = new QPushButton(QStringLiteral("&All"), this);
    all->setObjectName(QStringLiteral("AllButton"));
    auto* none = new QPushButton(QStringLiteral("&None"), this);
    none->setObjectName(QStringLiteral("NoneButton"));
    v->addWidget(all);
    v->addWidget(none);
    printerCaption_ = new QLabel(QStringLiteral("Printer"), this);
    v->addWidget(printerCaption_);
    printers_ = new QComboBox(this);
    printers_->setObjectName(QStringLiteral("PrinterCombo"));
    printers_->addItems(printer.Printers());
    printers_->setCurrentIndex(printer.PrinterIndex());
    v->addWidget(printers_);
    copiesCaption_ = new QLabel(QStringLiteral("Number of each label to print"), this);
    copies_ = new QSpinBox(this);
    copies_->setObjectName(QStringLiteral("CopiesSpin"));
    copies_->setRange(1, 99);
    copies_->setValue(std::clamp(copies, 1, 99));
    copiesCaption_->setVisible(!presort && !forPreview);
    copies_->setVisible(!presort && !forPreview);
    printerCaption_->setVisible(!forPreview);
    printers_->setVisible(!forPreview);
    printers_->setEnabled(!forPreview);
    v->addWidget(copiesCaption_);
    v->addWidget(copies_);
    v->addStretch();
    auto* box = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    box->button(QDialogButtonBox::Ok)->setObjectName(QStringLiteral("OkButton"));
    box->button(QDialogButtonBox::Ok)->setDefault(true);
    v->addWidget(box);
    h->addLayout(v);
    connect(all, &QPushButton::clicked, this, [this] { AllClick(); });
    connect(none, &QPushButton::clicked, this, [this] { NoneClick(); });
    connect(printers_, &QComboBox::activated, this, [this](int i) { printer_.SetPrinterIndex(i); });
    connect(box, &QDialogButtonBox::accepted, this, [this] {
        if (OkClick())
            accept();
    });
    connect(box, &QDialogButtonBox::rejected, this, &TSelectSpecificLabels::reject);
}

int TSelectSpecificLabels::copies() const { return forPreview_ ? 1 : std::max(1, copies_->value()); }
int TSelectSpecificLabels::printerIndex() const { return printers_->currentIndex(); }

void TSelectSpecificLabels::AllClick()
{
    for (int p = 0; p < positions_; ++p)
        mask_.set(static_cast<size_t>(p));
    sheet_->update();
}

void TSelectSpecificLabels::NoneClick()
{
    mask_.reset();
    sheet_->update();
}

bool TSelectSpecificLabels::OkClick()
{
    bool any = false;
    for (int p = 0; p < positions_; ++p)
        any = any || mask_.test(static_cast<size_t>(p));
    if (!any) {
        ui::ShowInfo(QStringLiteral("You must select at least one card to print"));
        return false;
    }
    return true;
}

void TSelectSpecificLabels::reject()
{
    if (printer_.PrinterIndex() != startPrinter_ && startPrinter_ >= 0)
        printer_.SetPrinterIndex(startPrinter_);
    QDialog::reject();
}

// ---- TSortBulkMail ----

TSortBulkMail::TSortBulkMail(store::Table& table, postal::AdcTable adc, std::string listingPath, QWidget* parent)
    : QDialog(parent), table_(table), adc_(std::move(adc)), path_(std::move(listingPath))
{
    setObjectName(QStringLiteral("TSortBulkMail"));
    setWindowTitle(QStringLiteral("Bulk Mail Presorting"));
    auto* v = new QVBoxLayout(this);
    status_ = new QLabel(this);
    status_->setObjectName(QStringLiteral("StatusLabel"));
    QFont f = status_->font();
    f.setBold(true);
    status_->setFont(f);
    status_->setMinimumWidth(260);
    v->addWidget(status_);
    auto* cancel = new QPushButton(QStringLiteral("Cancel"), this);
    cancel->setObjectName(QStringLiteral("CancelButton"));
    v->addWidget(cancel, 0, Qt::AlignHCenter);
    connect(cancel, &QPushButton::clicked, this, [this] { CancelClick(); });
}

void TSortBulkMail::showEvent(QShowEvent* e)
{
    QDialog::showEvent(e);
    if (!started_) {
        started_ = true;
        ui::CenterOverMain(this);
        QTimer::singleShot(0, this, &TSortBulkMail::DoTheSort);
    }
}

void TSortBulkMail::CancelClick()
{
    if (ui::AskYesNo(QStringLiteral("Cancel PRESORT?"), QStringLiteral("CANCEL")))
        cancel_ = true;
}

void TSortBulkMail::reject()
{
    if (running_) {
        CancelClick();
        return;
    }
    QDialog::reject();
}

void TSortBulkMail::DoTheSort()
{
    if (running_)
        return;
    running_ = true;
    try {
        const auto r = postal::DoTheSort(table_, adc_, path_, [this](const std::string& s) {
            status_->setText(QString::fromStdString(s));
            QCoreApplication::processEvents();
            return !cancel_;
        });
        done_ = r == postal::PresortResult::Done && !cancel_;
    } catch (const std::exception& e) {
        ui::ShowInfo(QString::fromLocal8Bit(e.what()));
        done_ = false;
    }
    running_ = false;
    if (done_)
        accept();
    else
        QDialog::reject();
}

// ---- TLabelPrinter ----

print::TPrintStatus::Texts TLabelPrinter::LabelTexts(bool preview)
{
    Texts t = print::JobStatusTexts(preview, QStringLiteral("Label"));
    if (!preview)
        t.caption = QStringLiteral("Print Status ");
    t.previewCompleted = QStringLiteral("\rLabel Preview Completed!");
    t.closeAfterPreview = true;
    return t;
}

TLabelPrinter::TLabelPrinter(print::PrintJob& job, bool preview, print::PageStream* stream, QWidget* parent)
    : TPrintStatus(job, preview, stream, LabelTexts(preview), parent)
{
    setObjectName(QStringLiteral("TLabelPrinter"));
}

}  // namespace addrova::labels
