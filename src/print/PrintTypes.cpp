#include "PrintTypes.h"

#include <QPageSize>
#include <QSizeF>
#include <utility>

namespace addrova::print {

bool PaperCodeSize(int code, double& width, double& height)
{
    if (code <= 0)
        return false;
    const QPageSize::PageSizeId id = QPageSize::id(code);
    if (id == QPageSize::Custom)
        return false;
    const QSizeF s = QPageSize::size(id, QPageSize::Inch);
    width = s.width();
    height = s.height();
    if (width > height)
        std::swap(width, height);
    return true;
}

}  // namespace addrova::print
