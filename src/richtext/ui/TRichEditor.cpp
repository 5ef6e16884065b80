#include "TRichEditor.h"

#include "Rtf.h"
#include "SpellChecker.h"

#include <QAction>
#include <QCheckBox>
#include <QColorDialog>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QDoubleSpinBox>
#include <QFile>
#include <QFileDialog>
#include <QFontComboBox>
#include <QFontDatabase>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QKeySequence>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextEdit>
#include <QToolBar>
#include <QVBoxLayout>

namespace addrova::richtext {

// ---------------------------------------------------------------------------------------------
// Ruler

TRuler::TRuler(QTextEdit* edit, QWidget* parent) : QWidget(parent), edit_(edit)
{
    setMinimumHeight(24);
    connect(edit_, &QTextEdit::cursorPositionChanged, this, qOverload<>(&QWidget::update));
}

double TRuler::pixelsPerInch() const
{
    return edit_->logicalDpiX();
}

namespace {

double originOf(const QTextEdit* edit, const QWidget* ruler)
{
    return ruler->mapFromGlobal(edit->viewport()->mapToGlobal(QPoint(0, 0))).x() -
           edit->horizontalScrollBar()->value() + edit->document()->documentMargin();
}

}  // namespace

void TRuler::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.fillRect(rect(), palette().window());
    const double ppi = pixelsPerInch();
    const double origin = originOf(edit_, this);
    const double textWidth = page_.textWidth() / 1440.0 * ppi;
    p.fillRect(QRectF(origin, 2, textWidth, height() - 4), Qt::white);
    p.setPen(Qt::black);
    QFont f = font();
    f.setPointSize(7);
    p.setFont(f);
    for (int eighth = 0; eighth <= page_.textWidth() * 8 / 1440; ++eighth) {
        const double x = origin + eighth * ppi / 8;
        if (eighth % 8 == 0) {
            p.drawText(QPointF(x + 2, height() - 8), QString::number(eighth / 8));
            p.drawLine(QPointF(x, 4), QPointF(x, height() - 4));
        } else {
            const int len = eighth % 4 == 0 ? 6 : 3;
            p.drawLine(QPointF(x, height() - 4 - len), QPointF(x, height() - 4));
        }
    }
    const QTextBlockFormat b = edit_->textCursor().blockFormat();
    const auto px = [&](double units) { return unitsToTwips(units) / 1440.0 * ppi; };
    const double left = origin + px(b.leftMargin());
    const double first = left + px(b.textIndent());
    const double right = origin + textWidth - px(b.rightMargin());
    const double h = height();
    p.setBrush(Qt::darkGray);
    p.drawPolygon(QPolygonF({QPointF(first - 4, 2), QPointF(first + 4, 2), QPointF(first, 8)}));
    p.drawPolygon(QPolygonF({QPointF(left - 4, h - 2), QPointF(left + 4, h - 2), QPointF(left, h - 8)}));
    p.drawPolygon(QPolygonF({QPointF(right - 4, h - 2), QPointF(right + 4, h - 2), QPointF(right, h - 8)}));
}

void TRuler::mousePressEvent(QMouseEvent* e)
{
    const double ppi = pixelsPerInch();
    const double origin = originOf(edit_, this);
    const QTextBlockFormat b = edit_->textCursor().blockFormat();
    const auto px = [&](double units) { return unitsToTwips(units) / 1440.0 * ppi; };
    const double left = origin + px(b.leftMargin());
    const double first = left + px(b.textIndent());
    const double right = origin + page_.textWidth() / 1440.0 * ppi - px(b.rightMargin());
    const double x = e->position().x();
    dragging_ = 0;
    if (e->position().y() < height() / 2.0 && std::abs(x - first) < 6)
        dragging_ = 1;
    else if (std::abs(x - left) < 6)
        dragging_ = 2;
    else if (std::abs(x - right) < 6)
        dragging_ = 3;
}

void TRuler::mouseMoveEvent(QMouseEvent* e)
{
    if (!dragging_)
        return;
    const double ppi = pixelsPerInch();
    const double origin = originOf(edit_, this);
    // Whole sixteenths of an inch, in twips.
    const double inches = std::round((e->position().x() - origin) / ppi * 16) / 16;
    const double units = twipsToUnits(inches * 1440);
    QTextCursor c = edit_->textCursor();
    QTextBlockFormat b = c.blockFormat();
    if (dragging_ == 1)
        b.setTextIndent(units - b.leftMargin());
    else if (dragging_ == 2) {
        const double firstAt = b.leftMargin() + b.textIndent();
        b.setLeftMargin(std::max(0.0, units));
        b.setTextIndent(firstAt - b.leftMargin());
    } else {
        b.setRightMargin(std::max(0.0, twipsToUnits(page_.textWidth()) - units));
    }
    c.setBlockFormat(b);
    update();
}

void TRuler::mouseReleaseEvent(QMouseEvent*)
{
    dragging_ = 0;
}

// ---------------------------------------------------------------------------------------------
// Editor

TRichEditor::TRichEditor(QWidget* parent) : QWidget(parent)
{
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    bar_ = new QToolBar(this);
    edit_ = new QTextEdit(this);
    edit_->setObjectName(QStringLiteral("RichEdit"));
    edit_->setAcceptRichText(true);
    edit_->document()->setDocumentMargin(4);
    ruler_ = new TRuler(edit_, this);
    layout->addWidget(bar_);
    layout->addWidget(ruler_);
    layout->addWidget(edit_, 1);
    buildToolBar();
    setPageSettings(PageSettings{});
    setWordWrap(true);
    auto* undo = new QAction(this);
    undo->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Z));
    undo->setShortcutContext(Qt::WidgetWithChildrenShortcut);
    connect(undo, &QAction::triggered, edit_, &QTextEdit::undo);
    addAction(undo);
    auto* redo = new QAction(this);
    redo->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Y));
    redo->setShortcutContext(Qt::WidgetWithChildrenShortcut);
    connect(redo, &QAction::triggered, edit_, &QTextEdit::redo);
    addAction(redo);
    connect(edit_, &QTextEdit::currentCharFormatChanged, this, &TRichEditor::syncToolBar);
    connect(edit_, &QTextEdit::cursorPositionChanged, this, [this] {
        const Qt::Alignment a = edit_->alignment() & Qt::AlignHorizontal_Mask;
        left_->setChecked(a & Qt::AlignLeft);
        right_->setChecked(a & Qt::AlignRight);
        centre_->setChecked(a & Qt::AlignHCenter);
        justify_->setChecked(a & Qt::AlignJustify);
    });
}

void TRichEditor::buildToolBar()
{
    font_ = new QFontComboBox(bar_);
    font_->setObjectName(QStringLiteral("Font"));
    font_->setToolTip(QStringLiteral("Font"));
    // Printer fonts only: what prints to any printer or PDF here is an outline font.
    font_->setFontFilters(QFontComboBox::ScalableFonts);
    bar_->addWidget(font_);
    size_ = new QComboBox(bar_);
    size_->setObjectName(QStringLiteral("Font Size"));
    size_->setToolTip(QStringLiteral("Font Size"));
    size_->setEditable(true);
    for (int s : QFontDatabase::standardSizes())
        if (s >= kMinFontSize)
            size_->addItem(QString::number(s));
    bar_->addWidget(size_);
    connect(font_, &QFontComboBox::textActivated, this, [this](const QString& name) {
        // A typed name counts only when it is one of the listed fonts.
        if (font_->findText(name, Qt::MatchFixedString) < 0) {
            syncToolBar(edit_->currentCharFormat());
            return;
        }
        QTextCharFormat f;
        f.setFontFamilies(QStringList{font_->itemText(font_->findText(name, Qt::MatchFixedString))});
        merge(f);
    });
    connect(size_, &QComboBox::textActivated, this, [this](const QString& s) {
        bool ok = false;
        const double pt = s.toDouble(&ok);
        if (ok && pt >= kMinFontSize && pt <= 1638) {
            QTextCharFormat f;
            f.setFontPointSize(pt);
            merge(f);
        } else {
            syncToolBar(edit_->currentCharFormat());
        }
    });
    bar_->addAction(QStringLiteral("Text colour"), this, [this] {
        const QColor c = QColorDialog::getColor(edit_->textColor(), this, QStringLiteral("Text colour"));
        if (c.isValid()) {
            QTextCharFormat f;
            f.setForeground(c);
            merge(f);
        }
    });
    bar_->addAction(QStringLiteral("Background"), this, [this] {
        const QColor c = QColorDialog::getColor(Qt::yellow, this, QStringLiteral("Background colour"));
        if (c.isValid()) {
            QTextCharFormat f;
            f.setBackground(c);
            merge(f);
        }
    });
    bar_->addSeparator();
    bar_->addAction(QStringLiteral("Normal"), this, [this] {
        QTextCharFormat f;
        f.setFontWeight(QFont::Normal);
        f.setFontItalic(false);
        f.setFontUnderline(false);
        f.setFontStrikeOut(false);
        merge(f);
    });
    auto toggle = [this](const QString& text, const QKeySequence& key, auto apply) {
        QAction* a = bar_->addAction(text);
        a->setCheckable(true);
        a->setShortcut(key);
        connect(a, &QAction::triggered, this, [this, apply](bool on) {
            QTextCharFormat fmt;
            apply(fmt, on);
            merge(fmt);
        });
        return a;
    };
    bold_ = toggle(QStringLiteral("B"), QKeySequence::Bold,
                   [](QTextCharFormat& f, bool on) { f.setFontWeight(on ? QFont::Bold : QFont::Normal); });
    italic_ = toggle(QStringLiteral("I"), QKeySequence::Italic, [](QTextCharFormat& f, bool on) { f.setFontItalic(on); });
    underline_ = toggle(QStringLiteral("U"), QKeySequence::Underline,
                        [](QTextCharFormat& f, bool on) { f.setFontUnderline(on); });
    bar_->addSeparator();
    auto align = [this](const QString& text, Qt::Alignment a) {
        QAction* act = bar_->addAction(text, this, [this, a] { edit_->setAlignment(a); });
        act->setCheckable(true);
        return act;
    };
    left_ = align(QStringLiteral("Left"), Qt::AlignLeft);
    right_ = align(QStringLiteral("Right"), Qt::AlignRight);
    justify_ = align(QStringLiteral("Justified"), Qt::AlignJustify);
    centre_ = align(QStringLiteral("Centred"), Qt::AlignHCenter);
    bar_->addSeparator();
    bar_->addAction(QStringLiteral("Copy"), edit_, &QTextEdit::copy);
    bar_->addAction(QStringLiteral("Cut"), edit_, &QTextEdit::cut);
    bar_->addAction(QStringLiteral("Paste"), edit_, &QTextEdit::paste);
}

void TRichEditor::merge(const QTextCharFormat& f)
{
    QTextCursor c = edit_->textCursor();
    if (!c.hasSelection())
        c.select(QTextCursor::WordUnderCursor);
    c.mergeCharFormat(f);
    edit_->mergeCurrentCharFormat(f);
    edit_->setFocus();
}

void TRichEditor::syncToolBar(const QTextCharFormat& f)
{
    const QString family = f.fontFamilies().toStringList().value(0);
    if (!family.isEmpty())
        font_->setCurrentFont(QFont(family));
    if (f.fontPointSize() > 0)
        size_->setEditText(QString::number(f.fontPointSize()));
    bold_->setChecked(f.fontWeight() >= QFont::DemiBold);
    italic_->setChecked(f.fontItalic());
    underline_->setChecked(f.fontUnderline());
}

QTextDocument* TRichEditor::document() const
{
    return edit_->document();
}

PageSettings TRichEditor::pageSettings() const
{
    return richtext::pageSettings(*edit_->document());
}

void TRichEditor::setPageSettings(const PageSettings& page)
{
    richtext::setPageSettings(*edit_->document(), page);
    ruler_->setPage(page);
    setWordWrap(wordWrap());
}

QString TRichEditor::loadRtf(const QByteArray& rtf)
{
    const RtfResult r = ReadRtf(rtf, *edit_->document());
    edit_->document()->setDocumentMargin(4);
    ruler_->setPage(pageSettings());
    setWordWrap(wordWrap());
    return r.ok ? QString() : r.error;
}

QByteArray TRichEditor::rtf() const
{
    return WriteRtf(*edit_->document());
}

bool TRichEditor::loadFile(const QString& path, QString* error)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) {
        *error = f.errorString();
        return false;
    }
    QTextDocument probe;
    const RtfResult r = ReadRtf(f.peek(1 << 30), probe);
    if (!r.ok && probe.isEmpty()) {
        *error = r.error;
        return false;
    }
    *error = loadRtf(f.readAll());
    return true;
}

bool TRichEditor::saveFile(const QString& path, QString* error) const
{
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate) || f.write(rtf()) < 0 || !f.flush()) {
        *error = f.errorString();
        return false;
    }
    return true;
}

bool TRichEditor::insertFile(const QString& path, QString* error)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) {
        *error = f.errorString();
        return false;
    }
    QTextCursor c = edit_->textCursor();
    const RtfResult r = InsertRtf(f.readAll(), c);
    *error = r.error;
    return r.ok || !error->startsWith(QStringLiteral("The file is not"));
}

namespace {
const QString kFilter = QStringLiteral("Rich text files (*.rtf);;All files (*)");
}

void TRichEditor::LoadDialog()
{
    const QString path = QFileDialog::getOpenFileName(this, QStringLiteral("Load RTF"), QString(), kFilter);
    QString error;
    if (!path.isEmpty() && (!loadFile(path, &error) || !error.isEmpty()))
        QMessageBox::warning(this, QStringLiteral("Load RTF"), error);
}

void TRichEditor::SaveDialog()
{
    const QString path = QFileDialog::getSaveFileName(this, QStringLiteral("Save as RTF"), QString(), kFilter);
    QString error;
    if (!path.isEmpty() && !saveFile(path, &error))
        QMessageBox::warning(this, QStringLiteral("Save as RTF"), error);
}

void TRichEditor::InsertDialog()
{
    const QString path = QFileDialog::getOpenFileName(this, QStringLiteral("Insert RTF"), QString(), kFilter);
    QString error;
    if (!path.isEmpty() && (!insertFile(path, &error) || !error.isEmpty()))
        QMessageBox::warning(this, QStringLiteral("Insert RTF"), error);
}

void TRichEditor::FindDialog()
{
    TFindDialog d(this, false, this);
    d.exec();
}

void TRichEditor::ReplaceDialog()
{
    TFindDialog d(this, true, this);
    d.exec();
}

bool TRichEditor::PageSettingsDialog()
{
    TPageSettingsDialog d(pageSettings(), this);
    if (d.exec() != QDialog::Accepted)
        return false;
    setPageSettings(d.page());
    return true;
}

void TRichEditor::SpellCheckDialog(SpellChecker& checker)
{
    TSpellDialog d(this, checker, this);
    if (!d.nextWord()) {
        QMessageBox::information(this, QStringLiteral("Spell Check"), QStringLiteral("The spelling check is complete."));
        return;
    }
    d.exec();
}

void TRichEditor::insertPageBreak()
{
    QTextCursor c = edit_->textCursor();
    QTextBlockFormat b = c.blockFormat();
    b.setPageBreakPolicy(QTextFormat::PageBreak_AlwaysBefore);
    c.insertBlock(b);
    edit_->setTextCursor(c);
}

void TRichEditor::setWordWrap(bool on)
{
    if (on) {
        edit_->setLineWrapMode(QTextEdit::FixedPixelWidth);
        edit_->setLineWrapColumnOrWidth(static_cast<int>(twipsToUnits(pageSettings().textWidth())) +
                                        2 * static_cast<int>(edit_->document()->documentMargin()));
    } else {
        edit_->setLineWrapMode(QTextEdit::NoWrap);
    }
}

bool TRichEditor::wordWrap() const
{
    return edit_->lineWrapMode() != QTextEdit::NoWrap;
}

void TRichEditor::setInsertionFont(const QString& name, int size, bool bold, bool italic)
{
    QTextCharFormat f;
    f.setFontFamilies(QStringList{name});
    f.setFontPointSize(size);
    f.setFontWeight(bold ? QFont::Bold : QFont::Normal);
    f.setFontItalic(italic);
    edit_->mergeCurrentCharFormat(f);
}

bool TRichEditor::findNext(const QString& text, bool fromStart, bool matchCase)
{
    if (text.isEmpty())
        return false;
    QTextCursor from = fromStart ? QTextCursor(edit_->document()) : edit_->textCursor();
    const QTextCursor found =
        edit_->document()->find(text, from, matchCase ? QTextDocument::FindCaseSensitively : QTextDocument::FindFlags());
    if (found.isNull())
        return false;
    edit_->setTextCursor(found);
    return true;
}

int TRichEditor::replaceAll(const QString& text, const QString& with, bool matchCase, bool wholeWords)
{
    if (text.isEmpty())
        return 0;
    QTextDocument::FindFlags flags;
    if (matchCase)
        flags |= QTextDocument::FindCaseSensitively;
    if (wholeWords)
        flags |= QTextDocument::FindWholeWords;
    int count = 0;
    QTextCursor c(edit_->document());
    c.beginEditBlock();
    QTextCursor from(edit_->document());
    for (;;) {
        QTextCursor found = edit_->document()->find(text, from, flags);
        if (found.isNull())
            break;
        QTextCursor first(found);
        first.setPosition(found.selectionStart() + 1);
        found.insertText(with, first.charFormat());
        from = found;
        ++count;
    }
    c.endEditBlock();
    return count;
}

// ---------------------------------------------------------------------------------------------
// Find and replace

TFindDialog::TFindDialog(TRichEditor* editor, bool replace, QWidget* parent) : QDialog(parent), editor_(editor)
{
    setWindowTitle(replace ? QStringLiteral("Replace") : QStringLiteral("Find"));
    auto* form = new QFormLayout;
    find_ = new QLineEdit(this);
    with_ = new QLineEdit(this);
    case_ = new QCheckBox(QStringLiteral("Match &case"), this);
    status_ = new QLabel(this);
    form->addRow(QStringLiteral("Fi&nd what:"), find_);
    if (replace)
        form->addRow(QStringLiteral("Re&place with:"), with_);
    else
        with_->hide();
    form->addRow(QString(), case_);
    form->addRow(QString(), status_);
    auto* buttons = new QVBoxLayout;
    auto* next = new QPushButton(QStringLiteral("&Find Next"), this);
    next->setDefault(true);
    buttons->addWidget(next);
    connect(next, &QPushButton::clicked, this, [this] {
        const bool ok = editor_->findNext(find_->text(), wrapped_, case_->isChecked());
        wrapped_ = !ok;
        status_->setText(ok ? QString() : QStringLiteral("Search text not found."));
    });
    if (replace) {
        auto* one = new QPushButton(QStringLiteral("&Replace"), this);
        auto* all = new QPushButton(QStringLiteral("Replace &All"), this);
        buttons->addWidget(one);
        buttons->addWidget(all);
        connect(one, &QPushButton::clicked, this, [this] {
            QTextCursor c = editor_->editor()->textCursor();
            const Qt::CaseSensitivity cs = case_->isChecked() ? Qt::CaseSensitive : Qt::CaseInsensitive;
            if (c.hasSelection() && c.selectedText().compare(find_->text(), cs) == 0)
                c.insertText(with_->text());
            const bool ok = editor_->findNext(find_->text(), false, case_->isChecked());
            status_->setText(ok ? QString() : QStringLiteral("Search text not found."));
        });
        connect(all, &QPushButton::clicked, this, [this] {
            const int n = editor_->replaceAll(find_->text(), with_->text(), case_->isChecked());
            status_->setText(QStringLiteral("%1 replaced.").arg(n));
        });
    }
    auto* close = new QPushButton(QStringLiteral("Close"), this);
    buttons->addWidget(close);
    buttons->addStretch();
    connect(close, &QPushButton::clicked, this, &QDialog::reject);
    auto* top = new QHBoxLayout(this);
    top->addLayout(form, 1);
    top->addLayout(buttons);
}

// ---------------------------------------------------------------------------------------------
// Page settings

TPageSettingsDialog::TPageSettingsDialog(const PageSettings& page, QWidget* parent) : QDialog(parent), page_(page)
{
    setWindowTitle(QStringLiteral("Page Settings"));
    auto* form = new QFormLayout(this);
    units_ = new QComboBox(this);
    units_->addItems({QStringLiteral("Inches"), QStringLiteral("Centimetres"), QStringLiteral("Twips")});
    form->addRow(QStringLiteral("&Units:"), units_);
    const char* labels[] = {"Paper &width:", "Paper &height:", "&Top margin:", "&Bottom margin:", "&Left margin:",
                            "&Right margin:"};
    for (int i = 0; i < 6; ++i) {
        boxes_[i] = new QDoubleSpinBox(this);
        form->addRow(QString::fromLatin1(labels[i]), boxes_[i]);
    }
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    form->addRow(buttons);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(units_, &QComboBox::currentIndexChanged, this, [this](int u) {
        page_ = this->page();
        showIn(u);
    });
    showIn(0);
}

namespace {
double twipsPer(int unit)
{
    return unit == 0 ? 1440.0 : unit == 1 ? 566.929 : 1.0;
}
}  // namespace

void TPageSettingsDialog::showIn(int unit)
{
    unit_ = unit;
    const int values[] = {page_.paperWidth, page_.paperHeight, page_.marginTop, page_.marginBottom, page_.marginLeft,
                          page_.marginRight};
    for (int i = 0; i < 6; ++i) {
        boxes_[i]->setDecimals(unit == 2 ? 0 : 2);
        boxes_[i]->setRange(0, 63360 / twipsPer(unit));
        boxes_[i]->setValue(values[i] / twipsPer(unit));
        shown_[i] = boxes_[i]->value();
    }
}

PageSettings TPageSettingsDialog::page() const
{
    PageSettings p = page_;
    int* fields[] = {&p.paperWidth, &p.paperHeight, &p.marginTop, &p.marginBottom, &p.marginLeft, &p.marginRight};
    // A value left as shown keeps its exact twips (the box rounds them to its decimals).
    for (int i = 0; i < 6; ++i)
        if (boxes_[i]->value() != shown_[i])
            *fields[i] = static_cast<int>(std::lround(boxes_[i]->value() * twipsPer(unit_)));
    p.landscape = p.paperWidth > p.paperHeight;
    return p.sane();
}

// ---------------------------------------------------------------------------------------------
// Spelling

TSpellDialog::TSpellDialog(TRichEditor* editor, SpellChecker& checker, QWidget* parent)
    : QDialog(parent), editor_(editor), checker_(checker)
{
    setWindowTitle(QStringLiteral("Spell Check"));
    auto* grid = new QFormLayout;
    notFound_ = new QLabel(this);
    change_ = new QLineEdit(this);
    list_ = new QListWidget(this);
    grid->addRow(QStringLiteral("Not in dictionary:"), notFound_);
    grid->addRow(QStringLiteral("Change &to:"), change_);
    grid->addRow(QStringLiteral("&Suggestions:"), list_);
    connect(list_, &QListWidget::currentTextChanged, change_, &QLineEdit::setText);
    auto* buttons = new QVBoxLayout;
    auto button = [&](const QString& text, auto slot) {
        auto* b = new QPushButton(text, this);
        buttons->addWidget(b);
        connect(b, &QPushButton::clicked, this, slot);
    };
    button(QStringLiteral("&Ignore"), [this] { ignore(false); });
    button(QStringLiteral("I&gnore All"), [this] { ignore(true); });
    button(QStringLiteral("&Change"), [this] { change(false); });
    button(QStringLiteral("Change A&ll"), [this] { change(true); });
    button(QStringLiteral("&Add"), [this] { add(); });
    button(QStringLiteral("Close"), [this] { reject(); });
    buttons->addStretch();
    auto* top = new QHBoxLayout(this);
    top->addLayout(grid, 1);
    top->addLayout(buttons);
}

bool TSpellDialog::nextWord()
{
    QTextDocument* doc = editor_->document();
    for (QTextBlock b = doc->findBlock(pos_); b.isValid(); b = b.next()) {
        const QString text = b.text();
        int from = std::max(0, pos_ - b.position());
        for (WordSpan w = NextWord(text, from); w.start >= 0; w = NextWord(text, w.start + w.length)) {
            const QString word = text.mid(w.start, w.length);
            if (!checker_.Check(word)) {
                word_ = word;
                QTextCursor c(doc);
                c.setPosition(b.position() + w.start);
                c.setPosition(b.position() + w.start + w.length, QTextCursor::KeepAnchor);
                editor_->editor()->setTextCursor(c);
                pos_ = b.position() + w.start;
                notFound_->setText(word);
                list_->clear();
                list_->addItems(checker_.Suggest(word));
                change_->setText(list_->count() ? list_->item(0)->text() : word);
                return true;
            }
        }
        pos_ = b.position() + b.length();
    }
    word_.clear();
    return false;
}

void TSpellDialog::change(bool all)
{
    const QString with = change_->text();
    if (all) {
        editor_->replaceAll(word_, with, true, true);
    } else {
        QTextCursor c = editor_->editor()->textCursor();
        if (c.hasSelection())
            c.insertText(with, c.charFormat());
    }
    pos_ += static_cast<int>(with.size());
    if (!nextWord())
        accept();
}

void TSpellDialog::ignore(bool all)
{
    if (all)
        checker_.IgnoreAll(word_);
    pos_ += static_cast<int>(word_.size());
    if (!nextWord())
        accept();
}

void TSpellDialog::add()
{
    checker_.AddWord(word_);
    ignore(false);
}

}  // namespace addrova::richtext
