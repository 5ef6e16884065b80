#include "HRuler.h"

#include <QEvent>
#include <QPainter>
#include <cmath>

namespace addrova::layout {

std::vector<RulerTick> rulerTicks(int ppi, double startInch, int width, int height) {
    std::vector<RulerTick> out;
    int step = ppi / 16;
    if (step <= 0) return out;
    int quarter = height / 4;
    int i = static_cast<int>(std::trunc(startInch * 16));
    for (int x = 0; x < width; x += step, ++i) {
        RulerTick t;
        t.x = x;
        t.bottom = quarter;
        if (i % 8 == 0) t.bottom = 2 * quarter;
        if (i % 16 == 0) {
            t.bottom = height;
            if (i != 0) t.inch = i / 16;
        }
        out.push_back(t);
    }
    return out;
}

THRuler::THRuler(QWidget* parent) : QWidget(parent) {
    ppi_ = logicalDpiX() > 0 ? logicalDpiX() : 96;
    resize(768, 33);
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void THRuler::setColor(Colour c) {
    color_ = c;
    update();
}

void THRuler::setStartInch(double s) {
    startInch_ = s;
    update();
}

void THRuler::setPpi(int p) {
    ppi_ = p;
    update();
}

bool THRuler::setAlignHRuler(RulerAlign a) {
    if (a != RulerAlign::alNone && a != RulerAlign::alTop && a != RulerAlign::alBottom) return false;
    if (parentWidget()) {
        if (align_ == RulerAlign::alNone && a != RulerAlign::alNone) parentWidget()->installEventFilter(this);
        if (align_ != RulerAlign::alNone && a == RulerAlign::alNone) parentWidget()->removeEventFilter(this);
    }
    align_ = a;
    applyAlign();
    return true;
}

void THRuler::applyAlign() {
    QWidget* p = parentWidget();
    if (!p || align_ == RulerAlign::alNone) return;
    int y = align_ == RulerAlign::alTop ? 0 : p->height() - height();
    setGeometry(0, y, p->width(), height());
}

bool THRuler::eventFilter(QObject* watched, QEvent* e) {
    if (watched == parentWidget() && e->type() == QEvent::Resize) applyAlign();
    return QWidget::eventFilter(watched, e);
}

void THRuler::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.fillRect(rect(), toQColor(color_));
    QColor grey(0x80, 0x80, 0x80);
    p.setPen(grey);
    QFont f(QStringLiteral("Small Fonts"));
    f.setPointSize(7);
    p.setFont(f);
    int quarter = height() / 4;
    for (const RulerTick& t : rulerTicks(ppi_, startInch_, width(), height())) {
        p.drawLine(t.x, 1, t.x, t.bottom);
        if (t.inch >= 0)
            p.drawText(QRect(t.x + 3, quarter, 40, height() - quarter), Qt::AlignLeft | Qt::AlignTop,
                       QString::number(t.inch));
    }
}

}  // namespace addrova::layout
