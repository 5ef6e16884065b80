#include "LayoutDialogs.h"

#include "Common.h"
#include "GLabels.h"
#include "GShapes.h"

#include <QCheckBox>
#include <QColorDialog>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileSystemModel>
#include <QFontDialog>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QListWidget>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QStorageInfo>
#include <QTreeView>
#include <QVBoxLayout>

namespace addrova::layout {

namespace {

QDialogButtonBox* okCancel(QDialog* d) {
    auto* b = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, d);
    QObject::connect(b, &QDialogButtonBox::accepted, d, &QDialog::accept);
    QObject::connect(b, &QDialogButtonBox::rejected, d, &QDialog::reject);
    return b;
}

const std::pair<const char*, Colour> kColourChoices[] = {
    {"Black", clBlack}, {"Maroon", clMaroon}, {"Green", clGreen},     {"Olive", clOlive}, {"Navy", clNavy},
    {"Purple", clPurple}, {"Teal", clTeal}, {"Gray", clGray},        {"Silver", clSilver}, {"Red", clRed},
    {"Lime", clLime},   {"Yellow", clYellow}, {"Blue", clBlue},     {"Fuchsia", clFuchsia}, {"Aqua", clAqua},
    {"White", clWhite}};

QComboBox* colourList(Colour current, QWidget* parent) {
    auto* c = new QComboBox(parent);
    for (const auto& [name, value] : kColourChoices) {
        QPixmap swatch(12, 12);
        swatch.fill(toQColor(value));
        c->addItem(QIcon(swatch), QLatin1String(name), static_cast<int>(value));
    }
    int i = c->findData(static_cast<int>(current));
    if (i < 0) {
        QPixmap swatch(12, 12);
        swatch.fill(toQColor(current));
        c->addItem(QIcon(swatch), QStringLiteral("Custom"), static_cast<int>(current));
        i = c->count() - 1;
    }
    c->setCurrentIndex(i);
    return c;
}

}  // namespace

std::optional<Colour> chooseColour(Colour initial, QWidget* parent) {
    QColor c = QColorDialog::getColor(toQColor(initial), parent);
    if (!c.isValid()) return std::nullopt;
    return fromQColor(c);
}

std::optional<LayoutFont> chooseLayoutFont(const LayoutFont& initial, QWidget* parent) {
    bool ok = false;
    QFont f = QFontDialog::getFont(&ok, initial.toQFont(), parent);
    if (!ok) return std::nullopt;
    return LayoutFont::fromQFont(f, initial.color);
}

// ---------------------------------------------------------------------------------------------

TFieldSelectionBox::TFieldSelectionBox(const QStringList& labels, const QString& current, QWidget* parent)
    : QDialog(parent) {
    setWindowTitle(QStringLiteral("Select Field"));
    auto* v = new QVBoxLayout(this);
    list_ = new QListWidget(this);
    list_->addItems(labels);
    int i = static_cast<int>(labels.indexOf(current));
    if (!labels.isEmpty()) list_->setCurrentRow(i >= 0 ? i : 0);
    connect(list_, &QListWidget::itemDoubleClicked, this, &QDialog::accept);
    v->addWidget(list_);
    v->addWidget(okCancel(this));
}

QString TFieldSelectionBox::chosen() const {
    auto* item = list_->currentItem();
    return item ? item->text() : QString();
}

bool ChooseDataField(RecordSource* rs, const std::function<bool(const RecordField&)>& offered, QString& name,
                     QString& descript) {
    std::vector<RecordField> fields;
    if (rs && rs->isOpen()) fields = rs->fields();
    QStringList labels;
    for (const auto& f : fields)
        if (offered(f)) labels << f.label;
    TFieldSelectionBox dlg(labels, descript);
    if (dlg.exec() != QDialog::Accepted || dlg.chosen().isEmpty()) return false;
    for (const auto& f : fields)
        if (f.label == dlg.chosen()) {
            name = f.name;
            descript = f.label;
        }
    return true;
}

TGetLabelText::TGetLabelText(const QString& text, QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("Text"));
    auto* v = new QVBoxLayout(this);
    v->addWidget(new QLabel(QStringLiteral("Enter Text"), this));
    edit_ = new QLineEdit(text, this);
    // Typing replaces the text offered (a new label's "<text>"); the arrow keys keep it.
    edit_->selectAll();
    edit_->setFocus();
    v->addWidget(edit_);
    v->addWidget(okCancel(this));
}

QString TGetLabelText::text() const { return edit_->text(); }

TGetCounter::TGetCounter(const CounterSettings& s, QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("Counter"));
    auto* form = new QFormLayout(this);
    start = new QSpinBox(this);
    start->setRange(INT_MIN, INT_MAX);
    start->setValue(s.startingNumber);
    repeat = new QSpinBox(this);
    repeat->setRange(1, 999);
    repeat->setValue(std::clamp(s.repeatEach, 1, 999));
    before = new QLineEdit(s.textBefore, this);
    after = new QLineEdit(s.textAfter, this);
    zeros = new QSpinBox(this);
    zeros->setRange(0, 9);
    zeros->setValue(std::clamp(s.leadingZeros, 0, 9));
    form->addRow(QStringLiteral("Starting Number"), start);
    form->addRow(QStringLiteral("Repeat number for #of  labels?"), repeat);
    form->addRow(QStringLiteral("Text  before"), before);
    form->addRow(QStringLiteral("Text after"), after);
    auto* z = new QHBoxLayout;
    z->addWidget(zeros);
    z->addWidget(new QLabel(QStringLiteral("digits"), this));
    form->addRow(QStringLiteral("Leading zeros to "), z);
    form->addRow(okCancel(this));
}

CounterSettings TGetCounter::settings() const {
    return {start->value(), repeat->value(), zeros->value(), before->text(), after->text()};
}

TGetSymbol::TGetSymbol(const LayoutFont& font, int code, QWidget* parent) : QDialog(parent), font_(font) {
    setWindowTitle(QStringLiteral("Symbol Selector"));
    auto* v = new QVBoxLayout(this);
    list_ = new QListWidget(this);
    list_->setViewMode(QListView::IconMode);
    list_->setFlow(QListView::LeftToRight);
    list_->setWrapping(true);
    list_->setResizeMode(QListView::Adjust);
    list_->setUniformItemSizes(true);
    for (int c = 32; c <= 255; ++c) list_->addItem(QString(QChar(c)));
    list_->setCurrentRow(std::clamp(code, 32, 255) - 32);
    v->addWidget(list_);
    auto* h = new QHBoxLayout;
    auto* fontButton = new QPushButton(QStringLiteral("Font"), this);
    fontLabel_ = new QLabel(this);
    h->addWidget(fontButton);
    h->addWidget(fontLabel_, 1);
    v->addLayout(h);
    v->addWidget(okCancel(this));
    connect(fontButton, &QPushButton::clicked, this, [this] {
        if (auto f = chooseLayoutFont(font_, this)) {
            font_ = *f;
            showFont();
        }
    });
    showFont();
}

QString TGetSymbol::describeFont(const LayoutFont& f) {
    QString s = f.name + QLatin1Char(' ') + QString::number(f.size) + QStringLiteral("pt ");
    if (f.style & fsItalic)
        s += QStringLiteral("Italic ");
    else if (f.style & fsBold)
        s += QStringLiteral("Bold ");
    return s;
}

void TGetSymbol::showFont() {
    QFont f = font_.toQFont();
    list_->setFont(f);
    int cols = TGSymbolLabel::symbolColumns(font_.size);
    int cell = std::max(16, (list_->viewport()->width() > 0 ? 420 : 420) / cols);
    list_->setGridSize(QSize(cell, cell));
    setMinimumWidth(cell * cols + 40);
    fontLabel_->setText(describeFont(font_));
}

int TGetSymbol::code() const { return list_->currentRow() + 32; }

// ---------------------------------------------------------------------------------------------

class TGFont3DEffects::SampleView : public QWidget {
public:
    SampleView(StandaloneHost* host, QWidget* parent) : QWidget(parent), host_(host) { setMinimumSize(220, 80); }
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        p.fillRect(rect(), Qt::white);
        host_->paintAll(p);
    }

private:
    StandaloneHost* host_;
};

TGFont3DEffects::TGFont3DEffects(const TGBaseLabel& source, QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("Text 3D Effects"));
    auto* host = new StandaloneHost(this);
    sampleHost_ = host;
    sample_ = new TGPLabel(host);
    sample_->setCaption(QStringLiteral("Sample"));
    sample_->setFont(source.font());
    sample_->setDepthShadow(source.depthShadow());
    sample_->setDirectionShadow(source.directionShadow());
    sample_->setColorShadow(source.colorShadow());
    sample_->setDepthHighlight(source.depthHighlight());
    sample_->setDirectionHighlight(source.directionHighlight());
    sample_->setColorHighlight(source.colorHighlight());
    sample_->setBounds(10, 10, 200, 60);

    auto* grid = new QGridLayout(this);
    view_ = new SampleView(host, this);
    grid->addWidget(view_, 0, 0, 1, 4);
    auto list = [this](const QStringList& items, int current) {
        auto* c = new QComboBox(this);
        c->addItems(items);
        c->setCurrentIndex(current);
        return c;
    };
    QStringList depths;
    for (int i = 0; i <= 10; ++i) depths << QString::number(i);
    shadowDir = list({"None", "Right", "Left", "Lower Right", "Lower Left", "Down"},
                     static_cast<int>(source.directionShadow()));
    highlightDir = list({"None", "Right", "Left", "Upper Right", "Upper Left", "Up"},
                        static_cast<int>(source.directionHighlight()));
    shadowDepth = list(depths, std::clamp(source.depthShadow(), 0, 10));
    highlightDepth = list(depths, std::clamp(source.depthHighlight(), 0, 10));
    shadowColour = colourList(source.colorShadow(), this);
    highlightColour = colourList(source.colorHighlight(), this);
    fontColour = colourList(source.font().color, this);
    int row = 1;
    auto addRow = [&](const char* a, QWidget* wa, const char* b, QWidget* wb) {
        grid->addWidget(new QLabel(QLatin1String(a), this), row, 0);
        grid->addWidget(wa, row, 1);
        grid->addWidget(new QLabel(QLatin1String(b), this), row, 2);
        grid->addWidget(wb, row, 3);
        ++row;
    };
    addRow("Shadow Direction", shadowDir, "Highlight Direction", highlightDir);
    addRow("Shadow Depth", shadowDepth, "Highlight Depth", highlightDepth);
    addRow("Shadow Color", shadowColour, "Highlight Color", highlightColour);
    grid->addWidget(new QLabel(QStringLiteral("Font Color"), this), row, 0);
    grid->addWidget(fontColour, row, 1);
    grid->addWidget(okCancel(this), row + 1, 0, 1, 4);
    auto update = [this] {
        sample_->setDirectionShadow(static_cast<ShadowDir>(shadowDir->currentIndex()));
        sample_->setDirectionHighlight(static_cast<HighlightDir>(highlightDir->currentIndex()));
        sample_->setDepthShadow(shadowDepth->currentIndex());
        sample_->setDepthHighlight(highlightDepth->currentIndex());
        sample_->setColorShadow(shadowColour->currentData().toInt());
        sample_->setColorHighlight(highlightColour->currentData().toInt());
        LayoutFont f = sample_->font();
        f.color = fontColour->currentData().toInt();
        sample_->setFont(f);
        sample_->setBounds(10, 10, 200, 60);
        view_->update();
    };
    for (QComboBox* c : {shadowDir, highlightDir, shadowDepth, highlightDepth, shadowColour, highlightColour, fontColour})
        connect(c, &QComboBox::currentIndexChanged, this, update);
}

TGFont3DEffects::~TGFont3DEffects() = default;

TGBaseLabel& TGFont3DEffects::sample() const { return *sample_; }

void TGFont3DEffects::applyTo(TGBaseLabel& t) const {
    t.setFont(sample_->font());
    t.setDepthShadow(sample_->depthShadow());
    t.setDirectionShadow(sample_->directionShadow());
    t.setColorShadow(sample_->colorShadow());
    t.setDepthHighlight(sample_->depthHighlight());
    t.setDirectionHighlight(sample_->directionHighlight());
    t.setColorHighlight(sample_->colorHighlight());
}

// ---------------------------------------------------------------------------------------------

TMultiLineTextEditor::TMultiLineTextEditor(const QStringList& lines, const LayoutFont& font, QWidget* parent)
    : QDialog(parent) {
    setWindowTitle(QStringLiteral("Multi-line Text Editor"));
    auto* v = new QVBoxLayout(this);
    edit_ = new QPlainTextEdit(this);
    edit_->setFont(font.toQFont());
    edit_->setPlainText(lines.join(QLatin1Char('\n')));
    // At most 254 characters, line ends counting two as in the stored text.
    connect(edit_, &QPlainTextEdit::textChanged, this, [this] {
        QString t = edit_->toPlainText();
        int count = static_cast<int>(t.size() + t.count(QLatin1Char('\n')));
        if (count <= 254) return;
        while (count > 254 && !t.isEmpty()) {
            count -= t.endsWith(QLatin1Char('\n')) ? 2 : 1;
            t.chop(1);
        }
        QSignalBlocker block(edit_);
        edit_->setPlainText(t);
        QTextCursor c = edit_->textCursor();
        c.movePosition(QTextCursor::End);
        edit_->setTextCursor(c);
    });
    v->addWidget(edit_);
    v->addWidget(okCancel(this));
}

QStringList TMultiLineTextEditor::lines() const {
    QString t = edit_->toPlainText();
    if (t.isEmpty()) return {};
    return t.split(QLatin1Char('\n'));
}

TAddressLayout::TAddressLayout(const AddressSwitches& s, QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("Address Label Layout"));
    auto* v = new QVBoxLayout(this);
    auto box = [this, v](const char* text, bool on) {
        auto* c = new QCheckBox(QLatin1String(text), this);
        c->setChecked(on);
        v->addWidget(c);
        return c;
    };
    name = box("&Name", s.useName);
    title = box("&Title", s.useTitle);
    org = box("&Organization", s.useCompany);
    street = box("Address &1", s.useStreet);
    street2 = box("Address &2", s.useStreet2);
    cityState = box("City + &State", s.useCityState);
    zip = box("&Zip/Postal code", s.useZip);
    auto* group = new QGroupBox(this);
    auto* gv = new QVBoxLayout(group);
    const char* choices[] = {"&After state", "&Before city", "A&fter country", "B&efore country"};
    for (int i = 0; i < 4; ++i) {
        zipChoice[i] = new QRadioButton(QLatin1String(choices[i]), group);
        zipChoice[i]->setChecked(static_cast<int>(s.zipOptions) == i);
        gv->addWidget(zipChoice[i]);
    }
    v->addWidget(group);
    phone = box("&Phone #1", s.usePhone);
    country = box("&Country", s.useCountry);
    upper = box("&Uppercase", s.upperCase);
    auto enable = [this] {
        for (auto* r : zipChoice) r->setEnabled(zip->isChecked());
    };
    connect(zip, &QCheckBox::toggled, this, enable);
    enable();
    v->addWidget(okCancel(this));
}

AddressSwitches TAddressLayout::switches() const {
    AddressSwitches s;
    s.useName = name->isChecked();
    s.useTitle = title->isChecked();
    s.useCompany = org->isChecked();
    s.useStreet = street->isChecked();
    s.useStreet2 = street2->isChecked();
    s.useCityState = cityState->isChecked();
    s.useZip = zip->isChecked();
    s.usePhone = phone->isChecked();
    s.useCountry = country->isChecked();
    s.upperCase = upper->isChecked();
    for (int i = 0; i < 4; ++i)
        if (zipChoice[i]->isChecked()) s.zipOptions = static_cast<ZipOptions>(i);
    return s;
}

// ---------------------------------------------------------------------------------------------

TGImageBrowser::TGImageBrowser(bool stretch, bool autoSize, QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("Load Image File (BMP/WMF)"));
    auto* grid = new QGridLayout(this);
    drives_ = new QComboBox(this);
    for (const QStorageInfo& s : QStorageInfo::mountedVolumes())
        if (s.isValid() && s.isReady()) drives_->addItem(s.rootPath());
    model_ = new QFileSystemModel(this);
    model_->setRootPath(QString());
    model_->setNameFilters({QStringLiteral("*.BMP"), QStringLiteral("*.bmp"), QStringLiteral("*.WMF"),
                            QStringLiteral("*.wmf")});
    model_->setNameFilterDisables(false);
    folders_ = new QTreeView(this);
    auto* dirModel = new QFileSystemModel(this);
    dirModel->setRootPath(QString());
    dirModel->setFilter(QDir::AllDirs | QDir::NoDotAndDotDot);
    folders_->setModel(dirModel);
    for (int c = 1; c < dirModel->columnCount(); ++c) folders_->hideColumn(c);
    files_ = new QListView(this);
    files_->setModel(model_);
    model_->setFilter(QDir::Files);
    files_->setRootIndex(model_->index(QDir::currentPath()));
    folders_->setCurrentIndex(dirModel->index(QDir::currentPath()));
    previewLabel_ = new QLabel(this);
    previewLabel_->setMinimumSize(160, 160);
    previewLabel_->setFrameShape(QFrame::Box);
    previewLabel_->setAlignment(Qt::AlignCenter);
    stretchBox = new QCheckBox(QStringLiteral("Stretch"), this);
    autoSizeBox = new QCheckBox(QStringLiteral("AutoSize"), this);
    stretchBox->setChecked(stretch);
    autoSizeBox->setChecked(autoSize);
    connect(stretchBox, &QCheckBox::toggled, this, [this](bool on) {
        if (on) autoSizeBox->setChecked(false);
        if (!file_.isEmpty()) preview(file_);
    });
    connect(autoSizeBox, &QCheckBox::toggled, this, [this](bool on) {
        if (on) stretchBox->setChecked(false);
        if (!file_.isEmpty()) preview(file_);
    });
    connect(drives_, &QComboBox::currentTextChanged, this, [this, dirModel](const QString& root) {
        folders_->setCurrentIndex(dirModel->index(root));
        files_->setRootIndex(model_->index(root));
    });
    connect(folders_, &QTreeView::clicked, this, [this, dirModel](const QModelIndex& i) {
        files_->setRootIndex(model_->index(dirModel->filePath(i)));
    });
    connect(files_, &QListView::clicked, this, [this](const QModelIndex& i) { preview(model_->filePath(i)); });
    grid->addWidget(drives_, 0, 0);
    grid->addWidget(folders_, 1, 0);
    grid->addWidget(files_, 1, 1);
    grid->addWidget(previewLabel_, 1, 2);
    grid->addWidget(stretchBox, 2, 0);
    grid->addWidget(autoSizeBox, 2, 1);
    grid->addWidget(okCancel(this), 3, 0, 1, 3);
}

bool TGImageBrowser::stretch() const { return stretchBox->isChecked(); }
bool TGImageBrowser::autoSize() const { return autoSizeBox->isChecked(); }

bool TGImageBrowser::preview(const QString& path) {
    LayoutPicture pic;
    if (!pic.loadFile(path)) {
        file_.clear();
        previewLabel_->clear();
        ui::ShowError(QStringLiteral("Error loading file!"));
        return false;
    }
    file_ = path;
    QSize frame = previewLabel_->size();
    QSize target = autoSize() ? pic.size() : frame - QSize(10, 10);
    if (target.isEmpty()) target = frame - QSize(10, 10);
    QPixmap pm(frame);
    pm.fill(Qt::white);
    QPainter p(&pm);
    QRectF r(QPointF((frame.width() - target.width()) / 2.0, (frame.height() - target.height()) / 2.0), QSizeF(target));
    pic.draw(p, r);
    p.end();
    previewLabel_->setPixmap(pm);
    return true;
}

}  // namespace addrova::layout
