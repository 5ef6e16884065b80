#include "RebuildWindows.h"

#include "AddressFile.h"
#include "Common.h"
#include "Error.h"
#include "ProgramDir.h"
#include "SystemTables.h"
#include "Table.h"

#include <QCoreApplication>

#include <algorithm>
#include <QFileInfo>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

namespace addrova::tools {

namespace {

QProgressBar* makeBar(QWidget* parent)
{
    auto* bar = new QProgressBar(parent);
    bar->setRange(0, 100);
    bar->setValue(0);
    bar->setVisible(false);
    return bar;
}

// Events run while the engine works, so the window repaints; its buttons are hidden by then.
void pump() { QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents); }

}  // namespace

TRebuildIndexes::TRebuildIndexes(store::Table& table, QWidget* parent) : QDialog(parent), table_(table)
{
    setWindowTitle(QStringLiteral("Rebuild indexes for ") +
                   QFileInfo(QString::fromStdString(table.isOpen() ? table.path() : std::string())).fileName());
    status_ = new QLabel(QStringLiteral("Rebuilding removes the records marked deleted and builds every index again."),
                         this);
    status_->setWordWrap(true);
    bar_ = makeBar(this);
    reindex_ = new QPushButton(QStringLiteral("Reindex"), this);
    cancel_ = new QPushButton(QStringLiteral("Cancel"), this);
    help_ = new QPushButton(QStringLiteral("Help"), this);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(reindex_);
    buttons->addWidget(cancel_);
    buttons->addWidget(help_);
    auto* lay = new QVBoxLayout(this);
    lay->addWidget(status_);
    lay->addWidget(bar_);
    lay->addLayout(buttons);
    reindex_->setDefault(true);
    connect(cancel_, &QPushButton::clicked, this, &QDialog::reject);
    connect(help_, &QPushButton::clicked, this, [] {});
    help_->setVisible(false);  // the help window is opened by the main window's Help menu
    connect(reindex_, &QPushButton::clicked, this, [this] {
        if (Reindex())
            accept();
        else
            reject();
    });
    resize(420, sizeHint().height());
}

void TRebuildIndexes::showProgress(int percent)
{
    bar_->setValue(std::clamp(percent, 0, 100));
    pump();
}

bool TRebuildIndexes::Reindex()
{
    if (!table_.isOpen()) {
        ui::ShowInfo(QStringLiteral("You need to have a database file open first"));
        return false;
    }
    QGuiApplication::setOverrideCursor(Qt::WaitCursor);
    cancel_->setVisible(false);
    help_->setVisible(false);
    reindex_->setEnabled(false);
    bar_->setVisible(true);
    status_->setText(QStringLiteral("Cleaning out old deleted records"));
    pump();
    bool packing = true;
    bool ok = true;
    try {
        store::rebuildAddressIndexes(
            table_, [this](int p) { showProgress(p); },
            [this, &packing](int p) {
                if (packing) {
                    packing = false;
                    status_->setText(QStringLiteral("Rebuilding indexes"));
                }
                showProgress(p);
            });
    } catch (const store::Error& e) {
        error_ = QString::fromStdString(e.what());
        ok = false;
    }
    bar_->setVisible(false);
    QGuiApplication::restoreOverrideCursor();
    if (!ok)
        ui::ShowError(error_);
    return ok;
}

TRebuildSystemIndexes::TRebuildSystemIndexes(QWidget* parent) : QDialog(parent)
{
    setWindowTitle(QStringLiteral("Rebuild System Indexes"));
    status_ = new QLabel(QStringLiteral("Rebuild the indexes of the letter, label, envelope, report, label stock "
                                        "and state tables?"),
                         this);
    status_->setWordWrap(true);
    bar_ = makeBar(this);
    reindex_ = new QPushButton(QStringLiteral("Reindex"), this);
    cancel_ = new QPushButton(QStringLiteral("Cancel"), this);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(reindex_);
    buttons->addWidget(cancel_);
    auto* lay = new QVBoxLayout(this);
    lay->addWidget(status_);
    lay->addWidget(bar_);
    lay->addLayout(buttons);
    reindex_->setDefault(true);
    connect(cancel_, &QPushButton::clicked, this, &QDialog::reject);
    connect(reindex_, &QPushButton::clicked, this, [this] {
        Reindex();
        accept();
    });
    resize(420, sizeHint().height());
}

bool TRebuildSystemIndexes::Reindex()
{
    reindex_->setVisible(false);
    cancel_->setVisible(false);
    bar_->setVisible(true);
    QGuiApplication::setOverrideCursor(Qt::WaitCursor);
    problems_.clear();
    std::vector<std::string> problems;
    try {
        app::PrepareProgramDir();
        problems = store::rebuildSystemIndexes(
            app::SysdataDir(),
            [this](const std::string& text) {
                status_->setText(QString::fromStdString(text));
                bar_->setValue(0);
                pump();
            },
            [this](int p) {
                bar_->setValue(std::clamp(p, 0, 100));
                pump();
            });
    } catch (const std::exception& e) {
        problems.push_back(e.what());
    }
    QGuiApplication::restoreOverrideCursor();
    for (const auto& p : problems)
        problems_ << QString::fromStdString(p);
    if (!problems_.isEmpty())
        ui::ShowError(problems_.join(QLatin1Char('\n')));
    return problems_.isEmpty();
}

}  // namespace addrova::tools
