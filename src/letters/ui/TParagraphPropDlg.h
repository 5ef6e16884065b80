#pragma once

// "Paragraph Properties": the current paragraph's first, left and right indents (inches or
// centimetres) and its space before, space after and line height (points), all held in twips.

#include <QDialog>

class QComboBox;
class QLineEdit;
class QTextEdit;

namespace addrova::letters {

struct ParagraphTwips {
    int first = 0, left = 0, right = 0, before = 0, after = 0, lineHeight = 0;
};

// Reading and applying the six values of the paragraph at the editor's cursor.
ParagraphTwips ReadParagraph(const QTextEdit& edit);
void ApplyParagraph(QTextEdit& edit, const ParagraphTwips& p);

class TParagraphPropDlg : public QDialog {
    Q_OBJECT
public:
    explicit TParagraphPropDlg(const ParagraphTwips& values, QWidget* parent = nullptr);
    ParagraphTwips values() const { return v_; }
    QLineEdit* box(int i) const { return boxes_[i]; }  // first, left, right, before, after, line height
    QComboBox* units() const { return units_; }
    QComboBox* firstMode() const { return mode_; }

private:
    void show_();
    void typed(int i);
    ParagraphTwips v_;
    QComboBox* units_;
    QComboBox* mode_;
    QLineEdit* boxes_[6];
    bool filling_ = false;
};

}  // namespace addrova::letters
