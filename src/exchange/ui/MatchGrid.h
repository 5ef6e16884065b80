#pragma once

#include "Exchange.h"

#include <QDialog>
#include <QTableWidget>

#include <functional>
#include <string>
#include <utility>
#include <vector>

class QMenu;
class QPushButton;
class QVBoxLayout;

namespace addrova::exchange {

// The "Field Match" grid: "Addrova Field" and "Import from Field (in FILE)", one row per destination field.
class TFieldMatchGrid : public QTableWidget {
    Q_OBJECT
public:
    TFieldMatchGrid(MatchRows& rows, const QString& fileName, QWidget* parent = nullptr);

    // The names a row may take, each with the text its menu item shows.
    using Choices = std::function<std::vector<std::pair<std::string, std::string>>(size_t row)>;
    void setChoices(Choices c) { choices_ = std::move(c); }

    // The pop-up menu of the current row: "(none)", then the names; the row's own name checked.
    QMenu* fieldMenu();
    void popUp(const QPoint& globalPos);
    void choose(const std::string& name);  // in the current row
    void clearCurrent();
    void clearAll();
    void refresh();

protected:
    void resizeEvent(QResizeEvent* e) override;

private:
    MatchRows& rows_;
    Choices choices_;
};

// The matching dialog both imports share: something to look at above, the grid, the buttons.
class TMatchDialog : public QDialog {
    Q_OBJECT
public:
    TMatchDialog(const QString& caption, MatchRows& rows, const QString& fileName, QWidget* parent = nullptr);
    TFieldMatchGrid* grid() const { return grid_; }

protected:
    void setTop(const QString& title, QWidget* top);

private:
    TFieldMatchGrid* grid_;
    QVBoxLayout* topBox_;
};

}  // namespace addrova::exchange
