#pragma once

#include "Preferences.h"

#include <QDialog>

#include <map>

class QCheckBox;
class QLineEdit;

namespace addrova::prefs {

// The "Preferences" window. Each option's check box is named after its key; the country edit is
// named "DefaultCountry".
class TPreferences : public QDialog {
    Q_OBJECT
public:
    explicit TPreferences(app::ProfileFile ini, QWidget* parent = nullptr);

    void setPreferences(const AddPreferences& prefs);
    AddPreferences preferences() const;

private:
    void OkButtonClick();

    app::ProfileFile ini_;
    std::map<const BoolOption*, QCheckBox*> boxes_;
    QLineEdit* country_ = nullptr;
};

}  // namespace addrova::prefs
