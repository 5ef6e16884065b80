#include "DesignerFrame.h"

#include <QFrame>
#include <QGuiApplication>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QToolButton>
#include <QVBoxLayout>
#include <cmath>

namespace addrova::layout {

void DesignerFrame::EndToolBar(QWidget* owner, QHBoxLayout* bar)
{
    auto recordButton = [&](const QString& text, const QString& hint) {
        auto* b = new QToolButton(owner);
        b->setText(text);
        b->setToolTip(hint);
        b->setAutoRaise(true);
        bar->addWidget(b);
        return b;
    };
    first = recordButton(QStringLiteral("|<"), QStringLiteral("First record"));
    prior = recordButton(QStringLiteral("<"), QStringLiteral("Prior record"));
    next = recordButton(QStringLiteral(">"), QStringLiteral("Next record"));
    last = recordButton(QStringLiteral(">|"), QStringLiteral("Last record"));
    bar->addSpacing(12);
    auto* spinner = new QVBoxLayout;
    spinner->setSpacing(0);
    zoomUp = new QToolButton(owner);
    zoomUp->setArrowType(Qt::UpArrow);
    zoomUp->setToolTip(QStringLiteral("Zoom in"));
    zoomDown = new QToolButton(owner);
    zoomDown->setArrowType(Qt::DownArrow);
    zoomDown->setToolTip(QStringLiteral("Zoom out"));
    for (QToolButton* b : {zoomUp, zoomDown}) {
        b->setFixedSize(18, 12);
        spinner->addWidget(b);
    }
    bar->addLayout(spinner);
    zoomLabel = new QLabel(QStringLiteral("100%"), owner);
    zoomLabel->setMinimumWidth(36);
    bar->addWidget(zoomLabel);
    bar->addStretch(1);
}

void DesignerFrame::Arrange(QWidget* owner, QHBoxLayout* bar, QWidget* area, const QString& changeCaption)
{
    auto* side = new QVBoxLayout;
    side->addWidget(new QLabel(QStringLiteral("Description:"), owner));
    description = new QLineEdit(owner);
    description->setMaxLength(60);
    side->addWidget(description);
    side->addSpacing(6);
    size = new QLabel(owner);
    size->setWordWrap(true);
    size->setFrameShape(QFrame::StyledPanel);
    side->addWidget(size);
    change = new QPushButton(changeCaption, owner);
    side->addWidget(change);
    font = new QPushButton(owner);
    side->addWidget(font);
    side->addStretch(1);
    save = new QPushButton(QStringLiteral("Save"), owner);
    cancel = new QPushButton(QStringLiteral("Cancel"), owner);
    for (QPushButton* b : {change, font, save, cancel})
        b->setAutoDefault(false);
    side->addWidget(save);
    side->addWidget(cancel);
    save->hide();
    auto* sideBox = new QWidget(owner);
    sideBox->setLayout(side);
    sideBox->setFixedWidth(220);

    auto* status = new QHBoxLayout;
    left = new QLabel(QStringLiteral("Left: "), owner);
    top = new QLabel(QStringLiteral("Top: "), owner);
    left->setMinimumWidth(90);
    status->addWidget(left);
    status->addWidget(top);
    status->addStretch(1);

    auto* grid = new QGridLayout(owner);
    grid->addLayout(bar, 0, 0, 1, 2);
    grid->addWidget(sideBox, 1, 0);
    grid->addWidget(area, 1, 1);
    grid->addLayout(status, 2, 0, 1, 2);
    grid->setColumnStretch(1, 1);
    grid->setRowStretch(1, 1);
}

int ScreenPpi()
{
    if (QScreen* s = QGuiApplication::primaryScreen()) {
        const int p = static_cast<int>(std::lround(s->logicalDotsPerInchX()));
        if (p > 0)
            return p;
    }
    return 96;
}

QToolButton* MakeDesignerToggle(QWidget* owner, const QString& hint, const QString& text)
{
    auto* b = new QToolButton(owner);
    b->setCheckable(true);
    b->setToolTip(hint);
    b->setText(text);
    b->setMinimumHeight(28);
    return b;
}

}  // namespace addrova::layout
