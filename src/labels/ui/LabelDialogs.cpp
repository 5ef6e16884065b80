#include "LabelDialogs.h"

#include "CodePage.h"
#include "Common.h"
#include "Table.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QDoubleValidator>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QVBoxLayout>

namespace addrova::labels {

namespace {

QString fromTable(const store::Table& t, const std::string& s)
{
    return QString::fromStdString(store::toUtf8(s, t.codePage()));
}

QDialogButtonBox* okCancel(QDialog* d, QPushButton** ok = nullptr)
{
    auto* box = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, d);
    box->button(QDialogButtonBox::Ok)->setObjectName(QStringLiteral("OkButton"));
    box->button(QDialogButtonBox::Cancel)->setObjectName(QStringLiteral("CancelButton"));
    QObject::connect(box, &QDialogButtonBox::rejected, d, &QDialog::reject);
    if (ok)
        *ok = box->button(QDialogButtonBox::Ok);
    return box;
}

}  // namespace

// ---- TChooseLabelLayout ----

TChooseLabelLayout::TChooseLabelLayout(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("TChooseLabelLayout"));
    setWindowTitle(QStringLiteral("Label Layout"));
    auto* v = new QVBoxLayout(this);
    preset_ = new QRadioButton(QStringLiteral("&Select layout from a list of templates"), this);
    manual_ = new QRadioButton(QStringLiteral("&Enter the layout values manually (user defined layout)"), this);
    preset_->setChecked(true);
    v->addWidget(preset_);
    v->addWidget(manual_);
    auto* box = okCancel(this);
    connect(box, &QDialogButtonBox::accepted, this, &QDialog::accept);
    v->addWidget(box);
}

TChooseLabelLayout::Choice TChooseLabelLayout::choice() const
{
    if (result() != QDialog::Accepted)
        return Cancelled;
    return manual_->isChecked() ? ByHand : FromCatalogue;
}

TChooseLabelLayout::Choice TChooseLabelLayout::Ask(QWidget* parent)
{
    TChooseLabelLayout d(parent);
    ui::CenterOverMain(&d);
    d.exec();
    return d.choice();
}

// ---- TSelectLabel ----

TSelectLabel::TSelectLabel(store::Table& stock, std::string tplDescrip, std::string printer, std::string manufac,
                           std::string prodType, bool reset, QWidget* parent)
    : QDialog(parent), stock_(stock), tplDescrip_(std::move(tplDescrip)), printer_(std::move(printer)),
      manufac_(std::move(manufac)), prodType_(std::move(prodType)), reset_(reset)
{
    setObjectName(QStringLiteral("TSelectLabel"));
    setWindowTitle(QStringLiteral("Select Label Template"));
    auto* grid = new QGridLayout(this);
    auto* filters = new QFormLayout;
    manufacturer_ = new QComboBox(this);
    manufacturer_->setObjectName(QStringLiteral("ManufacturerCombo"));
    for (const auto& e : kManufacturerEntries)
        manufacturer_->addItem(QString::fromStdString(e));
    manufacturer_->setCurrentIndex(-1);
    product_ = new QComboBox(this);
    product_->setObjectName(QStringLiteral("ProductCombo"));
    for (const auto& e : kProductEntries)
        product_->addItem(QString::fromStdString(e));
    product_->setCurrentIndex(-1);
    european_ = new QCheckBox(QStringLiteral("European paper sizes only (A4, A5)"), this);
    european_->setObjectName(QStringLiteral("EuropeanCheck"));
    filters->addRow(QStringLiteral("Manufacturer"), manufacturer_);
    filters->addRow(QStringLiteral("Product Type"), product_);
    filters->addRow(european_);
    grid->addLayout(filters, 0, 0, 1, 2);

    list_ = new QListWidget(this);
    list_->setObjectName(QStringLiteral("StockList"));
    list_->setMinimumSize(280, 240);
    grid->addWidget(new QLabel(QStringLiteral("Description"), this), 1, 0);
    grid->addWidget(list_, 2, 0);
    auto* values = new QFormLayout;
    const char* captions[6] = {"Label Height", "Label Width", "# Across", "# Down", "Paper Width", "Paper Height"};
    for (int i = 0; i < 6; ++i) {
        values_[i] = new QLabel(this);
        values_[i]->setObjectName(QStringLiteral("Readout%1").arg(i));
        values->addRow(QString::fromLatin1(captions[i]), values_[i]);
    }
    grid->addLayout(values, 2, 1, Qt::AlignTop);
    auto* box = okCancel(this, &ok_);
    connect(box, &QDialogButtonBox::accepted, this, [this] {
        if (matching_ > 0 && !stock_.eof())
            accept();
    });
    grid->addWidget(box, 3, 0, 1, 2);

    connect(manufacturer_, &QComboBox::currentIndexChanged, this, [this] { ApplyFilter(); });
    connect(product_, &QComboBox::currentIndexChanged, this, [this] { ApplyFilter(); });
    connect(european_, &QCheckBox::toggled, this, [this] { ApplyFilter(); });
    connect(list_, &QListWidget::currentRowChanged, this, [this](int row) { rowChanged(row); });
}

void TSelectLabel::showEvent(QShowEvent* e)
{
    QDialog::showEvent(e);
    FormActivate();
}

void TSelectLabel::keyPressEvent(QKeyEvent* e)
{
    if (e->key() == Qt::Key_Insert)
        return;  // the list takes no new rows
    QDialog::keyPressEvent(e);
}

QString TSelectLabel::readout(int i) const { return values_[i]->text(); }

void TSelectLabel::FormActivate()
{
    if (activated_)
        return;
    activated_ = true;
    const Preselection p = PositionLabelCombos(manufac_, printer_, prodType_, reset_);
    filling_ = true;
    manufacturer_->setCurrentIndex(p.manufacturerIndex);
    product_->setCurrentIndex(p.productIndex);
    filling_ = false;
    ApplyFilter();  // also goes to the first match
    if (p.findDescription && !recnos_.empty()) {
        int row = 0;
        for (;;) {
            stock_.go(recnos_[static_cast<size_t>(row)]);
            if (stock_.getString("DESCRIPT") == tplDescrip_ || row + 1 == static_cast<int>(recnos_.size()))
                break;
            ++row;
        }
        list_->setCurrentRow(row);
    }
}

void TSelectLabel::ApplyFilter()
{
    if (filling_)
        return;
    const int m = manufacturer_->currentIndex();
    const std::string entry = m < 0 ? std::string() : manufacturer_->itemText(m).toStdString();
    const int productIndex =
        product_->currentIndex() == static_cast<int>(kProductEntries.size()) - 1 ? -1 : product_->currentIndex();
    query_ = BuildLabelQuery(entry, productIndex, european_->isChecked());
    stock_.setSelection(query_);
    matching_ = stock_.countSelected();
    ok_->setEnabled(matching_ > 0);
    list_->setEnabled(matching_ > 0);
    fillList();
}

void TSelectLabel::fillList()
{
    recnos_.clear();
    const bool old = list_->blockSignals(true);
    list_->clear();
    for (stock_.goTop(); !stock_.eof(); stock_.skip()) {
        recnos_.push_back(stock_.recNo());
        list_->addItem(fromTable(stock_, stock_.getString("DESCRIPT")));
    }
    list_->blockSignals(old);
    stock_.goTop();
    if (!recnos_.empty())
        list_->setCurrentRow(0);
    showCurrent();
}

void TSelectLabel::rowChanged(int row)
{
    if (row >= 0 && row < static_cast<int>(recnos_.size()))
        stock_.go(recnos_[static_cast<size_t>(row)]);
    showCurrent();
}

void TSelectLabel::showCurrent()
{
    if (stock_.eof() || recnos_.empty()) {
        for (auto* l : values_)
            l->clear();
        return;
    }
    const char* fields[6] = {"LBLHEIGHT", "LBLWIDTH", "NBRACROSS", "NBRDOWN", "SHEETWIDTH", "SHEETDEPTH"};
    for (int i = 0; i < 6; ++i) {
        const double v = stock_.getNumber(fields[i]);
        values_[i]->setText(i == 2 || i == 3 ? QString::number(static_cast<int>(v))
                                             : QString::fromStdString(FormatInches(v)));
    }
}

// ---- TLabelEdit ----

TLabelEdit::TLabelEdit(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("TLabelEdit"));
    setWindowTitle(QStringLiteral("User Defined Label Layout"));
    auto* v = new QVBoxLayout(this);
    auto* grid = new QGridLayout;
    const char* captions[8] = {"Label Height", "Label Width",    "Top Margin",  "Left Margin",
                               "Horizontal Pitch", "Vertical Pitch", "Paper Width", "Paper Height"};
    const char* names[8] = {"LabelHeightEdit", "LabelWidthEdit", "TopMarginEdit", "LeftMarginEdit",
                            "HorizPitchEdit",  "VertPitchEdit",  "PaperWidthEdit", "PaperHeightEdit"};
    for (int i = 0; i < 8; ++i) {
        edits_[i] = new QLineEdit(this);
        edits_[i]->setObjectName(QString::fromLatin1(names[i]));
        auto* val = new QDoubleValidator(0, 9999, 3, edits_[i]);
        val->setNotation(QDoubleValidator::StandardNotation);
        val->setLocale(QLocale::c());
        edits_[i]->setValidator(val);
        grid->addWidget(new QLabel(QString::fromLatin1(captions[i]), this), i / 2, (i % 2) * 2);
        grid->addWidget(edits_[i], i / 2, (i % 2) * 2 + 1);
    }
    across_ = new QSpinBox(this);
    across_->setObjectName(QStringLiteral("AcrossSpin"));
    across_->setRange(1, 10);
    down_ = new QSpinBox(this);
    down_->setObjectName(QStringLiteral("DownSpin"));
    down_->setRange(1, 30);
    grid->addWidget(new QLabel(QStringLiteral("# across"), this), 4, 0);
    grid->addWidget(across_, 4, 1);
    grid->addWidget(new QLabel(QStringLiteral("# down"), this), 4, 2);
    grid->addWidget(down_, 4, 3);
    paper_ = new QComboBox(this);
    paper_->setObjectName(QStringLiteral("PaperCombo"));
    for (const auto& p : kPaperEntries)
        paper_->addItem(QString::fromLatin1(p.entry));
    paper_->setCurrentIndex(-1);
    shape_ = new QComboBox(this);
    shape_->setObjectName(QStringLiteral("ShapeCombo"));
    shape_->addItems({QStringLiteral("Rectangular with Rounded Edges"), QStringLiteral("Rectangular"),
                      QStringLiteral("Round")});
    grid->addWidget(new QLabel(QStringLiteral("Paper size"), this), 5, 0);
    grid->addWidget(paper_, 5, 1, 1, 3);
    grid->addWidget(new QLabel(QStringLiteral("Label Shape"), this), 6, 0);
    grid->addWidget(shape_, 6, 1, 1, 3);
    v->addLayout(grid);
    auto* units = new QHBoxLayout;
    inches_ = new QRadioButton(QStringLiteral("Use &Inches"), this);
    inches_->setObjectName(QStringLiteral("InchesRadio"));
    mm_ = new QRadioButton(QStringLiteral("Use &Millimeters"), this);
    mm_->setObjectName(QStringLiteral("MillimetersRadio"));
    inches_->setChecked(true);
    units->addWidget(inches_);
    units->addWidget(mm_);
    v->addLayout(units);
    auto* box = okCancel(this);
    connect(box, &QDialogButtonBox::accepted, this, [this] {
        if (OkClick())
            accept();
    });
    v->addWidget(box);

    connect(inches_, &QRadioButton::clicked, this, [this] { UseInchesClick(); });
    connect(mm_, &QRadioButton::clicked, this, [this] { UseMillimetersClick(); });
    connect(paper_, &QComboBox::activated, this, [this](int i) { PaperChange(i); });
    connect(edits_[LabelWidth], &QLineEdit::editingFinished, this, [this] { LabelWidthExit(); });
    connect(edits_[LabelHeight], &QLineEdit::editingFinished, this, [this] { LabelHeightExit(); });
}

TLabelEdit::~TLabelEdit()
{
    for (QLineEdit* e : edits_)
        e->disconnect(this);
}

void TLabelEdit::showEvent(QShowEvent* e)
{
    QDialog::showEvent(e);
    FormActivate();
}

void TLabelEdit::FormActivate()
{
    if (activated_)
        return;
    activated_ = true;
    const LabelGeometry& g = in_.geometry;
    const double v[8] = {g.lblHeight, g.lblWidth,   g.topMarg,    g.leftMarg,
                         g.horizPitch, g.vertPitch, g.sheetWidth, g.sheetDepth};
    for (int i = 0; i < 8; ++i)
        edits_[i]->setText(QString::fromStdString(FormatInches(v[i])));
    across_->setValue(g.nbrAcross);
    down_->setValue(g.nbrDown);
    shape_->setCurrentIndex(in_.lblShape == "RR" ? 0 : in_.lblShape == "SR" ? 1 : 2);
    paper_->setCurrentIndex(-1);
}

double TLabelEdit::valueOf(Field f) const { return QLocale::c().toDouble(edits_[f]->text().trimmed()); }

void TLabelEdit::UseMillimetersClick()
{
    mm_->setChecked(true);
    if (millimetres_)
        return;
    millimetres_ = true;
    for (int i = 0; i < 8; ++i)
        edits_[i]->setText(QString::fromStdString(FormatMm(valueOf(Field(i)) * 25.4)));
}

void TLabelEdit::UseInchesClick()
{
    inches_->setChecked(true);
    if (!millimetres_)
        return;
    millimetres_ = false;
    for (int i = 0; i < 8; ++i)
        edits_[i]->setText(QString::fromStdString(FormatInches(valueOf(Field(i)) * kInchesPerMm)));
}

void TLabelEdit::PaperChange(int index)
{
    if (index < 0 || index >= 5)
        return;  // the two "Other" entries keep the sizes as entered
    const PaperEntry& p = kPaperEntries[static_cast<size_t>(index)];
    auto shown = [this](double inches) {
        return QString::fromStdString(millimetres_ ? FormatMm(inches * 25.4) : FormatInches(inches));
    };
    edits_[PaperWidth]->setText(shown(p.width));
    edits_[PaperHeight]->setText(shown(p.height));
}

void TLabelEdit::LabelWidthExit()
{
    if (valueOf(HorizPitch) < valueOf(LabelWidth))
        edits_[HorizPitch]->setText(edits_[LabelWidth]->text());
}

void TLabelEdit::LabelHeightExit()
{
    if (valueOf(VertPitch) < valueOf(LabelHeight))
        edits_[VertPitch]->setText(edits_[LabelHeight]->text());
}

bool TLabelEdit::OkClick()
{
    auto length = [this](Field f) {
        const double v = valueOf(f);
        return millimetres_ ? RoundTo3(v * kInchesPerMm) : v;
    };
    LabelEditValues r = in_;
    LabelGeometry& g = r.geometry;
    g.nbrAcross = across_->value();
    g.nbrDown = down_->value();
    g.lblHeight = length(LabelHeight);
    g.lblWidth = length(LabelWidth);
    g.topMarg = length(TopMargin);
    g.leftMarg = length(LeftMargin);
    g.horizPitch = length(HorizPitch);
    g.vertPitch = length(VertPitch);
    g.sheetWidth = length(PaperWidth);
    g.sheetDepth = length(PaperHeight);
    if (paper_->currentIndex() >= 0)
        r.paperSize = kPaperEntries[static_cast<size_t>(paper_->currentIndex())].code;
    static const char* const shapes[3] = {"RR", "SR", "EL"};
    r.lblShape = shapes[std::max(0, shape_->currentIndex())];
    const std::string problem = ValidLabel(g);
    if (!problem.empty()) {
        ui::ShowInfo(QString::fromStdString(problem));
        return false;
    }
    out_ = r;
    return true;
}

}  // namespace addrova::labels
