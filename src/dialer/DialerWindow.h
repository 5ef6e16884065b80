#pragma once

#include "Settings.h"

#include <QString>

class QWidget;

namespace addrova::dialer {

// The "Dial Phone Number" window, modal, for one number as stored in the record (PHONE for
// "Dial Phone 1", PHONE2 for "Dial Phone 2"). The prefix, initialisation string, port and method
// come from section Dialing of the settings and are saved there on each "Dial". The window stays
// open for another call until "Cancel".
void OpenDialer(QWidget* parent, const QString& numberToDial);
void OpenDialer(QWidget* parent, const QString& numberToDial, app::ProfileFile ini);

}  // namespace addrova::dialer
