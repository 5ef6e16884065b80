#include "Common.h"
#include "FilterWindows.h"

#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

namespace addrova::filters {

TSearchForm::TSearchForm(QWidget* parent, const QStringList& orderNames, const QString& currentOrder)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("TSearchForm"));
    setWindowTitle(QStringLiteral("Search"));
    label_ = new QLabel(QStringLiteral("&Search for"), this);
    edit_ = new QLineEdit(this);
    label_->setBuddy(edit_);
    auto* orderLabel = new QLabel(QStringLiteral("Search &Order"), this);
    orders_ = new QListWidget(this);
    orderLabel->setBuddy(orders_);
    orders_->addItems(orderNames);
    for (int i = 0; i < orders_->count(); ++i)
        if (orders_->item(i)->text().compare(currentOrder, Qt::CaseInsensitive) == 0)
            orders_->setCurrentRow(i);
    if (orders_->currentRow() < 0 && orders_->count() > 0)
        orders_->setCurrentRow(0);
    connect(orders_, &QListWidget::itemClicked, this, &TSearchForm::OrderListClick);
    connect(orders_, &QListWidget::itemActivated, this, &TSearchForm::OrderListClick);

    auto* box = new QDialogButtonBox(this);
    QPushButton* ok = box->addButton(QStringLiteral("Ok"), QDialogButtonBox::AcceptRole);
    box->addButton(QStringLiteral("Cancel"), QDialogButtonBox::RejectRole);
    ok->setDefault(true);
    connect(box, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(box, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* root = new QVBoxLayout(this);
    root->addWidget(label_);
    root->addWidget(edit_);
    root->addWidget(orderLabel);
    root->addWidget(orders_);
    root->addWidget(box);
    resize(320, 360);
    edit_->setFocus();
    ui::CenterOverMain(this);
}

QString TSearchForm::text() const { return edit_->text(); }

QString TSearchForm::orderName() const
{
    return orders_->currentItem() ? orders_->currentItem()->text() : QString();
}

void TSearchForm::OrderListClick()
{
    label_->setText(QStringLiteral("Search ") + orderName() + QStringLiteral(" starting with..."));
    edit_->setFocus();
}

}  // namespace addrova::filters
