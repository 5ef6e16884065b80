#pragma once

// "Report Designer": the header, detail, memo and footer bands of one report with their tools,
// use boxes and sizers, the record buttons, and "Report Layout" (page, margins, band frames).

#include "ReportStore.h"

#include <QDialog>
#include <memory>
#include <string>

class QAction;
class QActionGroup;
class QCheckBox;
class QComboBox;
class QDoubleSpinBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QRadioButton;
class QSpinBox;
class QTabWidget;
class QWidget;

namespace addrova::store {
class Table;
}
namespace addrova::layout {
class TReportPanel;
class THRuler;
class TableRecordSource;
}

namespace addrova::reports {

class BandSizer;

class TReportDesigner : public QDialog {
    Q_OBJECT
public:
    TReportDesigner(store::Table& address, std::string tagId, std::string shortDateFormat, QWidget* parent = nullptr);
    ~TReportDesigner() override;

    ReportBands Bands();
    void SetDefinition(const ReportDefinition& def);
    // The description typed, the layout name shown and the settings (valid after Save).
    ReportDefinition Definition() const;
    bool Saved() const { return saved_; }

    layout::TReportPanel* HeaderBand() const { return bands_[0]; }
    layout::TReportPanel* DetailBand() const { return bands_[1]; }
    layout::TReportPanel* FooterBand() const { return bands_[2]; }
    QPlainTextEdit* MemoBox() const { return memo_; }
    QCheckBox* UseBox(int band) const { return use_[band]; }  // 0 header, 1 detail, 2 memo, 3 footer
    QLineEdit* DescriptionEdit() const { return description_; }
    QAction* Tool(const QString& name) const;
    const ReportSettings& Settings() const { return s_; }

    void SaveButtonClick();
    void ChangeLayoutClick();
    void ToolChosen(QAction* tool);
    void LayOut();
    void MoveRecord(int how);  // 0 first, 1 previous, 2 next, 3 last
    // Dragging the sizer below band `band` by dy screen pixels from its height at the press.
    void DragSizer(int band, int startHeight, int dy, bool released);

    // Tests: the layout dialog instead of its modal loop (returns true for Save).
    std::function<bool(class TReportProperties&)> propertiesShown;

protected:
    void showEvent(QShowEvent* e) override;
    void done(int r) override;

private:
    int bandHeight(int band) const;
    void setBandHeight(int band, int h);
    void rebuildFontCaption();
    void refreshMemo();

    store::Table& address_;
    std::unique_ptr<layout::TableRecordSource> records_;
    ReportSettings s_;
    QString layoutName_;
    QString binary_;
    bool saved_ = false;
    bool activated_ = false;
    bool dragging_ = false;
    QLineEdit* description_;
    QLabel* layoutLabel_;
    QPushButton* fontButton_;
    QActionGroup* tools_;
    QAction *grid_, *snap_, *names_;
    QWidget* page_;
    layout::THRuler* ruler_;
    layout::TReportPanel* bands_[3];
    QPlainTextEdit* memo_;
    QWidget* caption_[4];
    QCheckBox* use_[4];
    QPushButton* memoProps_;
    BandSizer* sizer_[4];
};

// "Report Layout": works on a copy of the settings.
class TReportProperties : public QDialog {
    Q_OBJECT
public:
    TReportProperties(const ReportSettings& settings, int ppi, QWidget* parent = nullptr);
    ReportSettings Result() const;
    QString LayoutNameChosen() const;
    void DefaultsClick();
    QDoubleSpinBox* Margin(int i) const { return margins_[i]; }  // left, top, right, bottom
    QRadioButton* Landscape() const { return landscape_; }
    QRadioButton* A4() const { return a4_; }
    QTabWidget* Tabs() const { return tabs_; }
    // The miniature: paper and band areas at 20 pixels an inch.
    QImage Miniature() const;
    // A click on the miniature at a point of its picture: a band area opens its tab, the paper the
    // page tab.
    void MiniatureClicked(QPoint at);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void load(const ReportSettings& s);
    void changed();
    void bandAreas(const ReportSettings& s, QRect areas[4], QSize& paper) const;

    ReportSettings s_;
    int ppi_;
    QTabWidget* tabs_;
    QRadioButton *portrait_, *landscape_, *letter_, *a4_;
    QDoubleSpinBox* margins_[4];
    struct FrameControls {
        QCheckBox *top, *left, *bottom, *right;
        QSpinBox* width;
        QSpinBox* shade;
        QComboBox* colour;
    } frames_[4];
    QLabel* picture_;
};

}  // namespace addrova::reports
