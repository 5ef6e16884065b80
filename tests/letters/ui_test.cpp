// The letter windows offscreen: a new letter typed, formatted and given merge fields, stored,
// previewed and printed; the list buttons and their questions.

#include "AddressFile.h"
#include "Common.h"
#include "LetterWindows.h"
#include "TParagraphPropDlg.h"
#include "RecordChoice.h"
#include "Rtf.h"
#include "SpellChecker.h"
#include "SystemTables.h"
#include "TRichEditor.h"
#include "Table.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QDoubleSpinBox>
#include <QFontComboBox>
#include <QFontDatabase>
#include <QLineEdit>
#include <QListWidget>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTextEdit>
#include <QTimer>
#include <gtest/gtest.h>

using namespace addrova;
using namespace addrova::letters;

namespace {

QString tool(const char* program, const QStringList& args)
{
    QProcess p;
    p.start(QString::fromLatin1(program), args);
    p.waitForFinished(60000);
    return QString::fromUtf8(p.readAllStandardOutput());
}

// Ink: pixels that are not white.
int inkPixels(const QImage& image)
{
    int n = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (qGray(image.pixel(x, y)) < 160)
                ++n;
    return n;
}

class LetterWindows : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir_.isValid());
        qputenv("ADDROVA_HOME", dir_.path().toLocal8Bit());
        const std::string path = dir_.filePath(QStringLiteral("ADDR.DBF")).toStdString();
        ASSERT_EQ(store::createAddressFile(path, store::defaultWidths()), "");
        address_.open(path);
        const char* people[][3] = {{"John", "Smith", "Springfield"}, {"Mary", "Jones", "Boston"}};
        for (const auto& p : people) {
            address_.appendBlank();
            address_.setString("FNAME", p[0]);
            address_.setString("LNAME", p[1]);
            address_.setString("CITY", p[2]);
            address_.setLogical("ISDEL", false);
            address_.post();
        }
        address_.setSelection("!ISDEL");
        address_.goTop();
        ASSERT_EQ(store::openSystemTable(store::SystemTable::Letter, letters_, dir_.path().toStdString() + "/"), "");
        letters_.setOrder(0);
        ui::SetMessageHook([this](const ui::MessageRequest& r) {
            messages_ << r.caption + QStringLiteral(": ") + r.text;
            return answer_;
        });
    }
    void TearDown() override { ui::SetMessageHook({}); }

    QTemporaryDir dir_;
    store::Table address_, letters_;
    QStringList messages_;
    bool answer_ = true;
};

TEST_F(LetterWindows, NewLetterFormattedWithFieldsStoredPreviewedAndPrinted)
{
    TaVLetters w(address_, letters_, false, nullptr);
    w.show();
    // An empty table: only New (and the printer controls) are usable.
    for (const QPushButton* b : w.findChildren<QPushButton*>()) {
        const bool listed = b->text() == QStringLiteral("Modify") || b->text() == QStringLiteral("Clone") ||
                            b->text() == QStringLiteral("Print") || b->text() == QStringLiteral("Preview") ||
                            b->text() == QStringLiteral("Delete");
        EXPECT_EQ(b->isEnabled(), !listed) << b->text().toStdString();
    }
    EXPECT_FALSE(w.choicePanel()->rbQFilter()->isEnabled());
    EXPECT_EQ(w.choicePanel()->choice(), print::RecordChoice::OnlyCurrent);

    w.designerRunner = [&](TLetterDesign& d) {
        d.show();
        EXPECT_EQ(d.windowTitle(), "Letter Designer");
        EXPECT_EQ(d.descriptionBox()->text(), "{untitled}");
        EXPECT_EQ(d.fieldList()->count(), 25);
        EXPECT_EQ(d.fieldList()->currentText(), "Full Name");
        EXPECT_TRUE(d.defaultFontAction()->text().startsWith(QStringLiteral("&Default Font: Arial, 10 pt")));
        EXPECT_TRUE(d.spellAction()->isEnabled());
        QTextEdit* edit = d.editor()->editor();
        edit->setFocus();
        QTest::keyClicks(edit, QStringLiteral("Dear "));
        // Bold on, the Last token from the list, bold off.
        QTextCharFormat bold;
        bold.setFontWeight(QFont::Bold);
        edit->mergeCurrentCharFormat(bold);
        d.insertField(3);  // "Last"
        QTextCharFormat normal;
        normal.setFontWeight(QFont::Normal);
        edit->mergeCurrentCharFormat(normal);
        QTest::keyClicks(edit, QStringLiteral(", greetings to "));
        d.insertField(11);  // "City"
        QTest::keyClick(edit, Qt::Key_Return);
        QTest::keyClicks(edit, QStringLiteral("Bye"));
        // Undo and redo of the last typing.
        QTest::keyClick(edit, Qt::Key_Z, Qt::ControlModifier);
        EXPECT_FALSE(edit->toPlainText().endsWith(QStringLiteral("Bye")));
        QTest::keyClick(edit, Qt::Key_Y, Qt::ControlModifier);
        EXPECT_TRUE(edit->toPlainText().endsWith(QStringLiteral("Bye")));
        EXPECT_EQ(edit->toPlainText(), "Dear [Last], greetings to [City]\nBye");
        d.descriptionBox()->setText(QStringLiteral("Greeting"));
        // The designer's preview merges the unsaved document with the current record.
        TRTFPreviewForm preview(*d.editor()->document(), address_, &d);
        preview.show();
        QApplication::processEvents();
        EXPECT_GT(inkPixels(preview.pageImage()), 100);
        return true;
    };
    w.NewLetterClick();
    ASSERT_EQ(letters_.recCount(), 1u);
    EXPECT_EQ(Description(letters_), "Greeting");
    EXPECT_EQ(w.grid()->rowCount(), 1);
    for (const QPushButton* b : w.findChildren<QPushButton*>())
        EXPECT_TRUE(b->isEnabled()) << b->text().toStdString();

    // Printed to PDF with two copies of the current record.
    w.copiesBox()->setValue(2);
    address_.go(2);
    QTimer closer;
    QObject::connect(&closer, &QTimer::timeout, [] {
        if (auto* s = qobject_cast<TLetterPrint*>(QApplication::activeModalWidget()))
            if (s->statusText().endsWith(QLatin1Char('!')))
                s->ButtonClick();
    });
    closer.start(20);
    const QString pdf = dir_.filePath(QStringLiteral("greeting.pdf"));
    PdfLetterOutput out(pdf);
    int pages = 0;
    EXPECT_EQ(w.PrintTo(out, &pages), LetterOutcome::Completed);
    EXPECT_EQ(pages, 2);
    const QString text = tool(PDFTOTEXT, {pdf, QStringLiteral("-")});
    EXPECT_EQ(text.count(QStringLiteral("Dear Jones, greetings to Boston")), 2) << text.toStdString();
    EXPECT_TRUE(tool(PDFFONTS, {pdf}).contains(QStringLiteral("Bold")));
    EXPECT_EQ(address_.recNo(), 2u);

    // Clone and delete ask first.
    answer_ = false;
    w.CloneButtonClick();
    EXPECT_EQ(letters_.recCount(), 1u);
    answer_ = true;
    w.CloneButtonClick();
    EXPECT_EQ(messages_.last(), "CLONE: Clone \"Greeting\"?");
    EXPECT_EQ(w.grid()->rowCount(), 2);
    EXPECT_EQ(Description(letters_), "Clone of Greeting");
    w.DeleteletterClick();
    EXPECT_EQ(messages_.last(), "DELETE: Delete \"Clone of Greeting\"?");
    EXPECT_EQ(w.grid()->rowCount(), 1);
}

TEST_F(LetterWindows, PreviewPagesAndZoom)
{
    QTextDocument letter;
    ASSERT_TRUE(richtext::ReadRtf(R"({\rtf1 One [Last]\page Two\page Three})", letter).ok);
    TRTFPreviewForm p(letter, address_, nullptr);
    p.show();
    QApplication::processEvents();
    EXPECT_EQ(p.windowTitle(), "Preview Letters Page 1");
    p.PriorPage();
    EXPECT_EQ(p.pageNumber(), 1);
    p.NextPage();
    p.NextPage();
    EXPECT_EQ(p.windowTitle(), "Preview Letters Page 3");
    p.NextPage();
    EXPECT_EQ(p.pageNumber(), 3);
    p.PriorPage();
    EXPECT_EQ(p.pageNumber(), 2);
    p.MoveRecord(2);
    EXPECT_EQ(p.pageNumber(), 1);
    EXPECT_EQ(address_.recNo(), 2u);

    EXPECT_EQ(ZoomIn(140), 175);
    EXPECT_EQ(ZoomIn(175), 175);
    EXPECT_EQ(ZoomOut(60), 45);
    EXPECT_EQ(ZoomOut(45), 45);
    p.setZoom(100);
    const QSize at100 = p.pageImage().size();
    p.setZoom(50);
    EXPECT_NEAR(p.pageImage().width(), at100.width() / 2, 1);
}

TEST_F(LetterWindows, EditorFindReplacePageSettingsAndFiles)
{
    richtext::TRichEditor e;
    e.show();
    e.loadRtf(R"({\rtf1\paperw11906\paperh16838 a cat, a {\b Cat}, a dog})");
    EXPECT_EQ(e.pageSettings().paperWidth, 11906);
    EXPECT_TRUE(e.findNext(QStringLiteral("cat"), true, false));
    EXPECT_EQ(e.editor()->textCursor().selectedText(), "cat");
    EXPECT_TRUE(e.findNext(QStringLiteral("cat"), false, false));
    EXPECT_EQ(e.editor()->textCursor().selectedText(), "Cat");
    EXPECT_FALSE(e.findNext(QStringLiteral("cat"), false, true));
    EXPECT_EQ(e.replaceAll(QStringLiteral("cat"), QStringLiteral("bird"), false), 2);
    EXPECT_EQ(e.document()->toPlainText(), "a bird, a bird, a dog");
    // The second one kept its bold.
    QTextCursor c = e.document()->find(QStringLiteral("bird"), 5);
    c.setPosition(c.selectionStart() + 1);
    EXPECT_GE(c.charFormat().fontWeight(), QFont::DemiBold);

    // Shown in inches with two decimals, an untouched A4 page stays exact; a typed value converts.
    richtext::TPageSettingsDialog d(e.pageSettings());
    EXPECT_EQ(d.page().paperWidth, 11906);
    auto* width = d.findChildren<QDoubleSpinBox*>().value(0);
    ASSERT_NE(width, nullptr);
    width->setValue(8.5);
    EXPECT_EQ(d.page().paperWidth, 12240);
    EXPECT_EQ(d.page().paperHeight, 16838);

    QTemporaryDir dir;
    QString error;
    const QString path = dir.filePath(QStringLiteral("x.rtf"));
    ASSERT_TRUE(e.saveFile(path, &error)) << error.toStdString();
    e.insertPageBreak();
    richtext::TRichEditor other;
    ASSERT_TRUE(other.loadFile(path, &error));
    EXPECT_EQ(other.document()->toPlainText(), "a bird, a bird, a dog");
    EXPECT_EQ(other.pageSettings().paperHeight, 16838);
    QFile bad(dir.filePath(QStringLiteral("bad.rtf")));
    ASSERT_TRUE(bad.open(QIODevice::WriteOnly));
    bad.write("no");
    bad.close();
    EXPECT_FALSE(other.loadFile(bad.fileName(), &error));
    EXPECT_TRUE(error.contains(QStringLiteral("not an RTF")));
    EXPECT_EQ(other.document()->toPlainText(), "a bird, a bird, a dog");
}

TEST_F(LetterWindows, PageSettingsTakeEffectInTheSavedRtfAndTheRuler)
{
    TLetterDesign d(address_, QStringLiteral("Memo"),
                    R"({\rtf1\ansi\paperw12240\paperh15840\margl1440\margr1440 Dear {\b [Last]},\par See you.})", false,
                    nullptr);
    d.show();
    QApplication::processEvents();
    QTextEdit* edit = d.editor()->editor();
    QTextCursor at(d.editor()->document());
    at.setPosition(5);
    edit->setTextCursor(at);
    const int wrapBefore = edit->lineWrapColumnOrWidth();

    // The dialog's boxes in inches: width, height, top, bottom, left, right.
    const auto answer = [](bool ok, std::vector<double> inches) {
        QTimer::singleShot(0, [ok, inches] {
            auto* dlg = qobject_cast<richtext::TPageSettingsDialog*>(QApplication::activeModalWidget());
            ASSERT_NE(dlg, nullptr);
            const QList<QDoubleSpinBox*> boxes = dlg->findChildren<QDoubleSpinBox*>();
            ASSERT_EQ(boxes.size(), 6);
            for (size_t i = 0; i < inches.size(); ++i)
                if (inches[i] > 0)
                    boxes[static_cast<int>(i)]->setValue(inches[i]);
            ok ? dlg->accept() : dlg->reject();
        });
    };
    // Cancel: nothing changes.
    answer(false, {4, 4, 0, 0, 0.25, 0.25});
    d.PageSettingsClick();
    EXPECT_EQ(d.editor()->ruler()->page(), richtext::PageSettings{});
    EXPECT_EQ(edit->lineWrapColumnOrWidth(), wrapBefore);

    // A4 paper, half-inch left and three-quarter-inch right margins.
    answer(true, {8.27, 11.69, 0, 0, 0.5, 0.75});
    d.PageSettingsClick();
    const richtext::PageSettings page = d.editor()->pageSettings();
    EXPECT_EQ(page.paperWidth, 11909);
    EXPECT_EQ(page.paperHeight, 16834);
    EXPECT_EQ(page.marginLeft, 720);
    EXPECT_EQ(page.marginRight, 1080);
    EXPECT_EQ(page.marginTop, 1440);
    EXPECT_EQ(d.editor()->ruler()->page(), page);
    // The wider text area is where lines now wrap; text, formatting and the cursor came through.
    EXPECT_GT(edit->lineWrapColumnOrWidth(), wrapBefore);
    EXPECT_EQ(d.editor()->document()->toPlainText(), "Dear [Last],\nSee you.");
    EXPECT_EQ(edit->textCursor().position(), 5);
    QTextCursor bold = d.editor()->document()->find(QStringLiteral("Last"));
    EXPECT_GE(bold.charFormat().fontWeight(), QFont::DemiBold);

    SaveLetter(letters_, true, d.description(), *d.editor()->document());
    const std::string saved = letters_.getMemo("RTF");
    for (const char* word : {"\\paperw11909", "\\paperh16834", "\\margl720", "\\margr1080"})
        EXPECT_NE(saved.find(word), std::string::npos) << word << " in " << saved;
    EXPECT_EQ(saved.find("\\paperw12240"), std::string::npos);
    EXPECT_FALSE(QFile::exists(QStringLiteral("eraseme.rtf")));
}

TEST(SpellDialog, ChangeIgnoreAndAddWordByWord)
{
    const QString base = richtext::SpellChecker::SystemDictionary();
    if (base.isEmpty())
        GTEST_SKIP() << "no en_US hunspell dictionary";
    QTemporaryDir dir;
    const QString userDic = dir.filePath(QStringLiteral("USER.DIC"));
    richtext::TRichEditor e;
    e.editor()->setPlainText(
        QStringLiteral("We recieve ther news; other news is there. Addrova recieve Zorblat and Zorblat."));
    {
        richtext::SpellChecker checker(base + QStringLiteral(".aff"), base + QStringLiteral(".dic"), userDic);
        richtext::TSpellDialog s(&e, checker, nullptr);
        // Each step: the word the dialog stops at, then what the user does with it.
        const struct {
            const char* word;
            const char* changeTo;  // nullptr: the other actions
            void (richtext::TSpellDialog::*action)(bool);
            bool all;
        } steps[] = {
            {"recieve", "receive", &richtext::TSpellDialog::change, false},
            {"ther", "the", &richtext::TSpellDialog::change, true},  // whole words only
            {"Addrova", nullptr, nullptr, false},                    // added to the user dictionary
            {"recieve", nullptr, &richtext::TSpellDialog::ignore, false},
            {"Zorblat", nullptr, &richtext::TSpellDialog::ignore, true},
        };
        ASSERT_TRUE(s.nextWord());
        for (const auto& step : steps) {
            ASSERT_EQ(s.word().toStdString(), step.word);
            EXPECT_EQ(e.editor()->textCursor().selectedText().toStdString(), step.word);
            if (step.changeTo) {
                EXPECT_FALSE(s.suggestions()->findItems(QString::fromLatin1(step.changeTo), Qt::MatchExactly).isEmpty())
                    << step.word;
                s.changeBox()->setText(QString::fromLatin1(step.changeTo));
            }
            if (step.action)
                (s.*step.action)(step.all);
            else
                s.add();
        }
        EXPECT_TRUE(s.word().isEmpty());  // nothing left
    }
    EXPECT_EQ(e.document()->toPlainText(),
              "We receive the news; other news is there. Addrova recieve Zorblat and Zorblat.");
    richtext::SpellChecker again(base + QStringLiteral(".aff"), base + QStringLiteral(".dic"), userDic);
    EXPECT_TRUE(again.Check(QStringLiteral("Addrova")));
    EXPECT_FALSE(again.Check(QStringLiteral("Zorblat")));
}

TEST(RichEditorToolBar, PrinterFontsOnlyAndSizesFromSix)
{
    richtext::TRichEditor e;
    e.show();
    QFontComboBox* font = e.fontBox();
    QComboBox* size = e.sizeBox();
    EXPECT_EQ(font->toolTip(), "Font");
    EXPECT_EQ(size->toolTip(), "Font Size");
    ASSERT_GT(font->count(), 0);
    for (int i = 0; i < font->count(); ++i)
        EXPECT_TRUE(QFontDatabase::isScalable(font->itemText(i))) << font->itemText(i).toStdString();
    ASSERT_GT(size->count(), 0);
    EXPECT_EQ(size->itemText(0), "6");
    for (int i = 0; i < size->count(); ++i)
        EXPECT_GE(size->itemText(i).toInt(), 6);

    e.editor()->setPlainText(QStringLiteral("word"));
    e.editor()->selectAll();
    const auto formatOfWord = [&] {
        QTextCursor c(e.document());
        c.setPosition(2);
        return c.charFormat();
    };
    // Sizes below six points and names that are not listed fonts are refused.
    const struct {
        const char* text;
        double expected;
    } sizes[] = {{"12", 12}, {"4", 12}, {"5.5", 12}, {"6", 6}, {"abc", 6}, {"10.5", 10.5}};
    for (const auto& c : sizes) {
        emit size->textActivated(QString::fromLatin1(c.text));
        EXPECT_EQ(formatOfWord().fontPointSize(), c.expected) << c.text;
    }
    const QString listed = font->itemText(font->count() - 1);
    emit font->textActivated(listed);
    EXPECT_EQ(formatOfWord().fontFamilies().toStringList().value(0), listed);
    emit font->textActivated(QStringLiteral("No Such Typeface"));
    EXPECT_EQ(formatOfWord().fontFamilies().toStringList().value(0), listed);
}

}  // namespace

namespace {

// Pictures of the windows for the documentation, when ADDROVA_SCREENSHOT_DIR names a folder.
TEST_F(LetterWindows, Screenshots)
{
    const QByteArray dir = qgetenv("ADDROVA_SCREENSHOT_DIR");
    if (dir.isEmpty())
        GTEST_SKIP() << "ADDROVA_SCREENSHOT_DIR is not set";
    const QString out = QString::fromLocal8Bit(dir) + QLatin1Char('/');
    QFile shipped(QStringLiteral(ADDROVA_LETTER_RTF));
    ASSERT_TRUE(shipped.open(QIODevice::ReadOnly));
    QTextDocument doc;
    ASSERT_TRUE(richtext::ReadRtf(shipped.readAll(), doc).ok);
    SaveLetter(letters_, true, QStringLiteral("Business Letter"), doc);
    address_.setString("PREFIX", "Mr.");
    address_.setString("STREET", "742 Evergreen Terrace");
    address_.setString("STATE", "IL");
    address_.setString("ZIP", "62704");
    address_.post();
    address_.goTop();

    TaVLetters w(address_, letters_, true, nullptr);
    w.resize(680, 400);
    w.show();
    QApplication::processEvents();
    w.grab().save(out + QStringLiteral("print-letters.png"));

    TLetterDesign d(address_, QStringLiteral("Business Letter"), QByteArray::fromStdString(letters_.getMemo("RTF")),
                    false, nullptr);
    d.resize(900, 700);
    d.show();
    QApplication::processEvents();
    QTextCursor c = d.editor()->document()->find(QStringLiteral("Thank"));
    d.editor()->editor()->setTextCursor(c);
    QApplication::processEvents();
    d.grab().save(out + QStringLiteral("letter-designer.png"));

    // The spell checker on a word it does not know.
    QTextCursor end(d.editor()->document());
    end.movePosition(QTextCursor::End);
    end.insertText(QStringLiteral(" We look forward to seing you."));
    const QString base = richtext::SpellChecker::SystemDictionary();
    if (!base.isEmpty()) {
        richtext::SpellChecker checker(base + QStringLiteral(".aff"), base + QStringLiteral(".dic"),
                                       QDir(QString::fromLocal8Bit(qgetenv("ADDROVA_HOME"))).filePath("USER.DIC"));
        checker.AddWord(QStringLiteral("Addrova"));
        richtext::TSpellDialog s(d.editor(), checker, nullptr);
        EXPECT_TRUE(s.nextWord());
        s.show();
        QApplication::processEvents();
        s.grab().save(out + QStringLiteral("spell-check.png"));
    }

    TRTFPreviewForm p(doc, address_, nullptr);
    p.resize(760, 900);
    p.show();
    QApplication::processEvents();
    p.setZoom(90);
    QApplication::processEvents();
    p.grab().save(out + QStringLiteral("letter-preview.png"));
}

}  // namespace

namespace {

TEST(ParagraphProperties, UnitsMirroringAndApply)
{
    QTextEdit edit;
    edit.setPlainText(QStringLiteral("para"));
    ParagraphTwips p;
    p.left = 720;
    p.first = 720;
    p.before = 240;
    ApplyParagraph(edit, p);
    const ParagraphTwips read = ReadParagraph(edit);
    EXPECT_EQ(read.left, 720);
    EXPECT_EQ(read.first, 720);
    EXPECT_EQ(read.before, 240);

    TParagraphPropDlg d(read);
    EXPECT_EQ(d.windowTitle(), "Paragraph Properties");
    EXPECT_EQ(d.firstMode()->currentText(), "Same as Left Indent");
    EXPECT_FALSE(d.box(0)->isEnabled());
    EXPECT_EQ(d.box(1)->text(), "0.50");
    EXPECT_EQ(d.box(3)->text(), "12");
    EXPECT_EQ(d.box(1)->toolTip(), "Specify left indent for the paragraph in inches");
    // Typing the left indent moves the mirrored first indent too.
    d.box(1)->setText(QStringLiteral("1"));
    emit d.box(1)->textEdited(QStringLiteral("1"));
    EXPECT_EQ(d.values().left, 1440);
    EXPECT_EQ(d.values().first, 1440);
    EXPECT_EQ(d.box(0)->text(), "1");
    d.units()->setCurrentIndex(1);
    EXPECT_EQ(d.box(1)->text(), "2.54");
    EXPECT_EQ(d.box(1)->toolTip(), "Specify left indent for the paragraph in centimeters");
    d.firstMode()->setCurrentIndex(1);
    d.box(0)->setText(QStringLiteral("1"));
    emit d.box(0)->textEdited(QStringLiteral("1"));
    EXPECT_EQ(d.values().first, 567);
    d.box(4)->setText(QString());
    emit d.box(4)->textEdited(QString());
    EXPECT_EQ(d.values().after, 0);
    ApplyParagraph(edit, d.values());
    EXPECT_EQ(ReadParagraph(edit).first, 567);
}

}  // namespace
