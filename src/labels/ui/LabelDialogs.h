#pragma once

// The layout geometry screens: "Label Layout" (catalogue or hand entry), "Select Label Template"
// (the stock catalogue) and the geometry editor "User Defined Label Layout".

#include "LabelStock.h"

#include <QDialog>
#include <QString>
#include <vector>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QRadioButton;
class QSpinBox;

namespace addrova::store {
class Table;
}

namespace addrova::labels {

class TChooseLabelLayout : public QDialog {
    Q_OBJECT
public:
    enum Choice { Cancelled, FromCatalogue, ByHand };
    explicit TChooseLabelLayout(QWidget* parent = nullptr);
    Choice choice() const;
    QRadioButton* presetButton() const { return preset_; }
    QRadioButton* manualButton() const { return manual_; }
    // Shows the dialog; the choice, or Cancelled.
    static Choice Ask(QWidget* parent);

private:
    QRadioButton* preset_;
    QRadioButton* manual_;
};

class TSelectLabel : public QDialog {
    Q_OBJECT
public:
    // stock: LBLTPL.DBF, open and in its DESCRIPT order. The other values are the layout's.
    TSelectLabel(store::Table& stock, std::string tplDescrip, std::string printer, std::string manufac,
                 std::string prodType, bool reset, QWidget* parent = nullptr);

    QComboBox* manufacturerCombo() const { return manufacturer_; }
    QComboBox* productCombo() const { return product_; }
    QCheckBox* europeanCheck() const { return european_; }
    QListWidget* stockList() const { return list_; }
    QPushButton* okButton() const { return ok_; }
    std::string query() const { return query_; }
    uint32_t matching() const { return matching_; }
    // The read-outs beside the list: height, width, across, down, sheet width, sheet depth.
    QString readout(int i) const;

    // On first showing (tests call it directly).
    void FormActivate();
    void ApplyFilter();

protected:
    void showEvent(QShowEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;

private:
    void fillList();
    void rowChanged(int row);
    void showCurrent();

    store::Table& stock_;
    std::string tplDescrip_, printer_, manufac_, prodType_;
    bool reset_;
    bool activated_ = false, filling_ = false;
    std::string query_;
    uint32_t matching_ = 0;
    std::vector<uint32_t> recnos_;
    QComboBox* manufacturer_;
    QComboBox* product_;
    QCheckBox* european_;
    QListWidget* list_;
    QLabel* values_[6];
    QPushButton* ok_;
};

// The hand-entered geometry: ten numbers, paper code and shape code.
struct LabelEditValues {
    LabelGeometry geometry;
    std::string paperSize, lblShape;
};

class TLabelEdit : public QDialog {
    Q_OBJECT
public:
    enum Field { LabelHeight, LabelWidth, TopMargin, LeftMargin, HorizPitch, VertPitch, PaperWidth, PaperHeight };
    explicit TLabelEdit(QWidget* parent = nullptr);
    // The edits lose their focus while the dialog is taken down; their signals must not reach it then.
    ~TLabelEdit() override;

    void setValues(const LabelEditValues& v) { in_ = v; }
    // The values after Ok.
    const LabelEditValues& values() const { return out_; }

    QLineEdit* edit(Field f) const { return edits_[f]; }
    QSpinBox* acrossSpin() const { return across_; }
    QSpinBox* downSpin() const { return down_; }
    QComboBox* paperCombo() const { return paper_; }
    QComboBox* shapeCombo() const { return shape_; }
    QRadioButton* inchesButton() const { return inches_; }
    QRadioButton* mmButton() const { return mm_; }

    void FormActivate();
    void UseInchesClick();
    void UseMillimetersClick();
    void PaperChange(int index);
    void LabelWidthExit();
    void LabelHeightExit();
    // Takes the values and checks them; false (after the message) keeps the editor open.
    bool OkClick();

protected:
    void showEvent(QShowEvent* e) override;

private:
    double valueOf(Field f) const;
    bool millimetres_ = false;
    bool activated_ = false;
    LabelEditValues in_, out_;
    QLineEdit* edits_[8];
    QSpinBox* across_;
    QSpinBox* down_;
    QComboBox* paper_;
    QComboBox* shape_;
    QRadioButton* inches_;
    QRadioButton* mm_;
};

}  // namespace addrova::labels
