#pragma once

// The concrete design panels: a label, an envelope, a report band. Each knows its placing tools
// (PanelState) and creates the tool's object when a rectangle is dragged out in placing mode.

#include "Gdatapnl.h"

#include <QString>
#include <array>

namespace addrova::layout {

// Widens a placing band narrower than 25 to 50 and heightens one lower than 15 to 15, keeping its
// top-left corner.
QRect placementRect(const QRect& band);

class TGLabelPanel : public TGDataPanel {
    Q_OBJECT
public:
    enum State {
        psPointing, psLabel, psCounterLabel, psSymbolLabel, psDataLabel, psMultiLineLabel, psMultiLineDataLabel,
        psAddressLabel, psRectangle, psEllipse, psRoundRectangle, psLine, psImage, psPostNetBarCode, psIMBarCode
    };
    explicit TGLabelPanel(QWidget* parent = nullptr);
    ~TGLabelPanel() override;
    int PanelState() const { return state_; }
    void setPanelState(int s);
    void PlaceObject(const QRect& rect) override;

private:
    int state_ = psPointing;
};

// The USPS automation zones of an envelope of W x H (zoomed) design units.
struct UspsZone {
    QString caption;
    QRect rect;        // from its top-left to its bottom-right corner (exclusive)
    QPoint captionAt;  // the caption's top-left corner
};
std::array<UspsZone, 4> uspsZones(int W, int H, float zoom, int ppi);
// The printable area guide: Trunc of the unzoomed page geometry times the zoom.
QRect marginGuide(int left, int top, int right, int bottom, int pageWidth, int pageHeight, float zoom);

class TEnvelopePanel : public TGDataPanel {
    Q_OBJECT
public:
    enum State {
        psPointing, psLabel, psDataLabel, psMultiLineLabel, psAddressLabel, psRectangle, psEllipse,
        psRoundRectangle, psLine, psImage, psPostNetBarCode, psFIMBarCode, psIMBarCode
    };
    explicit TEnvelopePanel(QWidget* parent = nullptr);
    ~TEnvelopePanel() override;
    int PanelState() const { return state_; }
    void setPanelState(int s);
    void PlaceObject(const QRect& rect) override;

    bool showUSPSTemplate() const { return usps_; }
    void setShowUSPSTemplate(bool on);
    bool showMargins() const { return margins_; }
    void setShowMargins(bool on);
    // The printer's page in design units at zoom 1.0 (each Trunc(inches x ppi)).
    void setPrinterGeometry(int left, int top, int bottom, int right, int pageWidth, int pageHeight);

protected:
    void paintPanel(QPainter& p) override;

private:
    int state_ = psPointing;
    bool usps_ = false, margins_ = false;
    int mLeft_ = 0, mTop_ = 0, mBottom_ = 0, mRight_ = 0, pageW_ = 0, pageH_ = 0;
};

enum class ReportPanelKind { rpkHeader, rpkDetail, rpkMemo, rpkFooter };

class TReportPanel : public TGDataPanel {
    Q_OBJECT
public:
    enum State {
        psPointing, psLabel, psDataLabel, psMultiLineDataLabel, psLine, psImage, psDateTime, psPageNumber,
        psSymbolLabel, psRectangle, psEllipse, psRoundRectangle
    };
    explicit TReportPanel(QWidget* parent = nullptr);
    ~TReportPanel() override;
    int PanelState() const { return state_; }
    void setPanelState(int s);
    ReportPanelKind PAnelKind() const { return kind_; }
    void setPAnelKind(ReportPanelKind k) { kind_ = k; }
    bool bandEnabled() const { return bandEnabled_; }
    void setBandEnabled(bool e) { bandEnabled_ = e; }
    // The message that refuses a tool in this band, or "" when the band takes it.
    QString refusal(int state) const;

    void PlaceObject(const QRect& rect) override;
    void ObjectMouseDown(TGGraphicControl* o, Qt::MouseButton button, Qt::KeyboardModifiers mods, int x,
                         int y) override;
    void PanelMouseDown(Qt::MouseButton button, Qt::KeyboardModifiers mods, QPoint p) override;
    void ClampObjects() override;
    void PurgeObjects() override;

signals:
    void ControlMouseDownEvent(TReportPanel* sender);

private:
    int state_ = psPointing;
    ReportPanelKind kind_ = ReportPanelKind::rpkDetail;
    bool bandEnabled_ = true;
};

}  // namespace addrova::layout
