#pragma once

#include "Export.h"

#include <QDialog>

class QCheckBox;
class QLabel;
class QProgressBar;
class QPushButton;
class QRadioButton;
class QWidget;

namespace addrova::exchange {

// "Copy Records Out": the selected records of the open address file, in its order, to a new table
// or to a text file.
class TCopyOut : public QDialog {
    Q_OBJECT
public:
    TCopyOut(store::Table& table, const std::string& openPath, QWidget* parent = nullptr);

    void SetKind(ExportKind kind);  // resets the target to "(none)"
    void SetRfc4180(bool on);
    // After the save dialog: a path ("" when cancelled); the copy runs at once when it is accepted.
    void ChooseTarget(const QString& path);
    QString TargetText() const;
    bool Copying() const { return copying_; }
    const LoopSummary& Result() const { return result_; }
    void CancelClick();

protected:
    void reject() override;

private:
    void saveAs();
    void DoTheCopyMan(const QString& path);

    store::Table& table_;
    std::string openPath_;
    QRadioButton *dbf_, *text_;
    QCheckBox* rfc_;
    QLabel *target_, *copying_label_;
    QWidget *setup_, *progress_;
    QProgressBar* gauge_;
    QPushButton *saveAs_, *cancel_;
    QString lastDir_;
    bool copying_ = false, stop_ = false;
    LoopSummary result_;
};

}  // namespace addrova::exchange
