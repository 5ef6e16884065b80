#pragma once

#include "AddressFile.h"
#include "MainLogic.h"

#include <QDate>
#include <QDialog>

#include <map>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QCalendarWidget;

namespace addrova::ui {

// "Specify Field Lengths": the widths of a new address file, each 10 to 80.
class TSpecifyFieldLengths : public QDialog {
    Q_OBJECT
public:
    TSpecifyFieldLengths(store::FieldWidths& widths, QWidget* parent = nullptr);
    QLineEdit* edit(const std::string& field) const { return edits_.at(field); }
    bool saveForAll() const;
    void OkButtonClick();
    void DefaultsButtonClick();

private:
    void checkEdit(const std::string& field);

    store::FieldWidths& widths_;
    std::map<std::string, QLineEdit*> edits_;
    std::map<std::string, int> fallback_;
    QCheckBox* saveAll_;
};

// "Create new database": the name of the new file in DATA, and its field widths.
class TCreateNewDatabase : public QDialog {
    Q_OBJECT
public:
    TCreateNewDatabase(const QString& dataDir, QWidget* parent = nullptr);
    QLineEdit* nameEdit() const { return name_; }
    QPushButton* okButton() const { return ok_; }
    QString name() const;
    const store::FieldWidths& widths() const { return widths_; }
    // Opens the field-length dialog; tests call it from a timer to answer it.
    void FieldLengthsButtonClick();
    void OkButtonClick();

private:
    void nameChanged();

    QString dataDir_;
    store::FieldWidths widths_;
    QLineEdit* name_;
    QLabel* invalid_;
    QPushButton* ok_;
};

// "New Record": the names for the duplicate check and the ZIP for the city and state look-up.
class TNewRecordDialog : public QDialog {
    Q_OBJECT
public:
    TNewRecordDialog(bool askNames, bool askZip, int lastWidth, int firstWidth, int zipWidth, QWidget* parent = nullptr);
    QLineEdit* lastEdit() const { return last_; }
    QLineEdit* firstEdit() const { return first_; }
    QLineEdit* zipEdit() const { return zip_; }
    NewRecordInput input() const;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void keyPressEvent(QKeyEvent* e) override;

private:
    bool askNames_, askZip_;
    QLineEdit *last_, *first_, *zip_;
};

// "Select a Date".
class TDatePicker : public QDialog {
    Q_OBJECT
public:
    enum Outcome { Cancelled, Chosen, NoDate };
    explicit TDatePicker(const QDate& start, QWidget* parent = nullptr);
    QDate date() const;
    void setDate(const QDate& d);
    Outcome outcome() const { return outcome_; }
    QLabel* longDateLabel() const { return long_; }
    void NoDateButtonClick();

private:
    void shift(int years, int months);
    void showLong();

    QCalendarWidget* calendar_;
    QLabel* long_;
    Outcome outcome_ = Cancelled;
};

// "Copy To Clipboard": which groups of the record go to the clipboard.
class TCopyToClipboard : public QDialog {
    Q_OBJECT
public:
    explicit TCopyToClipboard(QWidget* parent = nullptr);
    ClipboardGroups groups() const;
    QCheckBox* box(int i) const { return boxes_[i]; }

private:
    QCheckBox* boxes_[5];
};

}  // namespace addrova::ui
