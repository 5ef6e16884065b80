#pragma once

// The object dialogs: thin windows over the objects' setters.

#include "GMultiLine.h"
#include "LayoutTypes.h"

#include <QDialog>
#include <QStringList>
#include <functional>
#include <optional>

class QComboBox;
class QListWidget;
class QSpinBox;
class QLineEdit;
class QPlainTextEdit;
class QCheckBox;
class QRadioButton;
class QLabel;
class QFileSystemModel;
class QTreeView;
class QListView;

namespace addrova::layout {

class TGBaseLabel;
class TGPLabel;

// "Select Field": a list of display labels; the preselected entry is current, else the first.
class TFieldSelectionBox : public QDialog {
    Q_OBJECT
public:
    TFieldSelectionBox(const QStringList& labels, const QString& current, QWidget* parent = nullptr);
    QString chosen() const;
    QListWidget* list() const { return list_; }

private:
    QListWidget* list_;
};

// Offers the fields of the record source that `offered` accepts in "Select Field"; on a choice sets
// name and display label and returns true.
bool ChooseDataField(RecordSource* records, const std::function<bool(const RecordField&)>& offered, QString& name,
                     QString& descript);

// "Text": one edit "Enter Text".
class TGetLabelText : public QDialog {
    Q_OBJECT
public:
    explicit TGetLabelText(const QString& text, QWidget* parent = nullptr);
    QString text() const;
    QLineEdit* edit() const { return edit_; }

private:
    QLineEdit* edit_;
};

struct CounterSettings {
    int startingNumber = 1, repeatEach = 1, leadingZeros = 0;
    QString textBefore, textAfter;
};

// "Counter".
class TGetCounter : public QDialog {
    Q_OBJECT
public:
    explicit TGetCounter(const CounterSettings& s, QWidget* parent = nullptr);
    CounterSettings settings() const;
    QSpinBox *start, *repeat, *zeros;
    QLineEdit *before, *after;
};

// "Symbol Selector": the characters 32 to 255 in the object's font.
class TGetSymbol : public QDialog {
    Q_OBJECT
public:
    TGetSymbol(const LayoutFont& font, int code, QWidget* parent = nullptr);
    LayoutFont font() const { return font_; }
    int code() const;  // the chosen character code
    // The font's description: name, size, "pt ", and "Bold " or "Italic ".
    static QString describeFont(const LayoutFont& f);
    QListWidget* list() const { return list_; }

private:
    void showFont();
    LayoutFont font_;
    QListWidget* list_;
    QLabel* fontLabel_;
};

// "Text 3D Effects": a live sample that takes every change.
class TGFont3DEffects : public QDialog {
    Q_OBJECT
public:
    explicit TGFont3DEffects(const TGBaseLabel& source, QWidget* parent = nullptr);
    ~TGFont3DEffects() override;
    // Copies the sample's font, depths, directions and colours to the object.
    void applyTo(TGBaseLabel& target) const;
    TGBaseLabel& sample() const;
    QComboBox *shadowDir, *highlightDir, *shadowDepth, *highlightDepth, *shadowColour, *highlightColour, *fontColour;

private:
    class SampleView;
    QObject* sampleHost_;
    TGPLabel* sample_;
    SampleView* view_;
};

// "Multi-line Text Editor": at most 254 characters.
class TMultiLineTextEditor : public QDialog {
    Q_OBJECT
public:
    TMultiLineTextEditor(const QStringList& lines, const LayoutFont& font, QWidget* parent = nullptr);
    QStringList lines() const;
    QPlainTextEdit* edit() const { return edit_; }

private:
    QPlainTextEdit* edit_;
};

// "Address Label Layout".
class TAddressLayout : public QDialog {
    Q_OBJECT
public:
    explicit TAddressLayout(const AddressSwitches& s, QWidget* parent = nullptr);
    AddressSwitches switches() const;
    QCheckBox *name, *title, *org, *street, *street2, *cityState, *zip, *phone, *country, *upper;
    QRadioButton* zipChoice[4];
};

// "Load Image File (BMP/WMF)".
class TGImageBrowser : public QDialog {
    Q_OBJECT
public:
    TGImageBrowser(bool stretch, bool autoSize, QWidget* parent = nullptr);
    QString chosenFile() const { return file_; }
    bool stretch() const;
    bool autoSize() const;
    // Shows a file in the preview; false (and "Error loading file!") when it cannot be read.
    bool preview(const QString& path);
    QCheckBox *stretchBox, *autoSizeBox;

private:
    QString file_;
    QLabel* previewLabel_;
    QFileSystemModel* model_;
    QTreeView* folders_;
    QListView* files_;
    QComboBox* drives_;
};

// Colour dialog over a layout colour; nullopt on Cancel.
std::optional<Colour> chooseColour(Colour initial, QWidget* parent = nullptr);
// Font dialog over a layout font (colour kept); nullopt on Cancel.
std::optional<LayoutFont> chooseLayoutFont(const LayoutFont& initial, QWidget* parent = nullptr);

}  // namespace addrova::layout
