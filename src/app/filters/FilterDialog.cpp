#include "CodePage.h"
#include "Common.h"
#include "FilterWindows.h"
#include "Help.h"

#include <QApplication>
#include <QCheckBox>
#include <QEvent>
#include <QFontMetrics>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QShortcut>
#include <QVBoxLayout>

namespace addrova::filters {

namespace {

// Criterion indexes (criteria()) as the record panel places their edits.
constexpr int kLast = 0, kFirst = 1, kTitle = 2, kOrg = 3, kStreet = 4, kStreet2 = 5, kZip = 6, kCity = 7,
              kState = 8, kCountry = 9, kPhone = 10, kPhone2 = 11, kFax = 12, kEmail = 13, kDate = 14, kCodes = 15,
              kUser1 = 16, kUser2 = 17;

}  // namespace

TAddressFilter::TAddressFilter(QWidget* parent, store::Table& table, FilterState& state, std::string tagId)
    : QDialog(parent), table_(table), state_(state), saved_(state), tagId_(std::move(tagId))
{
    setWindowTitle(QStringLiteral("Address Filter"));
    setObjectName(QStringLiteral("TAddressFilter"));
    const int ch = QFontMetrics(font()).averageCharWidth();

    for (int i = 0; i < kCriteriaCount; ++i) {
        auto* e = new QLineEdit(this);
        e->setObjectName(QString::fromLatin1(criteria()[static_cast<size_t>(i)].fieldExpr));
        e->setText(QString::fromStdString(store::toUtf8(state.criteria[static_cast<size_t>(i)], table.codePage())));
        edits_[static_cast<size_t>(i)] = e;
    }
    auto label = [&](int i) {
        auto* l = new QLabel(QString::fromLatin1(criteria()[static_cast<size_t>(i)].label), this);
        l->setBuddy(edit(i));
        return l;
    };
    auto width = [&](int i, int chars) { edit(i)->setMinimumWidth(chars * ch + 8); };

    // Name strip, as at the top of the record panel.
    auto* names = new QGridLayout;
    const int nameOrder[] = {kLast, kFirst, kTitle, kOrg};
    for (int c = 0; c < 4; ++c) {
        names->addWidget(label(nameOrder[c]), 0, c);
        names->addWidget(edit(nameOrder[c]), 1, c);
        width(nameOrder[c], c < 2 ? 16 : 20);
    }

    // The address page: address and place on the left, phones, codes and comments on the right.
    auto* page = new QGridLayout;
    const int left[] = {kStreet, kStreet2, kCity, kState, kZip, kCountry};
    const int right[] = {kPhone, kPhone2, kFax, kEmail, kCodes, kUser1, kUser2};
    for (int r = 0; r < 6; ++r) {
        page->addWidget(label(left[r]), r, 0);
        page->addWidget(edit(left[r]), r, 1);
        width(left[r], left[r] == kState || left[r] == kZip ? 12 : 30);
    }
    for (int r = 0; r < 7; ++r) {
        page->addWidget(label(right[r]), r, 2);
        page->addWidget(edit(right[r]), r, 3);
        width(right[r], 24);
    }
    page->addWidget(label(kDate), 6, 0);
    page->addWidget(edit(kDate), 6, 1);
    width(kDate, 12);
    dateHint_ = new QLabel(QStringLiteral("(YYYYMMDD)"), this);
    dateHint_->setVisible(false);
    page->addWidget(dateHint_, 7, 1);
    edit(kDate)->installEventFilter(this);

    tagged_ = new QCheckBox(QStringLiteral("Tagged"), this);
    tagged_->setChecked(state.taggedOnly);
    page->addWidget(tagged_, 7, 3);

    auto* hint = new QLabel(
        QStringLiteral("Hint: to look for only part of a value, first type in a $ and then the value to look for. "
                       "As an example, to find all records containing the code letter C in the Codes field, type "
                       "in $C. Right click on any field or press HELP for more helpful tips"),
        this);
    hint->setWordWrap(true);

    result_ = new QLabel(this);
    result_->setObjectName(QStringLiteral("ResultLabel"));
    result_->setMinimumWidth(20 * ch);
    auto* test = new QPushButton(QStringLiteral("Test"), this);
    auto* clear = new QPushButton(QStringLiteral("Clear"), this);
    auto* ok = new QPushButton(QStringLiteral("Ok"), this);
    auto* cancel = new QPushButton(QStringLiteral("Cancel"), this);
    // The hint sends the user to HELP: the button and F1 open the filter's help page.
    auto* helpButton = new QPushButton(QStringLiteral("Help"), this);
    helpButton->setObjectName(QStringLiteral("HelpButton"));
    helpButton->setAutoDefault(false);
    connect(helpButton, &QPushButton::clicked, this, [] { help::ShowHelp(help::TopicFilter); });
    auto* f1 = new QShortcut(QKeySequence::HelpContents, this);
    connect(f1, &QShortcut::activated, helpButton, &QPushButton::click);
    test->setObjectName(QStringLiteral("TestButton"));
    clear->setObjectName(QStringLiteral("ClearButton"));
    ok->setObjectName(QStringLiteral("OkButton"));
    cancel->setObjectName(QStringLiteral("CancelButton"));
    ok->setDefault(true);
    connect(test, &QPushButton::clicked, this, &TAddressFilter::TestButtonClick);
    connect(clear, &QPushButton::clicked, this, &TAddressFilter::ClearButtonClick);
    connect(ok, &QPushButton::clicked, this, &TAddressFilter::OkButtonClick);
    connect(cancel, &QPushButton::clicked, this, &TAddressFilter::CancelButtonClick);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(result_, 1);
    buttons->addWidget(test);
    buttons->addWidget(clear);
    buttons->addWidget(ok);
    buttons->addWidget(cancel);
    buttons->addWidget(helpButton);

    auto* root = new QVBoxLayout(this);
    root->addLayout(names);
    root->addSpacing(6);
    root->addLayout(page);
    root->addWidget(hint);
    root->addLayout(buttons);

    adjustSize();
    ui::CenterOverMain(this);
}

bool TAddressFilter::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == edit(kDate) && (event->type() == QEvent::FocusIn || event->type() == QEvent::FocusOut))
        dateHint_->setVisible(event->type() == QEvent::FocusIn);
    return QDialog::eventFilter(watched, event);
}

void TAddressFilter::TestButtonClick()
{
    result_->setText(QStringLiteral("Searching..."));
    result_->repaint();
    for (int i = 0; i < kCriteriaCount; ++i)
        state_.criteria[static_cast<size_t>(i)] = store::fromUtf8(edit(i)->text().toStdString(), table_.codePage());
    state_.taggedOnly = tagged_->isChecked();
    const uint32_t count = ApplyFilter(table_, state_, tagId_);
    tested_ = true;
    result_->setText(state_.isSet() ? QString::number(count) + QStringLiteral(" matches")
                                    : QStringLiteral("No filter set"));
}

void TAddressFilter::ClearButtonClick()
{
    for (QLineEdit* e : edits_)
        e->clear();
    tagged_->setChecked(false);
    TestButtonClick();
}

void TAddressFilter::OkButtonClick()
{
    TestButtonClick();
    accept();
}

void TAddressFilter::CancelButtonClick()
{
    state_ = saved_;
    if (tested_)
        ApplyFilter(table_, state_, tagId_);
    QDialog::reject();
}

}  // namespace addrova::filters
