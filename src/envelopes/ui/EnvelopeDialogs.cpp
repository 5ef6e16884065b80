#include "EnvelopeDialogs.h"

#include "CheckPrinter.h"
#include "Common.h"
#include "EnvelopeStore.h"
#include "PrinterControl.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPainter>
#include <QPainterPath>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace addrova::envelopes {

namespace {

QString crlf(const std::string& s)
{
    return QString::fromStdString(s).replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
}

}  // namespace

// ---- TChooseEnvelopeLayout ----

TChooseEnvelopeLayout::TChooseEnvelopeLayout(int code, QWidget* parent) : QDialog(parent), input_(code)
{
    setObjectName(QStringLiteral("TChooseEnvelopeLayout"));
    setWindowTitle(QStringLiteral("Envelope Size"));
    auto* v = new QVBoxLayout(this);
    list_ = new QListWidget(this);
    list_->setObjectName(QStringLiteral("SizeList"));
    for (const EnvelopeSize& s : kEnvelopeSizes)
        list_->addItem(QString::fromLatin1(s.entry));
    const int i = EnvelopeSizeIndex(code);
    list_->setCurrentRow(i < 0 ? 0 : i);
    list_->setMinimumSize(300, 300);
    v->addWidget(list_);
    auto* box = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    v->addWidget(box);
    connect(box, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(box, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(list_, &QListWidget::itemDoubleClicked, this, &QDialog::accept);
}

int TChooseEnvelopeLayout::Code() const
{
    const int row = list_->currentRow();
    if (row < 0 || row >= static_cast<int>(kEnvelopeSizes.size()))
        return input_;
    return kEnvelopeSizes[static_cast<size_t>(row)].code;
}

bool TChooseEnvelopeLayout::Ask(int& code, QWidget* parent)
{
    TChooseEnvelopeLayout d(code, parent);
    ui::CenterOverMain(&d);
    if (d.exec() != QDialog::Accepted)
        return false;
    code = d.Code();
    return true;
}

// ---- FeedPicture ----

FeedPicture::FeedPicture(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("FeedPicture"));
    setMinimumSize(150, 170);
}

void FeedPicture::setFeed(const FeedMethod& f)
{
    feed_ = f;
    update();
}

QRect FeedPicture::pageRect() const
{
    // A Letter page, portrait, in the feeder.
    const int h = height() - 10;
    const int w = h * 85 / 110;
    return {(width() - w) / 2, 5, w, h};
}

QRect FeedPicture::envelopeRect() const
{
    const QRect page = pageRect();
    // A No. 10 envelope to the page's scale.
    const double scale = page.width() / 8.5;
    int ew = static_cast<int>(9.5 * scale * 0.75), eh = static_cast<int>(4.125 * scale * 0.75);
    if (feed_.orientation == feedLandscape)
        std::swap(ew, eh);
    int x = page.left() + (page.width() - ew) / 2;
    if (feed_.position == posLeft)
        x = page.left() + 2;
    else if (feed_.position == posRight)
        x = page.right() - 2 - ew + 1;
    return {x, page.top() + 2, ew, eh};
}

void FeedPicture::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    p.fillRect(rect(), palette().window());
    const QRect page = pageRect();
    p.setPen(QPen(Qt::black, 1));
    p.setBrush(Qt::white);
    p.drawRect(page);
    // The feed direction: an arrow into the printer above the page.
    p.drawLine(page.center().x(), page.bottom() - 8, page.center().x(), page.bottom() - 24);
    p.drawLine(page.center().x(), page.bottom() - 24, page.center().x() - 4, page.bottom() - 18);
    p.drawLine(page.center().x(), page.bottom() - 24, page.center().x() + 4, page.bottom() - 18);

    const QRect env = envelopeRect();
    p.setBrush(QColor(0xFF, 0xF8, 0xE0));
    p.setPen(QPen(Qt::black, 1.2));
    p.drawRect(env);

    // Draw the envelope's face in upright coordinates, then turn it onto the page.
    const bool turned = feed_.orientation == feedLandscape;
    const double w = turned ? env.height() : env.width();
    const double h = turned ? env.width() : env.height();
    p.save();
    p.translate(env.center());
    if (turned)
        p.rotate(feed_.clockwise ? 90 : -90);
    p.translate(-w / 2, -h / 2);
    if (feed_.facing == faceUp) {
        // Front: the stamp at the top right, return lines at the top left, address in the middle.
        p.setBrush(QColor(0xC0, 0x30, 0x30));
        p.setPen(Qt::NoPen);
        p.drawRect(QRectF(w - w * 0.16, h * 0.08, w * 0.11, h * 0.22));
        p.setPen(QPen(Qt::darkGray, 1));
        for (int i = 0; i < 2; ++i)
            p.drawLine(QPointF(w * 0.06, h * (0.12 + 0.1 * i)), QPointF(w * 0.32, h * (0.12 + 0.1 * i)));
        p.setPen(QPen(Qt::black, 1.5));
        for (int i = 0; i < 3; ++i)
            p.drawLine(QPointF(w * 0.4, h * (0.5 + 0.13 * i)), QPointF(w * 0.82, h * (0.5 + 0.13 * i)));
    } else {
        // Back: the flap.
        QPainterPath flap;
        flap.moveTo(0, 0);
        flap.lineTo(w / 2, h * 0.55);
        flap.lineTo(w, 0);
        p.setPen(QPen(Qt::black, 1.2));
        p.setBrush(QColor(0xF0, 0xE6, 0xC8));
        p.drawPath(flap);
        p.drawLine(QPointF(0, h), QPointF(w * 0.4, h * 0.45));
        p.drawLine(QPointF(w, h), QPointF(w * 0.6, h * 0.45));
    }
    p.restore();
}

// ---- TEnvelopeFeed ----

TEnvelopeFeed::TEnvelopeFeed(const FeedMethod& feed, QWidget* parent) : QDialog(parent), feed_(feed)
{
    setObjectName(QStringLiteral("TEnvelopeFeed"));
    setWindowTitle(QStringLiteral("Paper Feed Method"));
    auto* v = new QVBoxLayout(this);
    auto* text = new QLabel(QStringLiteral("Please indicate how you normally feed envelopes into your printer:"), this);
    text->setWordWrap(true);
    v->addWidget(text);
    auto* h = new QHBoxLayout;
    auto* groups = new QVBoxLayout;
    auto group = [&](const QString& title, std::initializer_list<const char*> captions) {
        auto* g = new QGroupBox(title, this);
        auto* gl = new QVBoxLayout(g);
        for (const char* c : captions) {
            auto* b = new QRadioButton(QString::fromLatin1(c), g);
            gl->addWidget(b);
            buttons_.emplace_back(QString::fromLatin1(c), b);
            connect(b, &QRadioButton::clicked, this, &TEnvelopeFeed::choose);
        }
        groups->addWidget(g);
        return gl;
    };
    group(QStringLiteral("Position"), {"&Left", "&Right", "&Center"});
    QVBoxLayout* orient = group(QStringLiteral("Orientation"), {"&Portrait", "&Landscape"});
    clockwise_ = new QCheckBox(QStringLiteral("Clock&wise Rotation"), this);
    orient->addWidget(clockwise_);
    connect(clockwise_, &QCheckBox::clicked, this, &TEnvelopeFeed::choose);
    group(QStringLiteral("Facing"), {"&Up", "&Down"});
    h->addLayout(groups);
    picture_ = new FeedPicture(this);
    picture_->setMinimumSize(200, 240);
    h->addWidget(picture_, 1);
    v->addLayout(h);
    auto* note = new QLabel(QStringLiteral("(note: there are many printers and many ways to feed envelopes - this may "
                                           "take some experimenting)"),
                            this);
    note->setWordWrap(true);
    v->addWidget(note);
    auto* box = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    v->addWidget(box);
    connect(box, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(box, &QDialogButtonBox::rejected, this, &QDialog::reject);
    showFeed(feed_);
}

QRadioButton* TEnvelopeFeed::button(const QString& caption) const
{
    for (const auto& [c, b] : buttons_)
        if (c == caption)
            return b;
    return nullptr;
}

void TEnvelopeFeed::showFeed(const FeedMethod& f)
{
    // Radio buttons of three groups share one parent each; set them without the group's exclusivity
    // getting in the way.
    button(QStringLiteral("&Left"))->setChecked(f.position == posLeft);
    button(QStringLiteral("&Right"))->setChecked(f.position == posRight);
    button(QStringLiteral("&Center"))->setChecked(f.position == posCenter);
    button(QStringLiteral("&Portrait"))->setChecked(f.orientation == feedPortrait);
    button(QStringLiteral("&Landscape"))->setChecked(f.orientation == feedLandscape);
    button(QStringLiteral("&Up"))->setChecked(f.facing == faceUp);
    button(QStringLiteral("&Down"))->setChecked(f.facing == faceDown);
    clockwise_->setChecked(f.clockwise);
    clockwise_->setVisible(f.orientation == feedLandscape);
    picture_->setFeed(f);
}

void TEnvelopeFeed::choose()
{
    FeedMethod f = feed_;
    if (button(QStringLiteral("&Left"))->isChecked())
        f.position = posLeft;
    else if (button(QStringLiteral("&Right"))->isChecked())
        f.position = posRight;
    else
        f.position = posCenter;
    f.orientation = button(QStringLiteral("&Portrait"))->isChecked() ? feedPortrait : feedLandscape;
    f.facing = button(QStringLiteral("&Up"))->isChecked() ? faceUp : faceDown;
    f.clockwise = clockwise_->isChecked();
    feed_ = f;
    showFeed(f);
}

// ---- TEnvelopePrePrint ----

TEnvelopePrePrint::TEnvelopePrePrint(print::PrinterControl& printer, const FeedMethod& feed, int envelopeCode,
                                     QWidget* parent)
    : QDialog(parent), printer_(printer), feed_(feed), code_(envelopeCode)
{
    setObjectName(QStringLiteral("TEnvelopePrePrint"));
    setWindowTitle(QStringLiteral("Envelope Print"));
    auto* v = new QVBoxLayout(this);
    auto* printerBox = new QGroupBox(QStringLiteral("Printer"), this);
    auto* form = new QFormLayout(printerBox);
    printer_l_ = new QLabel(printerBox);
    source_ = new QLabel(printerBox);
    paper_ = new QLabel(printerBox);
    orientation_ = new QLabel(printerBox);
    form->addRow(QStringLiteral("Printer:"), printer_l_);
    form->addRow(QStringLiteral("Source:"), source_);
    form->addRow(QStringLiteral("Paper:"), paper_);
    form->addRow(QStringLiteral("Orientation:"), orientation_);
    warning_ = new QLabel(printerBox);
    warning_->setObjectName(QStringLiteral("PaperWarning"));
    warning_->setWordWrap(true);
    QPalette red = warning_->palette();
    red.setColor(QPalette::WindowText, Qt::red);
    warning_->setPalette(red);
    form->addRow(warning_);
    v->addWidget(printerBox);

    auto* feedBox = new QGroupBox(QStringLiteral("Feed Method"), this);
    auto* fh = new QHBoxLayout(feedBox);
    picture_ = new FeedPicture(feedBox);
    fh->addWidget(picture_);
    feedText_ = new QLabel(feedBox);
    feedText_->setObjectName(QStringLiteral("FeedText"));
    fh->addWidget(feedText_, 1);
    v->addWidget(feedBox);

    auto* buttons = new QHBoxLayout;
    for (const char* c : {"Printer Setup", "Paper Feed Method", "Ok", "Cancel"}) {
        auto* b = new QPushButton(QString::fromLatin1(c), this);
        b->setAutoDefault(QLatin1String(c) == QLatin1String("Ok"));
        buttons->addWidget(b);
        buttons_.emplace_back(QString::fromLatin1(c), b);
    }
    v->addLayout(buttons);
    connect(button(QStringLiteral("Printer Setup")), &QPushButton::clicked, this,
            &TEnvelopePrePrint::PrinterSetupClick);
    connect(button(QStringLiteral("Paper Feed Method")), &QPushButton::clicked, this,
            &TEnvelopePrePrint::FeedMethodClick);
    connect(button(QStringLiteral("Ok")), &QPushButton::clicked, this, &QDialog::accept);
    connect(button(QStringLiteral("Cancel")), &QPushButton::clicked, this, &QDialog::reject);
    ShowPrintSetup();
    ShowFeedMethod();
}

QPushButton* TEnvelopePrePrint::button(const QString& caption) const
{
    for (const auto& [c, b] : buttons_)
        if (c == caption)
            return b;
    return nullptr;
}

void TEnvelopePrePrint::showEvent(QShowEvent* e)
{
    QDialog::showEvent(e);
    ShowPrintSetup();
    ShowFeedMethod();
}

QString TEnvelopePrePrint::printerText() const
{
    return QStringLiteral("Printer: %1\nSource: %2\nPaper: %3\nOrientation: %4")
        .arg(printer_l_->text(), source_->text(), paper_->text(), orientation_->text());
}

void TEnvelopePrePrint::ShowPrintSetup()
{
    printer_l_->setText(printer_.PrinterName());
    source_->setText(printer_.PaperSourceName());
    paper_->setText(printer_.PaperName());
    orientation_->setText(printer_.GetOrientation() == print::Orientation::Landscape ? QStringLiteral("Landscape")
                                                                                     : QStringLiteral("Portrait"));
    const bool mismatch =
        PaperMismatch(EnvelopeWidth(code_), EnvelopeHeight(code_), printer_.PageWidth(), printer_.PageHeight());
    warning_->setText(mismatch ? crlf(kPaperWarning) : QString());
    warning_->setVisible(mismatch);
}

void TEnvelopePrePrint::ShowFeedMethod()
{
    picture_->setFeed(feed_);
    feedText_->setText(crlf(FeedDescription(feed_)));
}

void TEnvelopePrePrint::PrinterSetupClick()
{
    if (printerSetupOverride)
        printerSetupOverride(printer_);
    else
        print::ShowPrinterSetup(printer_, this);
    ShowPrintSetup();
}

void TEnvelopePrePrint::FeedMethodClick()
{
    FeedMethod f = feed_;
    bool ok = false;
    if (feedDialogOverride) {
        ok = feedDialogOverride(f);
    } else {
        TEnvelopeFeed d(feed_, this);
        ui::CenterOverMain(&d);
        ok = d.exec() == QDialog::Accepted;
        f = d.feed();
    }
    if (!ok)
        return;
    feed_ = f;
    printer_.SetOrientation(feed_.orientation == feedPortrait ? print::Orientation::Portrait
                                                              : print::Orientation::Landscape);
    ShowPrintSetup();
    ShowFeedMethod();
}

}  // namespace addrova::envelopes
