#pragma once

// THRuler: the inch ruler above a design panel. Ticks every sixteenth of an inch, longer at the
// half inch, full height with the inch number at each inch.

#include "LayoutTypes.h"

#include <QWidget>
#include <vector>

namespace addrova::layout {

enum class RulerAlign { alNone, alTop, alBottom, alLeft, alRight, alClient };

struct RulerTick {
    int x = 0;
    int bottom = 0;      // the tick runs from y = 1 to bottom
    int inch = -1;       // the number written at (x + 3, height div 4), -1 for none
};
// The ticks of a ruler of the given size whose left end is startInch.
std::vector<RulerTick> rulerTicks(int ppi, double startInch, int width, int height);

class THRuler : public QWidget {
    Q_OBJECT
public:
    explicit THRuler(QWidget* parent = nullptr);

    Colour color() const { return color_; }
    void setColor(Colour c);
    double startInch() const { return startInch_; }
    void setStartInch(double s);
    RulerAlign alignHRuler() const { return align_; }
    // Only alNone, alTop and alBottom are taken; other values are refused (false).
    bool setAlignHRuler(RulerAlign a);
    int ppi() const { return ppi_; }
    void setPpi(int p);

protected:
    void paintEvent(QPaintEvent*) override;
    bool eventFilter(QObject* watched, QEvent* e) override;

private:
    void applyAlign();
    Colour color_ = clYellow;
    double startInch_ = 0;
    RulerAlign align_ = RulerAlign::alNone;
    int ppi_ = 96;
};

}  // namespace addrova::layout
