#pragma once

#include <QDialog>

class QLabel;
class QProgressBar;
class QPushButton;

namespace addrova::store {
class Table;
}

namespace addrova::tools {

// "Rebuild Indexes": packs the open address file and builds its 26 tags again, with the engine's
// progress on the bar. Exec() returns Accepted when the rebuild ran.
class TRebuildIndexes : public QDialog {
    Q_OBJECT
public:
    TRebuildIndexes(store::Table& table, QWidget* parent = nullptr);

    // "Reindex" without the window being shown (the main window's tests and batch runs).
    bool Reindex();
    QString ErrorText() const { return error_; }

private:
    void showProgress(int percent);

    store::Table& table_;
    QLabel* status_;
    QProgressBar* bar_;
    QPushButton *reindex_, *cancel_, *help_;
    QString error_;
};

// "Rebuild System Indexes": the six system tables of sysdata, one after the other.
class TRebuildSystemIndexes : public QDialog {
    Q_OBJECT
public:
    explicit TRebuildSystemIndexes(QWidget* parent = nullptr);

    bool Reindex();
    QStringList Problems() const { return problems_; }

private:
    QLabel* status_;
    QProgressBar* bar_;
    QPushButton *reindex_, *cancel_;
    QStringList problems_;
};

}  // namespace addrova::tools
