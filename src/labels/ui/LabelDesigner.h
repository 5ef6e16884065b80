#pragma once

// The label designer as the "Print Labels" window drives it. The designer's module registers a
// factory; until one is registered, New and Modify report that the designer is unavailable.

#include "LabelStock.h"

#include <functional>
#include <memory>
#include <string>

class QWidget;

namespace addrova::store {
class Table;
}
namespace addrova::layout {
class RecordSource;
class TGLabelPanel;
}

namespace addrova::labels {

struct LabelDesignerContext {
    QWidget* parent = nullptr;
    layout::RecordSource* records = nullptr;  // the address file's current record
    store::Table* address = nullptr;
    store::Table* layouts = nullptr;  // LABEL.DBF
    std::string sysdataDir;
};

class LabelDesigner {
public:
    virtual ~LabelDesigner() = default;
    // The design panel; the caller loads it before Execute and saves it after a Save.
    virtual layout::TGLabelPanel& Panel() = 0;
    // Description, geometry and codes of the layout; isNew makes the designer add an address block.
    virtual void SetLayout(const LabelSetup& setup, bool isNew) = 0;
    // After Save: the description (at most 50 characters), geometry and codes.
    virtual LabelSetup Layout() const = 0;
    // Shows the designer modally; true when it closed with Save.
    virtual bool Execute() = 0;
};

using LabelDesignerFactory = std::function<std::unique_ptr<LabelDesigner>(const LabelDesignerContext&)>;

void RegisterLabelDesigner(LabelDesignerFactory factory);
const LabelDesignerFactory& RegisteredLabelDesigner();

inline constexpr const char* kDesignerUnavailable = "The label designer is not available in this version.";

}  // namespace addrova::labels
