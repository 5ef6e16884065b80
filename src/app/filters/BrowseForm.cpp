#include "Common.h"
#include "FilterWindows.h"
#include "ProgramDir.h"

#include <QApplication>
#include <QDir>
#include <QFontMetrics>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QPushButton>
#include <QScreen>
#include <QTableView>
#include <QVBoxLayout>

#include <algorithm>
#include <stdexcept>

namespace addrova::filters {

TAddressBrowse::TAddressBrowse(QWidget* parent, store::Table& table, FilterState& state, std::string tagId,
                               bool printingFields, Refresh refresh)
    : QDialog(parent), table_(table), state_(state), tagId_(std::move(tagId)), refresh_(std::move(refresh))
{
    setObjectName(QStringLiteral("TAddressBrowse"));
    setWindowTitle(QStringLiteral("Address Browse"));
    model_ = new BrowseModel(table_, tagId_, printingFields, this);
    model_->setFieldOrder(applyFieldOrder(model_->fieldOrder(), readFieldList(FieldListPath())));

    grid_ = new QTableView(this);
    grid_->setModel(model_);
    grid_->setSelectionBehavior(QAbstractItemView::SelectRows);
    grid_->setSelectionMode(QAbstractItemView::SingleSelection);
    grid_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    grid_->setWordWrap(false);
    grid_->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    grid_->verticalHeader()->setDefaultSectionSize(QFontMetrics(grid_->font()).height() + 6);
    grid_->verticalHeader()->hide();
    grid_->horizontalHeader()->setSectionsMovable(true);
    grid_->horizontalHeader()->setHighlightSections(false);
    const int ch = QFontMetrics(grid_->font()).averageCharWidth();
    const QFontMetrics titles(grid_->horizontalHeader()->font());
    for (int c = 0; c < model_->columnCount(); ++c) {
        const int title = titles.horizontalAdvance(model_->headerData(c, Qt::Horizontal).toString()) + 12;
        grid_->setColumnWidth(c, std::max(model_->columnChars(c) * ch + 10, title));
    }

    auto button = [&](const QString& text, const QString& name) {
        auto* b = new QPushButton(text, this);
        b->setObjectName(name);
        b->setAutoDefault(false);
        return b;
    };
    QPushButton* first = button(QStringLiteral("|<"), QStringLiteral("FirstButton"));
    QPushButton* prior = button(QStringLiteral("<"), QStringLiteral("PriorButton"));
    QPushButton* next = button(QStringLiteral(">"), QStringLiteral("NextButton"));
    QPushButton* last = button(QStringLiteral(">|"), QStringLiteral("LastButton"));
    QPushButton* tag = button(QStringLiteral("&Tag"), QStringLiteral("TagButton"));
    QPushButton* ok = button(QStringLiteral("Ok"), QStringLiteral("OkButton"));
    first->setToolTip(QStringLiteral("First record"));
    prior->setToolTip(QStringLiteral("Previous record"));
    next->setToolTip(QStringLiteral("Next record"));
    last->setToolTip(QStringLiteral("Last record"));
    connect(first, &QPushButton::clicked, this, &TAddressBrowse::FirstButtonClick);
    connect(prior, &QPushButton::clicked, this, &TAddressBrowse::PriorButtonClick);
    connect(next, &QPushButton::clicked, this, &TAddressBrowse::NextButtonClick);
    connect(last, &QPushButton::clicked, this, &TAddressBrowse::LastButtonClick);
    connect(tag, &QPushButton::clicked, this, &TAddressBrowse::TagButtonClick);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    connect(grid_, &QTableView::doubleClicked, this, [this](const QModelIndex& index) {
        moveTo(index.row());
        TagButtonClick();
    });
    connect(grid_->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [this](const QModelIndex& current) {
                if (current.isValid() && current.row() != model_->currentRow())
                    model_->setCurrentRow(current.row());
            });

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(first);
    buttons->addWidget(prior);
    buttons->addWidget(next);
    buttons->addWidget(last);
    buttons->addSpacing(12);
    buttons->addWidget(tag);
    buttons->addStretch(1);
    buttons->addWidget(ok);
    auto* root = new QVBoxLayout(this);
    root->addWidget(grid_, 1);
    root->addLayout(buttons);

    int w = 780, h = 440;
    const QScreen* scr = screen() ? screen() : QGuiApplication::primaryScreen();
    const double ppi = scr ? scr->logicalDotsPerInch() : 96.0;
    if (ppi > 96.0) {
        w = static_cast<int>(w * ppi / 96.0 * 0.95);
        h = static_cast<int>(h * ppi / 96.0 * 0.95);
    }
    resize(w, h);
    ui::RestorePlacement(this, QStringLiteral("TAddressBrowse"));

    moveTo(model_->locateCurrent());
}

void TAddressBrowse::moveTo(int row)
{
    if (model_->rowCount() == 0)
        return;
    model_->setCurrentRow(row);
    const QModelIndex index = model_->index(model_->currentRow(), std::max(0, grid_->currentIndex().column()));
    grid_->setCurrentIndex(index);
    grid_->scrollTo(index);
}

void TAddressBrowse::FirstButtonClick() { moveTo(0); }

void TAddressBrowse::PriorButtonClick()
{
    if (model_->currentRow() <= 0) {
        QApplication::beep();
        return;
    }
    moveTo(model_->currentRow() - 1);
}

void TAddressBrowse::NextButtonClick()
{
    if (model_->currentRow() + 1 >= model_->rowCount()) {
        QApplication::beep();
        return;
    }
    moveTo(model_->currentRow() + 1);
}

void TAddressBrowse::LastButtonClick() { moveTo(model_->rowCount() - 1); }

void TAddressBrowse::TagButtonClick()
{
    if (model_->rowCount() == 0 || !model_->setCurrentRow(model_->currentRow()))
        return;
    try {
        const std::string before = table_.selection();
        ToggleTag(table_, state_, tagId_, false);
        if (table_.selection() != before) {
            model_->reload();  // the filter was dropped
        } else {
            model_->currentRecordChanged();
        }
    } catch (const store::Error& e) {
        ui::ShowError(QString::fromStdString(e.what()));
    }
    moveTo(model_->currentRow());
    if (refresh_)
        refresh_();
}

std::vector<std::string> TAddressBrowse::currentFieldOrder() const
{
    std::vector<int> visual;
    const QHeaderView* header = grid_->horizontalHeader();
    for (int v = 0; v < header->count(); ++v)
        visual.push_back(header->logicalIndex(v));
    return model_->orderAfterMove(visual);
}

void TAddressBrowse::saveLayout()
{
    if (saved_)
        return;
    saved_ = true;
    try {
        QDir().mkpath(QString::fromStdString(app::SysdataDir()));
        writeFieldList(FieldListPath(), currentFieldOrder());
    } catch (const std::runtime_error&) {
        // A column order that cannot be written is lost, nothing else.
    }
    ui::SavePlacement(this, QStringLiteral("TAddressBrowse"));
}

void TAddressBrowse::done(int result)
{
    saveLayout();
    QDialog::done(result);
}

}  // namespace addrova::filters
