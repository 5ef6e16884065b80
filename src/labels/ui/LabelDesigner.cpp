#include "LabelDesigner.h"

namespace addrova::labels {

namespace {
LabelDesignerFactory& factory()
{
    static LabelDesignerFactory f;
    return f;
}
}  // namespace

void RegisterLabelDesigner(LabelDesignerFactory f) { factory() = std::move(f); }
const LabelDesignerFactory& RegisteredLabelDesigner() { return factory(); }

}  // namespace addrova::labels
