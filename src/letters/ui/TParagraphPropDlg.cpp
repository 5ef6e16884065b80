#include "TParagraphPropDlg.h"

#include "Common.h"
#include "PageSettings.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QTextBlockFormat>
#include <QTextCursor>
#include <QTextEdit>
#include <cmath>

namespace addrova::letters {

ParagraphTwips ReadParagraph(const QTextEdit& edit)
{
    const QTextBlockFormat b = edit.textCursor().blockFormat();
    ParagraphTwips p;
    p.left = richtext::unitsToTwipsRounded(b.leftMargin());
    p.first = p.left + richtext::unitsToTwipsRounded(b.textIndent());
    p.right = richtext::unitsToTwipsRounded(b.rightMargin());
    p.before = richtext::unitsToTwipsRounded(b.topMargin());
    p.after = richtext::unitsToTwipsRounded(b.bottomMargin());
    if (b.lineHeightType() == QTextBlockFormat::MinimumHeight)
        p.lineHeight = richtext::unitsToTwipsRounded(b.lineHeight());
    return p;
}

void ApplyParagraph(QTextEdit& edit, const ParagraphTwips& p)
{
    QTextCursor c = edit.textCursor();
    QTextBlockFormat b = c.blockFormat();
    b.setTopMargin(richtext::twipsToUnits(p.before));
    if (p.lineHeight > 0)
        b.setLineHeight(richtext::twipsToUnits(p.lineHeight), QTextBlockFormat::MinimumHeight);
    else
        b.setLineHeight(100, QTextBlockFormat::SingleHeight);
    b.setBottomMargin(richtext::twipsToUnits(p.after));
    b.setLeftMargin(richtext::twipsToUnits(p.left));
    b.setTextIndent(richtext::twipsToUnits(p.first - p.left));
    b.setRightMargin(richtext::twipsToUnits(p.right));
    c.setBlockFormat(b);
}

namespace {
double perUnit(int unit)
{
    return unit == 0 ? 1440.0 : 566.929;
}
}  // namespace

TParagraphPropDlg::TParagraphPropDlg(const ParagraphTwips& values, QWidget* parent) : QDialog(parent), v_(values)
{
    setWindowTitle(QStringLiteral("Paragraph Properties"));
    auto* form = new QFormLayout(this);
    units_ = new QComboBox(this);
    units_->addItems({QStringLiteral("Inch"), QStringLiteral("Cm")});
    form->addRow(QStringLiteral("Units"), units_);
    for (QLineEdit*& b : boxes_)
        b = new QLineEdit(this);
    mode_ = new QComboBox(this);
    mode_->addItems({QStringLiteral("Same as Left Indent"), QStringLiteral("Indented by")});
    mode_->setCurrentIndex(v_.first != v_.left ? 1 : 0);
    auto* firstRow = new QHBoxLayout;
    firstRow->addWidget(mode_);
    firstRow->addWidget(boxes_[0]);
    form->addRow(QStringLiteral("First Indent"), firstRow);
    form->addRow(QStringLiteral("Left Indent"), boxes_[1]);
    form->addRow(QStringLiteral("Right Indent"), boxes_[2]);
    form->addRow(QStringLiteral("Space before (pts)"), boxes_[3]);
    form->addRow(QStringLiteral("Space after (pts)"), boxes_[4]);
    form->addRow(QStringLiteral("Line Height (pts)"), boxes_[5]);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    form->addRow(buttons);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(units_, &QComboBox::currentIndexChanged, this, [this] { show_(); });
    connect(mode_, &QComboBox::currentIndexChanged, this, [this] {
        if (mode_->currentIndex() == 0)
            v_.first = v_.left;
        show_();
    });
    for (int i = 0; i < 6; ++i)
        connect(boxes_[i], &QLineEdit::textEdited, this, [this, i] { typed(i); });
    show_();
}

void TParagraphPropDlg::show_()
{
    filling_ = true;
    const int unit = units_->currentIndex();
    const QString name = unit == 0 ? QStringLiteral("inches") : QStringLiteral("centimeters");
    const int indents[] = {v_.first, v_.left, v_.right};
    for (int i = 0; i < 3; ++i)
        boxes_[i]->setText(QString::number(indents[i] / perUnit(unit), 'f', 2));
    const int points[] = {v_.before, v_.after, v_.lineHeight};
    for (int i = 0; i < 3; ++i)
        boxes_[3 + i]->setText(QString::number(std::lround(points[i] / 1440.0 * 72)));
    boxes_[0]->setEnabled(mode_->currentIndex() == 1);
    boxes_[1]->setToolTip(QStringLiteral("Specify left indent for the paragraph in ") + name);
    boxes_[2]->setToolTip(QStringLiteral("Specify right indent for the paragraph in ") + name);
    boxes_[0]->setToolTip(QStringLiteral("Specify first line indent for the paragraph in ") + name);
    filling_ = false;
}

void TParagraphPropDlg::typed(int i)
{
    if (filling_)
        return;
    const QString text = boxes_[i]->text().trimmed();
    bool ok = true;
    const double v = text.isEmpty() ? 0.0 : text.toDouble(&ok);
    if (!ok) {
        ui::ShowError(QStringLiteral("'%1' is not a valid floating point value").arg(text));
        return;
    }
    const int twips = static_cast<int>(std::lround(i < 3 ? v * perUnit(units_->currentIndex()) : v / 72 * 1440));
    int* fields[] = {&v_.first, &v_.left, &v_.right, &v_.before, &v_.after, &v_.lineHeight};
    *fields[i] = twips;
    if (i == 1 && mode_->currentIndex() == 0) {
        v_.first = v_.left;
        filling_ = true;
        boxes_[0]->setText(boxes_[1]->text());
        filling_ = false;
    }
}

}  // namespace addrova::letters
