#include "MatchGrid.h"

#include <QAction>
#include <QCursor>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QMenu>
#include <QPushButton>
#include <QVBoxLayout>

namespace addrova::exchange {

TFieldMatchGrid::TFieldMatchGrid(MatchRows& rows, const QString& fileName, QWidget* parent)
    : QTableWidget(static_cast<int>(rows.size()), 2, parent), rows_(rows)
{
    setObjectName(QStringLiteral("FieldMatch"));
    setHorizontalHeaderLabels({QStringLiteral("Addrova Field"), QStringLiteral("Import from Field (in ") + fileName + ")"});
    verticalHeader()->setVisible(false);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setSelectionBehavior(QAbstractItemView::SelectItems);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setStyleSheet(QStringLiteral("QHeaderView::section { background: #404040; color: white; }"
                                 "QTableWidget { background: white; color: black; }"
                                 "QTableWidget::item:selected { background: blue; color: white; }"));
    for (int r = 0; r < rowCount(); ++r) {
        auto* l = new QTableWidgetItem(QString::fromStdString(rows_.label(size_t(r))));
        l->setBackground(QColor(Qt::lightGray));
        l->setForeground(QColor(Qt::black));
        l->setFlags(Qt::ItemIsEnabled);
        setItem(r, 0, l);
        setItem(r, 1, new QTableWidgetItem);
    }
    setCurrentCell(0, 1);
    connect(this, &QTableWidget::cellDoubleClicked, this, [this] { popUp(QCursor::pos()); });
    refresh();
}

void TFieldMatchGrid::refresh()
{
    for (int r = 0; r < rowCount(); ++r)
        item(r, 1)->setText(QString::fromStdString(rows_.name(size_t(r))));
}

void TFieldMatchGrid::resizeEvent(QResizeEvent* e)
{
    QTableWidget::resizeEvent(e);
    const int w = viewport()->width();
    setColumnWidth(0, w / 2 - w / 5);
    setColumnWidth(1, w / 5 + w / 2);
}

QMenu* TFieldMatchGrid::fieldMenu()
{
    auto* menu = new QMenu(this);
    const int row = currentRow() < 0 ? 0 : currentRow();
    const std::string current = rows_.size() ? rows_.name(size_t(row)) : std::string();
    QAction* none = menu->addAction(QStringLiteral("(none)"));
    connect(none, &QAction::triggered, this, [this] { choose({}); });
    if (choices_)
        for (const auto& [name, text] : choices_(size_t(row))) {
            QAction* a = menu->addAction(QString::fromStdString(text));
            a->setCheckable(true);
            a->setChecked(name == current);
            a->setData(QString::fromStdString(name));
            const std::string n = name;
            connect(a, &QAction::triggered, this, [this, n] { choose(n); });
        }
    return menu;
}

void TFieldMatchGrid::popUp(const QPoint& globalPos)
{
    QMenu* m = fieldMenu();
    m->exec(globalPos);
    m->deleteLater();
}

void TFieldMatchGrid::choose(const std::string& name)
{
    if (currentRow() < 0 || rows_.size() == 0)
        return;
    rows_.choose(size_t(currentRow()), name);
    refresh();
}

void TFieldMatchGrid::clearCurrent()
{
    if (currentRow() >= 0 && rows_.size())
        rows_.clear(size_t(currentRow()));
    refresh();
}

void TFieldMatchGrid::clearAll()
{
    rows_.clearAll();
    refresh();
}

TMatchDialog::TMatchDialog(const QString& caption, MatchRows& rows, const QString& fileName, QWidget* parent)
    : QDialog(parent)
{
    setWindowTitle(caption);
    grid_ = new TFieldMatchGrid(rows, fileName, this);
    auto* lay = new QVBoxLayout(this);
    topBox_ = new QVBoxLayout;
    lay->addLayout(topBox_, 1);
    auto* matchBox = new QGroupBox(QStringLiteral("Field Match"), this);
    auto* mb = new QHBoxLayout(matchBox);
    mb->addWidget(grid_, 1);
    auto* side = new QVBoxLayout;
    auto* select = new QPushButton(QStringLiteral("&Select Field"), this);
    auto* clear = new QPushButton(QStringLiteral("&Clear Current"), this);
    auto* clearAll = new QPushButton(QStringLiteral("Clear &All"), this);
    auto* ok = new QPushButton(QStringLiteral("Ok"), this);
    auto* cancel = new QPushButton(QStringLiteral("Cancel"), this);
    for (auto* b : {select, clear, clearAll})
        side->addWidget(b);
    side->addStretch();
    side->addWidget(ok);
    side->addWidget(cancel);
    mb->addLayout(side);
    lay->addWidget(matchBox, 2);
    ok->setDefault(true);
    connect(select, &QPushButton::clicked, this, [this, select] {
        grid_->popUp(select->mapToGlobal(QPoint(0, select->height())));
    });
    connect(clear, &QPushButton::clicked, grid_, &TFieldMatchGrid::clearCurrent);
    connect(clearAll, &QPushButton::clicked, grid_, &TFieldMatchGrid::clearAll);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    resize(640, 560);
}

void TMatchDialog::setTop(const QString& title, QWidget* top)
{
    auto* box = new QGroupBox(title, this);
    auto* l = new QVBoxLayout(box);
    l->addWidget(top);
    topBox_->addWidget(box);
}

}  // namespace addrova::exchange
