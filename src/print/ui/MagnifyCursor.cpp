#include "MagnifyCursor.h"

#include <QPainter>
#include <QPixmap>

namespace addrova::print {

QCursor MagnifyCursor()
{
    QPixmap pm(32, 32);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    // Handle, drawn with a white rim so that it shows on dark pages too.
    p.setPen(QPen(Qt::white, 6, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(18, 18), QPointF(28, 28));
    p.setPen(QPen(Qt::black, 4, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(18, 18), QPointF(28, 28));
    // Lens.
    p.setPen(QPen(Qt::white, 4));
    p.setBrush(QColor(255, 255, 255, 90));
    p.drawEllipse(QPointF(11, 11), 8, 8);
    p.setPen(QPen(Qt::black, 2));
    p.drawEllipse(QPointF(11, 11), 8, 8);
    p.end();
    return QCursor(pm, 11, 11);
}

}  // namespace addrova::print
