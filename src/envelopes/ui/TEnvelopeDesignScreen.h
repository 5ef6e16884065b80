#pragma once

// TEnvelopeDesignScreen, "Envelope Design Screen": one envelope at its real size on an envelope
// panel with the USPS zones and the printer's margin guide, the placing tools, record buttons,
// zoom, the default font and "Change Size". The "Print Envelope" window loads the panel before the
// designer runs and stores it after a Save.

#include "GPanels.h"

#include <QDialog>
#include <array>
#include <memory>

class QButtonGroup;
class QLabel;
class QLineEdit;
class QPushButton;
class QScrollArea;
class QToolButton;

namespace addrova::store {
class Table;
}
namespace addrova::layout {
class RecordSource;
}

namespace addrova::envelopes {

class TEnvelopeDesignScreen : public QDialog {
    Q_OBJECT
public:
    // address: the address file the record buttons move on; records: its data for the panel.
    TEnvelopeDesignScreen(store::Table* address, layout::RecordSource* records, QWidget* parent = nullptr);
    ~TEnvelopeDesignScreen() override;

    layout::TEnvelopePanel& Panel() { return *panel_; }
    void SetDescription(const QString& d);
    QString Description() const;  // at most 50 characters
    // The size code; an unknown code shows a No. 10 envelope and becomes 20.
    void SetCode(int code);
    int Code() const { return code_; }
    // The printer's unprintable margins and page, each Trunc(inches x ppi).
    void SetPrinterGeometry(int left, int top, int right, int bottom, int pageWidth, int pageHeight);
    bool Execute() { return exec() == QDialog::Accepted; }

    // Handlers.
    void FormActivate();
    void ToolClick(int state);
    void ChangeSizeClick();
    void MoveRecord(int how);  // 0 first, 1 prior, 2 next, 3 last
    bool ZoomIn();
    bool ZoomOut();
    void ApplyDefaultFont(const layout::LayoutFont& f);
    void SaveClick();

    QToolButton* toolButton(int state) const { return tools_.at(static_cast<size_t>(state)); }
    QToolButton* toggle(const QString& hint) const;  // "Show grid", "Snap to Grid", ...
    QPushButton* saveButton() const { return save_; }
    QPushButton* changeSizeButton() const { return changeSize_; }
    QPushButton* fontButton() const { return font_; }
    QLabel* zoomLabel() const { return zoomLabel_; }
    QLineEdit* descriptionEdit() const { return description_; }
    bool updating() const { return updating_; }
    int zoomPercent() const;
    // Tests answer "Envelope Size".
    std::function<bool(int&)> sizeDialogOverride;

protected:
    void showEvent(QShowEvent* e) override;
    void done(int r) override;
    bool eventFilter(QObject* watched, QEvent* e) override;

private:
    void ApplySize();
    void ShowSave();
    void ZoomTo(int percent);
    void layoutDesignArea();
    void ShowPosition(QPoint panelPos);

    store::Table* address_;
    int code_ = 20;
    bool updating_ = true;
    bool activated_ = false;
    layout::TEnvelopePanel* panel_;
    QScrollArea* area_;
    QWidget* sheet_;
    QButtonGroup* toolGroup_;
    std::array<QToolButton*, 12> tools_{};
    std::vector<std::pair<QString, QToolButton*>> toggles_;
    QPushButton *changeSize_, *save_, *cancel_, *font_;
    QLabel *zoomLabel_, *leftLabel_, *topLabel_, *size_;
    QLineEdit* description_;
};

// "Default Font: Arial, 10 pt , bold, italic".
QString DefaultFontCaption(const layout::LayoutFont& f);

}  // namespace addrova::envelopes
