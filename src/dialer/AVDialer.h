#pragma once

#include "Dialer.h"

#include <QDialog>

class QButtonGroup;
class QLineEdit;
class QPushButton;

namespace addrova::dialer {

// The "Dial Phone Number" window.
class TAVDialer : public QDialog {
    Q_OBJECT
public:
    TAVDialer(const QString& numberToDial, app::ProfileFile ini, QWidget* parent = nullptr);

    QLineEdit* numberEdit() const { return number_; }
    QLineEdit* prefixEdit() const { return prefix_; }
    QLineEdit* initEdit() const { return init_; }
    QButtonGroup* portGroup() const { return port_; }
    QButtonGroup* methodGroup() const { return method_; }
    QPushButton* dialButton() const { return dial_; }

    DialSettings windowSettings() const;
    void DialButtonClick();

protected:
    void showEvent(QShowEvent* event) override;

private:
    void loadSettings();

    app::ProfileFile ini_;
    bool loaded_ = false;
    QLineEdit* number_ = nullptr;
    QLineEdit* prefix_ = nullptr;
    QLineEdit* init_ = nullptr;
    QButtonGroup* port_ = nullptr;
    QButtonGroup* method_ = nullptr;
    QPushButton* dial_ = nullptr;
};

}  // namespace addrova::dialer
