#pragma once

// The controls the layout designers share around their design area: the record and zoom buttons that
// end the tool bar, the side column (description, a read-out of the layout's size, the button that
// changes it, the default font, Save and Cancel) and the position read-out at the bottom.

#include <QString>

class QHBoxLayout;
class QLabel;
class QLineEdit;
class QPushButton;
class QToolButton;
class QWidget;

namespace addrova::layout {

struct DesignerFrame {
    QToolButton *first = nullptr, *prior = nullptr, *next = nullptr, *last = nullptr;
    QToolButton *zoomUp = nullptr, *zoomDown = nullptr;
    QLabel* zoomLabel = nullptr;
    QLineEdit* description = nullptr;
    QLabel* size = nullptr;
    QPushButton *change = nullptr, *font = nullptr, *save = nullptr, *cancel = nullptr;
    QLabel *left = nullptr, *top = nullptr;

    // Ends the tool bar `bar` with the record buttons, the zoom arrows and the zoom read-out.
    void EndToolBar(QWidget* owner, QHBoxLayout* bar);
    // Lays `owner` out: `bar` across the top, the side column (its change button captioned
    // `changeCaption`; Save hidden until there is a change) left of `area`, the position read-out below.
    void Arrange(QWidget* owner, QHBoxLayout* bar, QWidget* area, const QString& changeCaption);
};

// The primary screen's logical dots per inch; 96 without a screen.
int ScreenPpi();

// A checkable tool bar button that shows or hides something.
QToolButton* MakeDesignerToggle(QWidget* owner, const QString& hint, const QString& text);

}  // namespace addrova::layout
