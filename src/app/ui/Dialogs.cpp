#include "Dialogs.h"

#include "Common.h"
#include "ProgramDir.h"
#include "Wiring.h"

#include <QCalendarWidget>
#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFileInfo>
#include <QFormLayout>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QVBoxLayout>

namespace addrova::ui {

namespace {

struct LengthRow {
    const char* field;
    const char* label;
};
const LengthRow kLengthRows[] = {
    {"FNAME", "First Name"},   {"LNAME", "Last Name"},    {"PREFIX", "Prefix"},       {"TITLE", "Title"},
    {"ORG", "Organization"},   {"STREET", "Address #1"},  {"STREET2", "Address #2"},  {"CITY", "City"},
    {"STATE", "State"},        {"ZIP", "Zip/Postal"},     {"COUNTRY", "Country"},     {"PHONE", "Phone #1"},
    {"PHONE2", "Phone #2"},    {"FAX", "Fax"},            {"EMAIL", "E-Mail"},        {"CODES", "Codes"},
    {"USER1", "Comments #1"},  {"USER2", "Comments #2"},
};

// A line edit that reports when it loses the focus.
class LeaveEdit : public QLineEdit {
public:
    std::function<void()> onLeave;
    using QLineEdit::QLineEdit;

protected:
    void focusOutEvent(QFocusEvent* e) override
    {
        QLineEdit::focusOutEvent(e);
        if (onLeave)
            onLeave();
    }
};

}  // namespace

// ---------------------------------------------------------------------------------------------

TSpecifyFieldLengths::TSpecifyFieldLengths(store::FieldWidths& widths, QWidget* parent)
    : QDialog(parent), widths_(widths)
{
    setObjectName(QStringLiteral("TSpecifyFieldLengths"));
    setWindowTitle(QStringLiteral("Specify Field Lengths"));
    auto* grid = new QGridLayout;
    int i = 0;
    for (const auto& row : kLengthRows) {
        if (!widths_.count(row.field))
            continue;
        auto* e = new LeaveEdit;
        e->setObjectName(QStringLiteral("edt") + QString::fromLatin1(row.field));
        e->setMaxLength(3);
        e->setText(QString::number(widths_[row.field]));
        fallback_[row.field] = widths_[row.field];
        const std::string f = row.field;
        e->onLeave = [this, f] { checkEdit(f); };
        edits_[row.field] = e;
        auto* l = new QLabel(QString::fromLatin1(row.label));
        l->setBuddy(e);
        grid->addWidget(l, i % 9, (i / 9) * 2);
        grid->addWidget(e, i % 9, (i / 9) * 2 + 1);
        ++i;
    }
    auto* note = new QLabel(QStringLiteral("NOTE: Minimum size = 10 characters\nMaximum size = 80 characters"));
    saveAll_ = new QCheckBox(QStringLiteral("Use these settings for all new databases"));
    auto* ok = new QPushButton(QStringLiteral("Ok"));
    auto* cancel = new QPushButton(QStringLiteral("Cancel"));
    auto* defaults = new QPushButton(QStringLiteral("Defaults"));
    auto* help = new QPushButton(QStringLiteral("Help"));
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &TSpecifyFieldLengths::OkButtonClick);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(defaults, &QPushButton::clicked, this, &TSpecifyFieldLengths::DefaultsButtonClick);
    connect(help, &QPushButton::clicked, this, [] { OpenHelp(1043); });
    auto* buttons = new QHBoxLayout;
    for (QPushButton* b : {ok, cancel, defaults, help})
        buttons->addWidget(b);
    auto* v = new QVBoxLayout(this);
    v->addLayout(grid);
    v->addWidget(note);
    v->addWidget(saveAll_);
    v->addLayout(buttons);
    adjustSize();
    CenterOverMain(this);
}

bool TSpecifyFieldLengths::saveForAll() const { return saveAll_->isChecked(); }

void TSpecifyFieldLengths::checkEdit(const std::string& field)
{
    QLineEdit* e = edits_.at(field);
    bool ok = false;
    const int n = e->text().trimmed().toInt(&ok);
    if (!ok || n < 10 || n > 80)
        e->setText(QString::number(fallback_[field]));
}

void TSpecifyFieldLengths::DefaultsButtonClick()
{
    const store::FieldWidths reset = store::resetWidths();
    for (auto& [field, e] : edits_) {
        auto it = reset.find(field);
        if (it == reset.end())
            continue;
        widths_[field] = it->second;
        fallback_[field] = it->second;
        e->setText(QString::number(it->second));
    }
}

void TSpecifyFieldLengths::OkButtonClick()
{
    for (auto& [field, e] : edits_) {
        checkEdit(field);
        bool ok = false;
        const int n = e->text().trimmed().toInt(&ok);
        if (ok)
            widths_[field] = n;
    }
    accept();
}

// ---------------------------------------------------------------------------------------------

TCreateNewDatabase::TCreateNewDatabase(const QString& dataDir, QWidget* parent)
    : QDialog(parent), dataDir_(dataDir), widths_(app::NewFileWidths())
{
    setObjectName(QStringLiteral("TCreateNewDatabase"));
    setWindowTitle(QStringLiteral("Create new database"));
    name_ = new QLineEdit(proposeNewFileName(dataDir));
    name_->setObjectName(QStringLiteral("edtName"));
    name_->setMaxLength(8);
    invalid_ = new QLabel(QStringLiteral(
        "Invalid name. Must start with A..Z, followed by A..Z,0..9 or \"_\" (underscore)"));
    invalid_->setWordWrap(true);
    ok_ = new QPushButton(QStringLiteral("Ok [PgDn]"));
    ok_->setDefault(true);
    auto* cancel = new QPushButton(QStringLiteral("Cancel"));
    auto* lengths = new QPushButton(QStringLiteral("Specify Field Lengths"));
    auto* help = new QPushButton(QStringLiteral("Help"));
    connect(name_, &QLineEdit::textChanged, this, &TCreateNewDatabase::nameChanged);
    connect(ok_, &QPushButton::clicked, this, &TCreateNewDatabase::OkButtonClick);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(lengths, &QPushButton::clicked, this, &TCreateNewDatabase::FieldLengthsButtonClick);
    connect(help, &QPushButton::clicked, this, [] { OpenHelp(1037); });
    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("File name"), name_);
    auto* buttons = new QHBoxLayout;
    for (QPushButton* b : {ok_, cancel, lengths, help})
        buttons->addWidget(b);
    auto* v = new QVBoxLayout(this);
    v->addLayout(form);
    v->addWidget(invalid_);
    v->addLayout(buttons);
    nameChanged();
    adjustSize();
    CenterOverMain(this);
}

QString TCreateNewDatabase::name() const { return name_->text(); }

void TCreateNewDatabase::nameChanged()
{
    const bool valid = validFileIdentifier(name_->text());
    ok_->setEnabled(valid);
    invalid_->setVisible(!valid);
}

void TCreateNewDatabase::FieldLengthsButtonClick()
{
    TSpecifyFieldLengths dlg(widths_, this);
    if (dlg.exec() == QDialog::Accepted && dlg.saveForAll()) {
        try {
            app::SaveNewFileWidths(widths_);
        } catch (const std::runtime_error& e) {
            ShowError(QString::fromStdString(e.what()));
        }
    }
}

void TCreateNewDatabase::OkButtonClick()
{
    if (!validFileIdentifier(name_->text()))
        return;
    if (QFileInfo::exists(dataDir_ + name_->text() + QStringLiteral(".DBF"))) {
        ShowInfo(QStringLiteral("That file already exists.Please select another name"));
        return;
    }
    accept();
}

// ---------------------------------------------------------------------------------------------

TNewRecordDialog::TNewRecordDialog(bool askNames, bool askZip, int lastWidth, int firstWidth, int zipWidth,
                                   QWidget* parent)
    : QDialog(parent), askNames_(askNames), askZip_(askZip)
{
    setObjectName(QStringLiteral("TNewRecordDialog"));
    setWindowTitle(QStringLiteral("New Record"));
    last_ = new QLineEdit;
    first_ = new QLineEdit;
    zip_ = new QLineEdit;
    last_->setObjectName(QStringLiteral("edtLast"));
    first_->setObjectName(QStringLiteral("edtFirst"));
    zip_->setObjectName(QStringLiteral("edtZip"));
    if (lastWidth > 0)
        last_->setMaxLength(lastWidth);
    if (firstWidth > 0)
        first_->setMaxLength(firstWidth);
    if (zipWidth > 0)
        zip_->setMaxLength(zipWidth);
    auto* form = new QFormLayout;
    // With only the ZIP asked for, it stands where the last name would.
    if (askNames_) {
        form->addRow(QStringLiteral("Last Name"), last_);
        form->addRow(QStringLiteral("First Name"), first_);
    } else {
        last_->hide();
        first_->hide();
    }
    if (askZip_)
        form->addRow(QStringLiteral("Zip Code or Postal Code"), zip_);
    else
        zip_->hide();
    for (QLineEdit* e : {last_, first_, zip_})
        e->installEventFilter(this);
    auto* ok = new QPushButton(QStringLiteral("Ok [PgDn]"));
    auto* help = new QPushButton(QStringLiteral("Help"));
    auto* cancel = new QPushButton(QStringLiteral("Cancel"));
    ok->setAutoDefault(false);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    connect(help, &QPushButton::clicked, this, [] { OpenHelp(1042); });
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    auto* buttons = new QHBoxLayout;
    for (QPushButton* b : {ok, help, cancel})
        buttons->addWidget(b);
    auto* v = new QVBoxLayout(this);
    v->addLayout(form);
    v->addLayout(buttons);
    adjustSize();
    CenterOverMain(this);
    (askNames_ ? last_ : zip_)->setFocus();
}

NewRecordInput TNewRecordDialog::input() const
{
    NewRecordInput in;
    if (askZip_) {
        in.zipEntered = !zip_->text().trimmed().isEmpty();
        in.zip = zip_->text();
    }
    if (askNames_) {
        in.namesEntered = true;
        in.first = first_->text();
        in.last = last_->text();
    }
    return in;
}

void TNewRecordDialog::keyPressEvent(QKeyEvent* e)
{
    if (e->key() == Qt::Key_PageDown) {
        accept();
        return;
    }
    QDialog::keyPressEvent(e);
}

bool TNewRecordDialog::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::KeyPress) {
        auto* k = static_cast<QKeyEvent*>(event);
        if (k->key() == Qt::Key_PageDown) {
            accept();
            return true;
        }
        if (k->key() == Qt::Key_Return || k->key() == Qt::Key_Enter) {
            if (watched == zip_ || (watched == first_ && !askZip_)) {
                accept();
            } else {
                focusNextChild();
            }
            return true;
        }
    } else if (event->type() == QEvent::FocusOut && watched == first_ && !askZip_ && isVisible() &&
               static_cast<QFocusEvent*>(event)->reason() == Qt::TabFocusReason) {
        // Leaving the first name by Tab when there is no ZIP to ask confirms.
        QMetaObject::invokeMethod(this, &QDialog::accept, Qt::QueuedConnection);
    }
    return QDialog::eventFilter(watched, event);
}

// ---------------------------------------------------------------------------------------------

TDatePicker::TDatePicker(const QDate& start, QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("TDatePicker"));
    setWindowTitle(QStringLiteral("Select a Date"));
    calendar_ = new QCalendarWidget;
    calendar_->setSelectedDate(start.isValid() ? start : QDate::currentDate());
    long_ = new QLabel;
    connect(calendar_, &QCalendarWidget::selectionChanged, this, &TDatePicker::showLong);
    auto* nav = new QHBoxLayout;
    auto add = [&](const char* caption, auto fn) {
        auto* b = new QPushButton(QString::fromLatin1(caption));
        b->setAutoDefault(false);
        connect(b, &QPushButton::clicked, this, fn);
        nav->addWidget(b);
    };
    add("Year-", [this] { shift(-1, 0); });
    add("Month-", [this] { shift(0, -1); });
    add("Today", [this] { setDate(QDate::currentDate()); });
    add("Month +", [this] { shift(0, 1); });
    add("Year+", [this] { shift(1, 0); });
    auto* ok = new QPushButton(QStringLiteral("Ok"));
    auto* cancel = new QPushButton(QStringLiteral("Cancel"));
    auto* none = new QPushButton(QStringLiteral("No Date"));
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, [this] {
        outcome_ = Chosen;
        accept();
    });
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(none, &QPushButton::clicked, this, &TDatePicker::NoDateButtonClick);
    auto* buttons = new QHBoxLayout;
    for (QPushButton* b : {ok, cancel, none})
        buttons->addWidget(b);
    auto* v = new QVBoxLayout(this);
    v->addLayout(nav);
    v->addWidget(calendar_);
    v->addWidget(long_);
    v->addLayout(buttons);
    showLong();
    adjustSize();
    CenterOverMain(this);
}

QDate TDatePicker::date() const { return calendar_->selectedDate(); }
void TDatePicker::setDate(const QDate& d) { calendar_->setSelectedDate(d); }

void TDatePicker::NoDateButtonClick()
{
    outcome_ = NoDate;
    accept();
}

void TDatePicker::shift(int years, int months) { setDate(date().addYears(years).addMonths(months)); }

void TDatePicker::showLong() { long_->setText(QLocale().toString(date(), QLocale::LongFormat)); }

// ---------------------------------------------------------------------------------------------

TCopyToClipboard::TCopyToClipboard(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("TCopyToClipboard"));
    setWindowTitle(QStringLiteral("Copy To Clipboard"));
    const char* captions[5] = {"Name, Organization, Title", "Address", "Phone Numbers", "Codes", "Comments 1 && 2"};
    auto* v = new QVBoxLayout(this);
    for (int i = 0; i < 5; ++i) {
        boxes_[i] = new QCheckBox(QString::fromLatin1(captions[i]));
        boxes_[i]->setChecked(true);
        v->addWidget(boxes_[i]);
    }
    auto* bb = new QDialogButtonBox;
    auto* ok = bb->addButton(QStringLiteral("Ok"), QDialogButtonBox::AcceptRole);
    bb->addButton(QStringLiteral("Cancel"), QDialogButtonBox::RejectRole);
    ok->setDefault(true);
    connect(bb, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(bb, &QDialogButtonBox::rejected, this, &QDialog::reject);
    v->addWidget(bb);
    adjustSize();
    CenterOverMain(this);
}

ClipboardGroups TCopyToClipboard::groups() const
{
    return {boxes_[0]->isChecked(), boxes_[1]->isChecked(), boxes_[2]->isChecked(), boxes_[3]->isChecked(),
            boxes_[4]->isChecked()};
}

}  // namespace addrova::ui
