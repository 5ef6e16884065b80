#include "RecordChoice.h"

#include "Table.h"

#include <QCheckBox>
#include <QRadioButton>
#include <QVBoxLayout>

namespace addrova::print {

RecordScope::~RecordScope()
{
    try {
        Restore();
    } catch (...) {
        // The table stays where it is; nothing else to undo.
    }
}

void RecordScope::Apply(RecordChoice choice, bool startFromCurrent, const std::function<void(const QString&)>& info)
{
    if (!saved_) {
        savedRec_ = t_.eof() ? 0 : t_.recNo();
        savedQuery_ = t_.selection();
        savedOrder_ = t_.order();
        savedExact_ = t_.exact();
        saved_ = true;
    }
    if (choice == RecordChoice::All)
        t_.setSelection("NOT ISDEL");
    else if (choice == RecordChoice::OnlyCurrent)
        t_.setSelection("Recno()=" + std::to_string(savedRec_));

    if (!startFromCurrent) {
        t_.goTop();
        return;
    }
    bool inRange = savedRec_ > 0 && t_.go(savedRec_) && !t_.eof();
    if (inRange && t_.hideDeleted() && t_.deleted())
        inRange = false;
    if (inRange && !t_.selection().empty())
        inRange = t_.test(t_.selection());
    if (!inRange) {
        if (info)
            info(QString::fromLatin1(kOutOfRange));
        t_.goTop();
    }
}

void RecordScope::Restore()
{
    if (!saved_)
        return;
    saved_ = false;
    t_.setSelection(savedQuery_);
    t_.setOrder(savedOrder_);
    t_.setExact(savedExact_);
    if (savedRec_ > 0)
        t_.go(savedRec_);
}

TRecordChoicePanel::TRecordChoicePanel(bool filterSet, QWidget* parent)
    : QGroupBox(QStringLiteral("What to Print"), parent)
{
    setObjectName(QStringLiteral("WhatToPrintPanel"));
    layout_ = new QVBoxLayout(this);
    all_ = new QRadioButton(QStringLiteral("All records"), this);
    all_->setObjectName(QStringLiteral("rbQAll"));
    filter_ = new QRadioButton(QStringLiteral("Records matching filter"), this);
    filter_->setObjectName(QStringLiteral("rbQFilter"));
    only_ = new QRadioButton(QStringLiteral("Only current record"), this);
    only_->setObjectName(QStringLiteral("rbOnlyThis"));
    start_ = new QCheckBox(QStringLiteral("Start from current record"), this);
    start_->setObjectName(QStringLiteral("StartCurrentCheck"));
    for (QAbstractButton* b : {static_cast<QAbstractButton*>(all_), static_cast<QAbstractButton*>(filter_),
                               static_cast<QAbstractButton*>(only_), static_cast<QAbstractButton*>(start_)}) {
        layout_->addWidget(b);
        connect(b, &QAbstractButton::clicked, this, &TRecordChoicePanel::choiceClicked);
    }
    filter_->setChecked(true);
    if (!filterSet) {
        filter_->setEnabled(false);
        all_->setChecked(true);
    }
}

RecordChoice TRecordChoicePanel::choice() const
{
    return all_->isChecked() ? RecordChoice::All : only_->isChecked() ? RecordChoice::OnlyCurrent : RecordChoice::Filter;
}

bool TRecordChoicePanel::startFromCurrent() const { return start_->isChecked(); }

void TRecordChoicePanel::setChoice(RecordChoice c)
{
    (c == RecordChoice::All ? all_ : c == RecordChoice::OnlyCurrent ? only_ : filter_)->setChecked(true);
}

}  // namespace addrova::print
