#include "Help.h"

#include "Common.h"

#include <QDialog>
#include <QDialogButtonBox>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace addrova::help {

void ShowAbout(QWidget* parent)
{
    QDialog box(parent);
    box.setObjectName(QStringLiteral("TAboutBox"));
    box.setWindowTitle(QStringLiteral("About"));
    auto* name = new QLabel(QStringLiteral("<h2>Addrova</h2>"), &box);
    name->setObjectName(QStringLiteral("ProductName"));
    auto* version = new QLabel(VersionText(), &box);
    version->setObjectName(QStringLiteral("Version"));
    auto* what = new QLabel(QStringLiteral("Mailing lists, labels, envelopes, letters and reports"), &box);
    auto* buttons = new QDialogButtonBox(&box);
    QPushButton* ok = buttons->addButton(QStringLiteral("OK"), QDialogButtonBox::AcceptRole);
    ok->setDefault(true);
    QObject::connect(ok, &QPushButton::clicked, &box, &QDialog::accept);
    auto* layout = new QVBoxLayout(&box);
    for (QLabel* l : {name, version, what}) {
        l->setAlignment(Qt::AlignHCenter);
        layout->addWidget(l);
    }
    layout->addWidget(buttons);
    box.adjustSize();
    ui::CenterOverMain(&box);
    box.exec();
}

}  // namespace addrova::help
