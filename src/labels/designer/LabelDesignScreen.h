#pragma once

// TLabelDesignScreen, "Label Design Screen": one label of the layout's stock at its real size on a
// label panel, with the placing tools, grid and art toggles, record buttons, zoom, the default font
// and "Change Layout". The "Print Labels" window loads the panel before Execute and stores it after
// a Save; the designer touches neither the layout table nor the layout file.

#include "GPanels.h"
#include "GPanels.h"
#include "LabelDesigner.h"
#include "LabelStock.h"

#include <QDialog>
#include <array>
#include <memory>

class QAbstractButton;
class QButtonGroup;
class QLabel;
class QLineEdit;
class QPushButton;
class QScrollArea;
class QToolButton;

namespace addrova::labels {

class TLabelDesignScreen : public QDialog, public LabelDesigner {
    Q_OBJECT
public:
    explicit TLabelDesignScreen(const LabelDesignerContext& context);
    ~TLabelDesignScreen() override;

    // LabelDesigner.
    layout::TGLabelPanel& Panel() override { return *panel_; }
    void SetLayout(const LabelSetup& setup, bool isNew) override;
    LabelSetup Layout() const override;
    bool Execute() override;

    // Handlers.
    void FormActivate();
    void ToolClick(int state);
    void ChangeLayoutClick();
    void FirstClick();
    void PriorClick();
    void NextClick();
    void LastClick();
    bool ZoomIn();
    bool ZoomOut();
    void DefaultFontClick();
    void ApplyDefaultFont(const layout::LayoutFont& f);
    void SaveClick();
    void CancelClick();
    void ShowArtClick();

    // Controls (tests drive them).
    QToolButton* toolButton(int state) const { return tools_.at(static_cast<size_t>(state)); }
    QToolButton* showGridButton() const { return showGrid_; }
    QToolButton* snapButton() const { return snap_; }
    QToolButton* showArtButton() const { return showArt_; }
    QToolButton* fieldNamesButton() const { return fieldNames_; }
    QToolButton* firstButton() const { return first_; }
    QToolButton* priorButton() const { return prior_; }
    QToolButton* nextButton() const { return next_; }
    QToolButton* lastButton() const { return last_; }
    QToolButton* zoomUpButton() const { return zoomUp_; }
    QToolButton* zoomDownButton() const { return zoomDown_; }
    QPushButton* changeLayoutButton() const { return changeLayout_; }
    QPushButton* saveButton() const { return save_; }
    QPushButton* cancelButton() const { return cancel_; }
    QPushButton* fontButton() const { return font_; }
    QLabel* zoomLabel() const { return zoomLabel_; }
    QLabel* leftReadout() const { return leftLabel_; }
    QLabel* topReadout() const { return topLabel_; }
    QLabel* stockLabel() const { return stock_; }
    QLineEdit* descriptionEdit() const { return description_; }
    QScrollArea* designArea() const { return area_; }
    bool updating() const { return updating_; }
    // The user changed something since the window opened.
    bool changed() const { return changed_; }
    // The geometry and codes as they stand (the description as typed).
    const LabelSetup& setup() const { return setup_; }

protected:
    void showEvent(QShowEvent* e) override;
    void done(int r) override;
    // Cancel, Esc and the close button: a changed layout is saved, dropped or kept open, as asked.
    void reject() override;
    bool eventFilter(QObject* watched, QEvent* e) override;

private:
    QToolButton* makeTool(int state, const QString& hint);
    void PostNetClick();
    void PanelChanged();
    void DroppedObject();
    void ApplyGeometry();
    void DrawArt();
    void EnableArt();
    void ShowStock();
    void ShowSave();
    void MoveRecord(int how);
    void ZoomTo(int percent);
    void ShowPosition(QPoint panelPos);
    void layoutDesignArea();
    void watchKeys(QWidget* w);
    bool catalogueChoice();
    bool handEntry();
    void updateRecordButtons(bool atStart, bool atEnd);

    LabelDesignerContext context_;
    LabelSetup setup_;
    std::unique_ptr<layout::RecordSource> ownRecords_;
    bool isNew_ = false;
    bool updating_ = true;
    bool activated_ = false;
    bool changed_ = false;
    QSize appliedSize_;
    std::string appliedShape_;

    layout::TGLabelPanel* panel_;
    QScrollArea* area_;
    QWidget* sheet_;
    QButtonGroup* toolGroup_;
    std::array<QToolButton*, 15> tools_{};
    QToolButton *showGrid_, *snap_, *showArt_, *fieldNames_;
    QToolButton *first_, *prior_, *next_, *last_;
    QToolButton *zoomUp_, *zoomDown_;
    QPushButton *changeLayout_, *save_, *cancel_, *font_;
    QLabel *zoomLabel_, *leftLabel_, *topLabel_, *stock_;
    QLineEdit* description_;
};

// Registers the designer with the "Print Labels" window (once, at start-up).
void RegisterTheLabelDesigner();

}  // namespace addrova::labels
