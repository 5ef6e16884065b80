#pragma once

// The letter windows: "Print Letters" (TaVLetters), the "Letter Designer" (TLetterDesign), the
// print status window (TLetterPrint) and "Preview Letters" (TRTFPreviewForm).

#include "LetterPrint.h"
#include "LetterStore.h"
#include "LayoutList.h"

#include <QDialog>
#include <QTextDocument>
#include <memory>
#include <string>

class QAction;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QScrollArea;
class QSpinBox;
class QTableWidget;

namespace addrova::store {
class Table;
}
namespace addrova::print {
class TRecordChoicePanel;
}
namespace addrova::richtext {
class TRichEditor;
class SpellChecker;
}

namespace addrova::letters {

// Zoom steps of the preview.
int ZoomIn(int zoom);   // only below 150: trunc(zoom * 1.25)
int ZoomOut(int zoom);  // only above 50: trunc(zoom * 0.75)

class TLetterDesign : public QDialog {
    Q_OBJECT
public:
    // description: "{untitled}" for a new letter; rtf empty for a new one.
    TLetterDesign(store::Table& address, const QString& description, const QByteArray& rtf, bool isNew,
                  QWidget* parent = nullptr);
    ~TLetterDesign() override;

    richtext::TRichEditor* editor() const { return editor_; }
    QLineEdit* descriptionBox() const { return description_; }
    QComboBox* fieldList() const { return fields_; }
    QAction* spellAction() const { return spell_; }
    QAction* defaultFontAction() const { return defaultFont_; }
    QAction* wordWrapAction() const { return wrap_; }
    QString description() const;
    // Inserts the token of the chosen "Insert field" entry at the cursor.
    void insertField(int index);
    void PreviewClick();
    // The page settings dialog; a changed page is passed once through RTF text and the ruler redrawn.
    void PageSettingsClick();

protected:
    void showEvent(QShowEvent* e) override;
    void closeEvent(QCloseEvent* e) override;
    void done(int r) override;

private:
    void refreshFontCaption();
    store::Table& address_;
    richtext::TRichEditor* editor_;
    QLineEdit* description_;
    QComboBox* fields_;
    QAction* spell_;
    QAction* wrap_;
    QAction* defaultFont_;
    LetterFont font_;
    bool isNew_;
    bool activated_ = false;
    std::unique_ptr<richtext::SpellChecker> speller_;
};

class TRTFPreviewForm : public QDialog {
    Q_OBJECT
public:
    TRTFPreviewForm(const QTextDocument& letter, store::Table& address, QWidget* parent = nullptr);
    ~TRTFPreviewForm() override;

    int zoom() const { return zoom_; }
    void setZoom(int zoom);
    int pageNumber() const { return page_; }
    void NextPage();
    void PriorPage();
    void MoveRecord(int how);  // 0 first, 1 prior, 2 next, 3 last
    QImage pageImage() const { return image_; }

protected:
    void showEvent(QShowEvent* e) override;
    void closeEvent(QCloseEvent* e) override;
    void mousePressEvent(QMouseEvent* e) override;

private:
    void restart();
    void draw();
    QTextDocument template_;
    std::unique_ptr<QTextDocument> final_;
    store::Table& address_;
    richtext::PageSettings pageSet_;
    int zoom_ = 100;
    int begin_ = 0, next_ = -1, page_ = 1;
    std::vector<int> stack_;
    bool activated_ = false;
    QImage image_;
    QLabel* pageView_;
    QScrollArea* scroll_;
};

class TLetterPrint : public QDialog {
    Q_OBJECT
public:
    TLetterPrint(const QTextDocument& letter, store::Table& address, LetterOutput& out, int copies, bool onlyCurrent,
                 QWidget* parent = nullptr);
    QString statusText() const;
    LetterOutcome outcome() const { return outcome_; }
    int pages() const { return pages_; }
    void run();
    void ButtonClick();

protected:
    void showEvent(QShowEvent* e) override;
    void reject() override;

private:
    const QTextDocument& letter_;
    store::Table& address_;
    LetterOutput& out_;
    int copies_;
    bool onlyCurrent_;
    bool started_ = false, running_ = false, cancelRequested_ = false, finished_ = false;
    LetterOutcome outcome_ = LetterOutcome::Completed;
    int pages_ = 0;
    QLabel* status_;
    QPushButton* button_;
};

class TaVLetters : public QDialog {
    Q_OBJECT
public:
    TaVLetters(store::Table& address, store::Table& letters, bool filterSet, QWidget* parent = nullptr);

    QTableWidget* grid() const { return grid_; }
    print::TRecordChoicePanel* choicePanel() const { return choice_; }
    QSpinBox* copiesBox() const { return copies_; }
    void SetLetterButtons();
    void NewLetterClick();
    void ModifyLetterClick();
    void DeleteletterClick();
    void CloneButtonClick();
    void PrintNowClick();
    void PreviewButtonClick();
    // Prints to `out` with the window's choices (the print dialog already passed).
    LetterOutcome PrintTo(LetterOutput& out, int* pages = nullptr);
    // Test hook: runs instead of exec() for the designer (return true for Ok).
    std::function<bool(TLetterDesign&)> designerRunner;

private:
    void fillGrid();
    store::Table& address_;
    store::Table& letters_;
    print::TLayoutGrid* grid_;
    print::TRecordChoicePanel* choice_;
    QSpinBox* copies_;
    QLabel* printer_;
    QPushButton *modify_, *new_, *delete_, *clone_, *print_, *preview_;
    bool newMark_ = false;
};

// The "Print Letters" command of the main window: LETTER.DBF opened for the window; the address
// table's selection, order, record and the printer restored afterwards.
bool ShowPrintLetters(store::Table& address, bool filterSet, QWidget* parent);

}  // namespace addrova::letters
