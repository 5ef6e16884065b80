#include "LetterWindows.h"

#include "CheckPrinter.h"
#include "Common.h"
#include "PageRender.h"
#include "PrintJob.h"
#include "PrinterControl.h"
#include "ProgramDir.h"
#include "RecordChoice.h"
#include "RecordSource.h"
#include "Rtf.h"
#include "SpellChecker.h"
#include "SystemTables.h"
#include "TParagraphPropDlg.h"
#include "TRichEditor.h"
#include "Table.h"

#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QFontDialog>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QMouseEvent>
#include <QPainter>
#include <QPrinter>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QSpinBox>
#include <QTableWidget>
#include <QTextCursor>
#include <QTextEdit>
#include <QVBoxLayout>
#include <algorithm>

namespace addrova::letters {

namespace {

QString shortDateToday()
{
    return QString::fromStdString(store::formatDate(store::dateToday(std::time(nullptr)), app::ShortDateFormat()));
}

}  // namespace

int ZoomIn(int zoom)
{
    return zoom < 150 ? static_cast<int>(zoom * 1.25) : zoom;
}

int ZoomOut(int zoom)
{
    return zoom > 50 ? static_cast<int>(zoom * 0.75) : zoom;
}

// ---------------------------------------------------------------------------------------------
// Letter designer

TLetterDesign::TLetterDesign(store::Table& address, const QString& description, const QByteArray& rtf, bool isNew,
                             QWidget* parent)
    : QDialog(parent), address_(address), isNew_(isNew)
{
    setObjectName(QStringLiteral("TLetterDesign"));
    setWindowTitle(QStringLiteral("Letter Designer"));
    auto* layout = new QVBoxLayout(this);
    auto* menu = new QMenuBar(this);
    layout->setMenuBar(menu);

    auto* top = new QHBoxLayout;
    fields_ = new QComboBox(this);
    fields_->addItems(MergeFieldNames());
    fields_->setCurrentIndex(0);
    description_ = new QLineEdit(description, this);
    description_->setMaxLength(kDescriptionWidth);
    top->addWidget(new QLabel(QStringLiteral("Insert field"), this));
    top->addWidget(fields_);
    top->addSpacing(16);
    top->addWidget(new QLabel(QStringLiteral("Description"), this));
    top->addWidget(description_, 1);
    layout->addLayout(top);
    connect(fields_, &QComboBox::activated, this, &TLetterDesign::insertField);

    editor_ = new richtext::TRichEditor(this);
    layout->addWidget(editor_, 1);
    richtext::PageSettings defaults;
    editor_->setPageSettings(defaults);
    if (!isNew && !rtf.isEmpty())
        editor_->loadRtf(rtf);

    auto* buttons = new QHBoxLayout;
    auto* ok = new QPushButton(QStringLiteral("Ok"), this);
    auto* preview = new QPushButton(QStringLiteral("Preview"), this);
    auto* cancel = new QPushButton(QStringLiteral("Cancel"), this);
    buttons->addStretch();
    buttons->addWidget(ok);
    buttons->addWidget(preview);
    buttons->addWidget(cancel);
    layout->addLayout(buttons);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(preview, &QPushButton::clicked, this, &TLetterDesign::PreviewClick);

    QMenu* file = menu->addMenu(QStringLiteral("&File"));
    file->addAction(QStringLiteral("&Save as RTF"), editor_, &richtext::TRichEditor::SaveDialog);
    file->addAction(QStringLiteral("&Load RTF"), editor_, &richtext::TRichEditor::LoadDialog);
    file->addAction(QStringLiteral("&Insert RTF"), editor_, &richtext::TRichEditor::InsertDialog);
    QMenu* edit = menu->addMenu(QStringLiteral("&Edit"));
    edit->addAction(QStringLiteral("&Find"), QKeySequence(Qt::CTRL | Qt::Key_F), editor_,
                    &richtext::TRichEditor::FindDialog);
    edit->addAction(QStringLiteral("&Replace"), QKeySequence(Qt::CTRL | Qt::Key_R), editor_,
                    &richtext::TRichEditor::ReplaceDialog);
    spell_ = edit->addAction(QStringLiteral("&Spell Check"), QKeySequence(Qt::Key_F7), this, [this] {
        if (speller_)
            editor_->SpellCheckDialog(*speller_);
    });
    const QString dict = richtext::SpellChecker::SystemDictionary();
    if (!dict.isEmpty())
        speller_ = std::make_unique<richtext::SpellChecker>(
            dict + QStringLiteral(".aff"), dict + QStringLiteral(".dic"),
            QString::fromStdString(app::ProgramDir()) + QStringLiteral("USER.DIC"));
    spell_->setEnabled(speller_ && speller_->IsValid());
    edit->addAction(QStringLiteral("&Insert Page Break"), this, [this] {
        if (ui::AskYesNo(QStringLiteral("Insert a page break?"), QStringLiteral("PAGE BREAK")))
            editor_->insertPageBreak();
    });
    QMenu* settings = menu->addMenu(QStringLiteral("&Settings"));
    settings->addAction(QStringLiteral("&Paragraph Settings"), this, [this] {
        TParagraphPropDlg d(ReadParagraph(*editor_->editor()), this);
        if (d.exec() == QDialog::Accepted)
            ApplyParagraph(*editor_->editor(), d.values());
    });
    settings->addAction(QStringLiteral("Pa&ge Settings"), this, &TLetterDesign::PageSettingsClick);
    wrap_ = settings->addAction(QString(), this, [this] {
        editor_->setWordWrap(!editor_->wordWrap());
        wrap_->setText(editor_->wordWrap() ? QStringLiteral("&Word Wrap is ON") : QStringLiteral("&Word Wrap is OFF"));
    });
    defaultFont_ = settings->addAction(QString(), this, [this] {
        QFont f(font_.name, font_.size, font_.bold ? QFont::Bold : QFont::Normal, font_.italic);
        bool ok = false;
        const QFont chosen = QFontDialog::getFont(&ok, f, this, QStringLiteral("Default Font"));
        if (ok) {
            font_.name = chosen.family();
            font_.size = chosen.pointSize() > 0 ? chosen.pointSize() : font_.size;
            font_.bold = chosen.bold();
            font_.italic = chosen.italic();
            editor_->setInsertionFont(font_.name, font_.size, font_.bold, font_.italic);
        }
        refreshFontCaption();
        try {
            app::ProfileFile ini = app::Settings();
            WriteLetterFont(ini, font_);
        } catch (const std::exception& e) {
            ui::ShowInfo(QString::fromLocal8Bit(e.what()));
        }
    });
    font_ = ReadLetterFont(app::Settings());
    refreshFontCaption();
    resize(820, 640);
}

TLetterDesign::~TLetterDesign() = default;

void TLetterDesign::refreshFontCaption()
{
    defaultFont_->setText(DefaultFontCaption(font_));
}

QString TLetterDesign::description() const
{
    return description_->text();
}

void TLetterDesign::insertField(int index)
{
    if (index < 0 || index >= MergeFieldNames().size())
        return;
    editor_->editor()->textCursor().insertText(QLatin1Char('[') + MergeFieldNames()[index] + QLatin1Char(']'));
    editor_->editor()->setFocus();
}

void TLetterDesign::PageSettingsClick()
{
    if (!editor_->PageSettingsDialog())
        return;
    // One pass through RTF text, in memory, lays the document out again on the new page.
    QTextEdit* edit = editor_->editor();
    const int at = edit->textCursor().position();
    const QByteArray rtf = editor_->rtf();
    edit->clear();
    editor_->loadRtf(rtf);
    QTextCursor c(editor_->document());
    c.setPosition(std::min(at, editor_->document()->characterCount() - 1));
    edit->setTextCursor(c);
    editor_->ruler()->setPage(editor_->pageSettings());
}

void TLetterDesign::showEvent(QShowEvent* e)
{
    QDialog::showEvent(e);
    if (activated_)
        return;
    activated_ = true;
    editor_->setWordWrap(true);
    editor_->setPageSettings(editor_->pageSettings());
    if (isNew_)
        editor_->setInsertionFont(font_.name, font_.size, font_.bold, font_.italic);
    wrap_->setText(editor_->wordWrap() ? QStringLiteral("&Word Wrap is ON") : QStringLiteral("&Word Wrap is OFF"));
    ui::RestorePlacement(this, QStringLiteral("TLetterDesign"));
}

void TLetterDesign::closeEvent(QCloseEvent* e)
{
    QDialog::closeEvent(e);
}

void TLetterDesign::done(int r)
{
    ui::SavePlacement(this, QStringLiteral("TLetterDesign"));
    QDialog::done(r);
}

void TLetterDesign::PreviewClick()
{
    TRTFPreviewForm preview(*editor_->document(), address_, this);
    preview.exec();
}

// ---------------------------------------------------------------------------------------------
// Preview

TRTFPreviewForm::TRTFPreviewForm(const QTextDocument& letter, store::Table& address, QWidget* parent)
    : QDialog(parent), address_(address)
{
    setObjectName(QStringLiteral("TRTFPreviewForm"));
    setWindowTitle(QStringLiteral("Preview Letters"));
    richtext::ReadRtf(richtext::WriteRtf(letter), template_);
    pageSet_ = richtext::pageSettings(template_).sane();

    auto* layout = new QVBoxLayout(this);
    auto* bar = new QHBoxLayout;
    auto button = [&](const QString& text, auto slot) {
        auto* b = new QPushButton(text, this);
        b->setObjectName(text);
        bar->addWidget(b);
        connect(b, &QPushButton::clicked, this, slot);
    };
    button(QStringLiteral("Zoom In"), [this] { setZoom(ZoomIn(zoom_)); });
    button(QStringLiteral("Zoom Out"), [this] { setZoom(ZoomOut(zoom_)); });
    button(QStringLiteral("Page Width"), [this] {
        const int w0 = pageSet_.paperWidth * logicalDpiX() / 1440;
        setZoom(static_cast<int>(scroll_->viewport()->width() * 100.0 / std::max(1, w0)));
    });
    button(QStringLiteral("Whole Page"), [this] {
        const int h0 = pageSet_.paperHeight * logicalDpiY() / 1440;
        setZoom(static_cast<int>(scroll_->viewport()->height() * 100.0 / std::max(1, h0)));
    });
    button(QStringLiteral("Previous Page"), [this] { PriorPage(); });
    button(QStringLiteral("Next Page"), [this] { NextPage(); });
    bar->addSpacing(12);
    button(QStringLiteral("First"), [this] { MoveRecord(0); });
    button(QStringLiteral("Prior"), [this] { MoveRecord(1); });
    button(QStringLiteral("Next"), [this] { MoveRecord(2); });
    button(QStringLiteral("Last"), [this] { MoveRecord(3); });
    bar->addStretch();
    button(QStringLiteral("Close"), [this] { accept(); });
    layout->addLayout(bar);
    scroll_ = new QScrollArea(this);
    scroll_->setBackgroundRole(QPalette::Dark);
    scroll_->setAlignment(Qt::AlignCenter);
    pageView_ = new QLabel;
    pageView_->setCursor(Qt::CrossCursor);
    scroll_->setWidget(pageView_);
    layout->addWidget(scroll_, 1);
    resize(760, 820);
    const int w = pageSet_.paperWidth * logicalDpiX() / 1440;
    zoom_ = std::clamp(static_cast<int>(width() * 100.0 / std::max(1, w)), 10, 400);
}

TRTFPreviewForm::~TRTFPreviewForm() = default;

void TRTFPreviewForm::showEvent(QShowEvent* e)
{
    QDialog::showEvent(e);
    if (activated_)
        return;
    activated_ = true;
    restart();
    ui::RestorePlacement(this, QStringLiteral("TRTFPreviewForm"));
}

void TRTFPreviewForm::closeEvent(QCloseEvent* e)
{
    ui::SavePlacement(this, QStringLiteral("TRTFPreviewForm"));
    QDialog::closeEvent(e);
}

void TRTFPreviewForm::mousePressEvent(QMouseEvent* e)
{
    setZoom(e->button() == Qt::LeftButton ? ZoomIn(zoom_) : ZoomOut(zoom_));
}

void TRTFPreviewForm::restart()
{
    page_ = 1;
    begin_ = 0;
    stack_.clear();
    setWindowTitle(QStringLiteral("Preview Letters Page 1"));
    layout::TableRecordSource source(address_, app::GlobalTagId(), app::ShortDateFormat());
    final_ = MergedLetter(template_, source, shortDateToday(), QDate::currentDate());
    draw();
}

void TRTFPreviewForm::setZoom(int zoom)
{
    zoom_ = zoom;
    draw();
}

void TRTFPreviewForm::draw()
{
    if (!final_)
        return;
    const int ppi = logicalDpiX();
    const int w = pageSet_.paperWidth * ppi / 1440, h = pageSet_.paperHeight * ppi / 1440;
    const double z = zoom_ / 100.0;
    // The page is laid out at the zoomed resolution so that text is measured for the picture.
    const int dpi = std::max(10, static_cast<int>(ppi * z));
    image_ = QImage(static_cast<int>(w * z), static_cast<int>(h * z), QImage::Format_RGB32);
    image_.setDotsPerMeterX(static_cast<int>(dpi / 0.0254));
    image_.setDotsPerMeterY(static_cast<int>(dpi / 0.0254));
    image_.fill(Qt::white);
    std::unique_ptr<QTextDocument> doc(final_->clone());
    const PrinterBounds b = DeterminePrinterBounds(pageSet_, dpi, dpi, 0, 0);
    if (b.width > 0 && b.height > 0) {
        richtext::PageRenderer r(*doc, &image_, QSizeF(b.width, b.height));
        QPainter p(&image_);
        next_ = r.renderPage(p, QPointF(b.left, b.top), begin_);
    } else {
        next_ = -1;
        ui::ShowInfo(QStringLiteral("There was an error drawing the preview"));
    }
    pageView_->setPixmap(QPixmap::fromImage(image_));
    pageView_->resize(image_.size());
}

void TRTFPreviewForm::NextPage()
{
    if (next_ <= 0)
        return;
    stack_.push_back(begin_);
    begin_ = next_;
    ++page_;
    setWindowTitle(QStringLiteral("Preview Letters Page %1").arg(page_));
    draw();
}

void TRTFPreviewForm::PriorPage()
{
    if (stack_.empty())
        return;
    begin_ = stack_.back();
    stack_.pop_back();
    --page_;
    setWindowTitle(QStringLiteral("Preview Letters Page %1").arg(page_));
    draw();
}

void TRTFPreviewForm::MoveRecord(int how)
{
    switch (how) {
        case 0: address_.goTop(); break;
        case 1:
            if (!address_.skip(-1))
                address_.goTop();
            break;
        case 2:
            address_.skip(1);
            if (address_.eof())
                address_.goBottom();
            break;
        default: address_.goBottom(); break;
    }
    restart();
}

// ---------------------------------------------------------------------------------------------
// Print status

TLetterPrint::TLetterPrint(const QTextDocument& letter, store::Table& address, LetterOutput& out, int copies,
                           bool onlyCurrent, QWidget* parent)
    : QDialog(parent), letter_(letter), address_(address), out_(out), copies_(copies), onlyCurrent_(onlyCurrent)
{
    setWindowTitle(QStringLiteral("Print Status Screen"));
    auto* layout = new QVBoxLayout(this);
    status_ = new QLabel(QStringLiteral("Printing page 0"), this);
    status_->setMinimumWidth(260);
    button_ = new QPushButton(QStringLiteral("Cancel"), this);
    layout->addWidget(status_);
    layout->addWidget(button_, 0, Qt::AlignHCenter);
    connect(button_, &QPushButton::clicked, this, &TLetterPrint::ButtonClick);
}

QString TLetterPrint::statusText() const
{
    return status_->text();
}

void TLetterPrint::showEvent(QShowEvent* e)
{
    QDialog::showEvent(e);
    if (!started_) {
        started_ = true;
        QMetaObject::invokeMethod(this, &TLetterPrint::run, Qt::QueuedConnection);
    }
}

void TLetterPrint::run()
{
    started_ = true;
    running_ = true;
    layout::TableRecordSource source(address_, app::GlobalTagId(), app::ShortDateFormat());
    LetterPrintRun job(letter_, source, shortDateToday(), QDate::currentDate());
    LetterRunHooks hooks;
    hooks.status = [this](const QString& s) { status_->setText(s); };
    hooks.yield = [] { QCoreApplication::processEvents(); };
    hooks.cancelRequested = [this] { return cancelRequested_; };
    hooks.ask = [this](const QString& q) {
        const bool yes = ui::AskYesNo(q, QStringLiteral("CANCEL"));
        cancelRequested_ = false;
        return yes;
    };
    outcome_ = job.Run(address_, out_, copies_, onlyCurrent_, hooks);
    pages_ = job.PagesPrinted();
    running_ = false;
    finished_ = true;
    status_->setText(job.FinalMessage(outcome_));
    button_->setText(QStringLiteral("Ok"));
}

void TLetterPrint::ButtonClick()
{
    if (running_) {
        cancelRequested_ = true;
        return;
    }
    accept();
}

void TLetterPrint::reject()
{
    if (running_) {
        cancelRequested_ = true;
        return;
    }
    QDialog::reject();
}

// ---------------------------------------------------------------------------------------------
// Print Letters

namespace {

// A system printer as a letter output.
class PrinterOutput : public LetterOutput {
public:
    explicit PrinterOutput(QPrinter& printer) : printer_(printer) {}
    bool Begin(const richtext::PageSettings&) override
    {
        printer_.setFullPage(false);
        if (!painter_.begin(&printer_)) {
            error_ = QStringLiteral("The printer could not start the document.");
            return false;
        }
        return true;
    }
    QPainter& Painter() override { return painter_; }
    QPagedPaintDevice* Device() override { return &printer_; }
    bool NewPage() override { return printer_.newPage(); }
    void Abort() override
    {
        printer_.abort();
        painter_.end();
    }
    bool End() override { return painter_.isActive() ? painter_.end() : false; }
    int OffsetX() const override
    {
        return printer_.pageRect(QPrinter::DevicePixel).left() - printer_.paperRect(QPrinter::DevicePixel).left();
    }
    int OffsetY() const override
    {
        return printer_.pageRect(QPrinter::DevicePixel).top() - printer_.paperRect(QPrinter::DevicePixel).top();
    }

private:
    QPrinter& printer_;
    QPainter painter_;
};

}  // namespace

TaVLetters::TaVLetters(store::Table& address, store::Table& letters, bool filterSet, QWidget* parent)
    : QDialog(parent), address_(address), letters_(letters)
{
    setObjectName(QStringLiteral("TaVLetters"));
    setWindowTitle(QStringLiteral("Print Letters"));
    auto* layout = new QHBoxLayout(this);
    auto* left = new QVBoxLayout;
    grid_ = new print::TLayoutGrid(letters_, {QStringLiteral("Letter Description")},
                                   [](const store::Table& t) { return QStringList{Description(t)}; }, this);
    left->addWidget(grid_, 1);
    auto* listButtons = new QHBoxLayout;
    modify_ = new QPushButton(QStringLiteral("Modify"), this);
    new_ = new QPushButton(QStringLiteral("New"), this);
    delete_ = new QPushButton(QStringLiteral("Delete"), this);
    clone_ = new QPushButton(QStringLiteral("Clone"), this);
    for (QPushButton* b : {modify_, new_, delete_, clone_})
        listButtons->addWidget(b);
    left->addLayout(listButtons);
    layout->addLayout(left, 1);

    auto* right = new QVBoxLayout;
    choice_ = new print::TRecordChoicePanel(filterSet, this);
    choice_->setTitle(QStringLiteral("What to Print"));
    choice_->setChoice(print::RecordChoice::OnlyCurrent);
    right->addWidget(choice_);
    auto* copiesRow = new QHBoxLayout;
    copies_ = new QSpinBox(this);
    copies_->setRange(1, 999);
    copiesRow->addWidget(new QLabel(QStringLiteral("# copies of each letter"), this));
    copiesRow->addWidget(copies_);
    right->addLayout(copiesRow);
    printer_ = new QLabel(QStringLiteral("Printer:"), this);
    printer_->setText(QStringLiteral("Printer: ") + print::Engine().PrinterName());
    right->addWidget(printer_);
    auto* setup = new QPushButton(QStringLiteral("Printer Setup"), this);
    print_ = new QPushButton(QStringLiteral("Print"), this);
    preview_ = new QPushButton(QStringLiteral("Preview"), this);
    auto* ok = new QPushButton(QStringLiteral("Ok"), this);
    for (QPushButton* b : {setup, print_, preview_, ok})
        right->addWidget(b);
    right->addStretch();
    layout->addLayout(right);

    connect(new_, &QPushButton::clicked, this, &TaVLetters::NewLetterClick);
    connect(modify_, &QPushButton::clicked, this, &TaVLetters::ModifyLetterClick);
    connect(delete_, &QPushButton::clicked, this, &TaVLetters::DeleteletterClick);
    connect(clone_, &QPushButton::clicked, this, &TaVLetters::CloneButtonClick);
    connect(print_, &QPushButton::clicked, this, &TaVLetters::PrintNowClick);
    connect(preview_, &QPushButton::clicked, this, &TaVLetters::PreviewButtonClick);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    connect(setup, &QPushButton::clicked, this, [this] {
        print::ShowPrinterSetup(print::Engine(), this);
        printer_->setText(QStringLiteral("Printer: ") + print::Engine().PrinterName());
    });
    fillGrid();
    SetLetterButtons();
    resize(640, 380);
}

void TaVLetters::fillGrid()
{
    grid_->Refill();
}

void TaVLetters::SetLetterButtons()
{
    const bool any = grid_->rowCount() > 0 && !letters_.eof();
    for (QWidget* w : {static_cast<QWidget*>(modify_), static_cast<QWidget*>(clone_), static_cast<QWidget*>(print_),
                       static_cast<QWidget*>(preview_), static_cast<QWidget*>(delete_), static_cast<QWidget*>(grid_)})
        w->setEnabled(any);
}

void TaVLetters::NewLetterClick()
{
    newMark_ = true;
    ModifyLetterClick();
}

void TaVLetters::ModifyLetterClick()
{
    const bool isNew = newMark_;
    const QString description = isNew ? QStringLiteral("{untitled}") : Description(letters_);
    const QByteArray rtf = isNew ? QByteArray() : QByteArray::fromStdString(letters_.getMemo("RTF"));
    TLetterDesign designer(address_, description, rtf, isNew, this);
    const bool ok = designerRunner ? designerRunner(designer) : designer.exec() == QDialog::Accepted;
    if (ok) {
        try {
            SaveLetter(letters_, isNew, designer.description(), *designer.editor()->document());
        } catch (const std::exception& e) {
            ui::ShowInfo(QString::fromLocal8Bit(e.what()));
        }
    }
    newMark_ = false;
    fillGrid();
    SetLetterButtons();
}

void TaVLetters::DeleteletterClick()
{
    if (letters_.eof())
        return;
    if (!ui::AskYesNo(DeleteQuestion(Description(letters_)), QStringLiteral("DELETE")))
        return;
    letters_.deleteRecord();
    letters_.post();
    letters_.skip(0);
    if (letters_.eof())
        letters_.goTop();
    fillGrid();
    SetLetterButtons();
}

void TaVLetters::CloneButtonClick()
{
    if (letters_.eof())
        return;
    if (!ui::AskYesNo(CloneQuestion(Description(letters_)), QStringLiteral("CLONE")))
        return;
    CloneLetter(letters_);
    fillGrid();
    SetLetterButtons();
}

LetterOutcome TaVLetters::PrintTo(LetterOutput& out, int* pages)
{
    QTextDocument letter;
    LoadBody(letters_, letter);
    print::RecordScope scope(address_);
    const print::RecordChoice c = choice_->choice();
    scope.Apply(c, choice_->startFromCurrent(), [](const QString& s) { ui::ShowInfo(s); });
    TLetterPrint status(letter, address_, out, copies_->value(),
                        c == print::RecordChoice::OnlyCurrent && !choice_->startFromCurrent(), this);
    status.exec();
    if (pages)
        *pages = status.pages();
    return status.outcome();
}

void TaVLetters::PrintNowClick()
{
    print::PrinterControl& engine = print::Engine();
    if (!print::ShowPrintDialog(engine, this))
        return;
    if (engine.IsPdfPrinter()) {
        QString path = engine.PdfFileName();
        if (path.isEmpty())
            path = print::PrinterControl::AskPdfFileName(QStringLiteral("Print Letters"));
        if (path.isEmpty())
            return;
        PdfLetterOutput out(path);
        PrintTo(out);
        return;
    }
    PrinterOutput out(engine.QtPrinter());
    PrintTo(out);
}

void TaVLetters::PreviewButtonClick()
{
    if (letters_.eof())
        return;
    QTextDocument letter;
    LoadBody(letters_, letter);
    TRTFPreviewForm preview(letter, address_, this);
    preview.exec();
}

bool ShowPrintLetters(store::Table& address, bool filterSet, QWidget* parent)
{
    if (!print::CheckPrinter())
        return false;
    if (!address.isOpen() || address.eof())
        return false;
    store::Table letters;
    const std::string problem = store::openSystemTable(store::SystemTable::Letter, letters, app::SysdataDir());
    if (!problem.empty()) {
        ui::ShowInfo(QStringLiteral("Unable to Open or Create LETTER.DBF"));
        return false;
    }
    letters.setOrder(0);
    letters.goTop();
    const print::AddressPlace place(address);
    {
        TaVLetters w(address, letters, filterSet, parent);
        ui::CenterOverMain(&w);
        w.exec();
    }
    place.RestoreAddress();
    place.RestorePrinter();
    return true;
}

}  // namespace addrova::letters
