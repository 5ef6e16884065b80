#pragma once

#include <QCursor>

namespace addrova::print {

// The "MAGNIFY" cursor: a magnifying glass with its hot spot in the lens.
QCursor MagnifyCursor();

}  // namespace addrova::print
