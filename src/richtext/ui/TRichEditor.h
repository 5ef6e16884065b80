#pragma once

// The rich-text editor: a formatting toolbar, a ruler in inches showing (and setting) the current
// paragraph's indents, and a QTextEdit; its own find, replace, page-settings, spell-check and RTF
// file dialogs.

#include "PageSettings.h"

#include <QDialog>
#include <QTextCharFormat>
#include <QWidget>

class QComboBox;
class QFontComboBox;
class QLineEdit;
class QCheckBox;
class QTextEdit;
class QToolBar;
class QAction;
class QLabel;
class QListWidget;
class QDoubleSpinBox;

namespace addrova::richtext {

class SpellChecker;

class TRuler : public QWidget {
    Q_OBJECT
public:
    explicit TRuler(QTextEdit* edit, QWidget* parent = nullptr);
    void setPage(const PageSettings& page) { page_ = page; update(); }
    const PageSettings& page() const { return page_; }
    QSize sizeHint() const override { return {400, 24}; }

protected:
    void paintEvent(QPaintEvent*) override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent*) override;

private:
    double pixelsPerInch() const;
    QTextEdit* edit_;
    PageSettings page_;
    int dragging_ = 0;  // 1 first-line, 2 left, 3 right
};

class TRichEditor : public QWidget {
    Q_OBJECT
public:
    // The smallest size the "Font Size" list offers or accepts, in points.
    static constexpr int kMinFontSize = 6;

    explicit TRichEditor(QWidget* parent = nullptr);

    QTextEdit* editor() const { return edit_; }
    QTextDocument* document() const;
    QToolBar* toolBar() const { return bar_; }
    TRuler* ruler() const { return ruler_; }
    QFontComboBox* fontBox() const { return font_; }
    QComboBox* sizeBox() const { return size_; }

    PageSettings pageSettings() const;
    void setPageSettings(const PageSettings& page);

    // Replaces the document with RTF text; "" or what went wrong (the readable text is loaded).
    QString loadRtf(const QByteArray& rtf);
    QByteArray rtf() const;
    bool loadFile(const QString& path, QString* error);
    bool saveFile(const QString& path, QString* error) const;
    bool insertFile(const QString& path, QString* error);
    // The file dialogs.
    void LoadDialog();
    void SaveDialog();
    void InsertDialog();

    void FindDialog();
    void ReplaceDialog();
    bool PageSettingsDialog();
    // Spell check over the whole document; false when the dictionary is missing.
    void SpellCheckDialog(SpellChecker& checker);

    void insertPageBreak();
    void setWordWrap(bool on);
    bool wordWrap() const;
    // Font name, size, bold and italic at the insertion point.
    void setInsertionFont(const QString& name, int size, bool bold, bool italic);

    // Finds `text` after the cursor (from the start when `fromStart`); selects it.
    bool findNext(const QString& text, bool fromStart, bool matchCase);
    // Replaces every occurrence (only whole words with `wholeWords`); the count.
    int replaceAll(const QString& text, const QString& with, bool matchCase, bool wholeWords = false);

private:
    void buildToolBar();
    void syncToolBar(const QTextCharFormat& f);
    void merge(const QTextCharFormat& f);

    QToolBar* bar_;
    TRuler* ruler_;
    QTextEdit* edit_;
    QFontComboBox* font_;
    QComboBox* size_;
    QAction *bold_, *italic_, *underline_;
    QAction *left_, *right_, *justify_, *centre_;
};

// The find and replace dialog (replace controls hidden for find).
class TFindDialog : public QDialog {
    Q_OBJECT
public:
    TFindDialog(TRichEditor* editor, bool replace, QWidget* parent = nullptr);
    QLineEdit* findBox() const { return find_; }
    QLineEdit* replaceBox() const { return with_; }

private:
    TRichEditor* editor_;
    QLineEdit* find_;
    QLineEdit* with_;
    QCheckBox* case_;
    QLabel* status_;
    bool wrapped_ = true;
};

// Paper width and height and the four margins in inches, centimetres or twips.
class TPageSettingsDialog : public QDialog {
    Q_OBJECT
public:
    TPageSettingsDialog(const PageSettings& page, QWidget* parent = nullptr);
    PageSettings page() const;

private:
    void showIn(int unit);
    PageSettings page_;
    QComboBox* units_;
    QDoubleSpinBox* boxes_[6];
    double shown_[6] = {};
    int unit_ = 0;
};

// Misspelt words one by one: change, change all, ignore, ignore all, add; suggestions.
class TSpellDialog : public QDialog {
    Q_OBJECT
public:
    TSpellDialog(TRichEditor* editor, SpellChecker& checker, QWidget* parent = nullptr);
    // Moves to the next misspelt word; false when there is none left.
    bool nextWord();
    QLineEdit* changeBox() const { return change_; }
    QListWidget* suggestions() const { return list_; }
    QString word() const { return word_; }
    void change(bool all);
    void ignore(bool all);
    void add();

private:
    TRichEditor* editor_;
    SpellChecker& checker_;
    QLabel* notFound_;
    QLineEdit* change_;
    QListWidget* list_;
    QString word_;
    int pos_ = 0;
};

}  // namespace addrova::richtext
