#pragma once

#include "TPrintStatus.h"

namespace addrova::print {

// The status window's texts for a job that prints `what` ("Label", "Report"; empty for any job):
// "Cancel Label Printing?", "Label Print Canceled!", "Label Preview Ready!" and so on; a stopped preview
// names its page.
TPrintStatus::Texts JobStatusTexts(bool preview, const QString& what);

}  // namespace addrova::print
