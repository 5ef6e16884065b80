#include "TCopyOut.h"

#include "Common.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace addrova::exchange {

TCopyOut::TCopyOut(store::Table& table, const std::string& openPath, QWidget* parent)
    : QDialog(parent), table_(table), openPath_(openPath)
{
    setWindowTitle(QStringLiteral("Copy Records Out"));
    auto* lay = new QVBoxLayout(this);
    setup_ = new QWidget(this);
    auto* sl = new QVBoxLayout(setup_);
    sl->setContentsMargins(0, 0, 0, 0);
    auto* kind = new QGroupBox(QStringLiteral("Copy to"), setup_);
    auto* kl = new QVBoxLayout(kind);
    dbf_ = new QRadioButton(QStringLiteral("Copy to a &DBF file"), kind);
    text_ = new QRadioButton(QStringLiteral("Copy to an &ASCII file (comma delimited)"), kind);
    rfc_ = new QCheckBox(QStringLiteral("Standard CSV (RFC 4180)"), kind);
    rfc_->setToolTip(QStringLiteral("UTF-8 with a title line; quotation marks inside values are doubled"));
    kl->addWidget(dbf_);
    kl->addWidget(text_);
    auto* indent = new QHBoxLayout;
    indent->addSpacing(24);
    indent->addWidget(rfc_);
    kl->addLayout(indent);
    dbf_->setChecked(true);
    rfc_->setEnabled(false);
    sl->addWidget(kind);
    auto* row = new QHBoxLayout;
    row->addWidget(new QLabel(QStringLiteral("Copy to file"), setup_));
    target_ = new QLabel(QStringLiteral("(none)"), setup_);
    target_->setFrameShape(QFrame::Panel);
    target_->setFrameShadow(QFrame::Sunken);
    row->addWidget(target_, 1);
    sl->addLayout(row);
    lay->addWidget(setup_);

    progress_ = new QWidget(this);
    auto* pl = new QVBoxLayout(progress_);
    copying_label_ = new QLabel(progress_);
    gauge_ = new QProgressBar(progress_);
    gauge_->setRange(0, 100);
    pl->addWidget(copying_label_);
    pl->addWidget(gauge_);
    progress_->setVisible(false);
    lay->addWidget(progress_);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    saveAs_ = new QPushButton(QStringLiteral("Save As"), this);
    cancel_ = new QPushButton(QStringLiteral("Cancel"), this);
    buttons->addWidget(saveAs_);
    buttons->addWidget(cancel_);
    lay->addLayout(buttons);
    connect(dbf_, &QRadioButton::toggled, this, [this](bool on) {
        if (on)
            SetKind(ExportKind::Dbf);
    });
    connect(text_, &QRadioButton::toggled, this, [this](bool on) {
        if (on)
            SetKind(ExportKind::Text);
    });
    connect(saveAs_, &QPushButton::clicked, this, [this] { saveAs(); });
    connect(cancel_, &QPushButton::clicked, this, &TCopyOut::CancelClick);
    resize(460, sizeHint().height());
}

void TCopyOut::SetKind(ExportKind kind)
{
    (kind == ExportKind::Dbf ? dbf_ : text_)->setChecked(true);
    rfc_->setEnabled(kind == ExportKind::Text);
    target_->setText(QStringLiteral("(none)"));
}

void TCopyOut::SetRfc4180(bool on) { rfc_->setChecked(on); }

QString TCopyOut::TargetText() const { return target_->text(); }

void TCopyOut::saveAs()
{
    const bool dbf = dbf_->isChecked();
    const QString ext = dbf ? QStringLiteral("DBF") : QStringLiteral("TXT");
    QString dir = lastDir_.isEmpty() ? QDir::currentPath() : lastDir_;
    QFileDialog dlg(this, QStringLiteral("Save As"), dir + "/*." + ext,
                    dbf ? QStringLiteral("DBF files (*.DBF *.dbf)") : QStringLiteral("Text files (*.TXT *.txt *.CSV *.csv)"));
    dlg.setAcceptMode(QFileDialog::AcceptSave);
    dlg.setDefaultSuffix(ext);
    // The overwrite question is the window's own.
    dlg.setOption(QFileDialog::DontConfirmOverwrite);
    QString path;
    if (dlg.exec() == QDialog::Accepted && !dlg.selectedFiles().isEmpty()) {
        path = dlg.selectedFiles().first();
        lastDir_ = QFileInfo(path).absolutePath();
    }
    ChooseTarget(path);
}

void TCopyOut::ChooseTarget(const QString& path)
{
    target_->setText(QStringLiteral("(none)"));
    if (path.isEmpty())
        return;
    const ExportKind kind = dbf_->isChecked() ? ExportKind::Dbf : ExportKind::Text;
    const std::string refusal = CheckExportTarget(path.toStdString(), kind, openPath_);
    if (!refusal.empty()) {
        ui::ShowInfo(QString::fromStdString(refusal));
        return;
    }
    if (QFileInfo::exists(path) &&
        !ui::AskYesNoDefaultNo(QString::fromStdString(OverwriteQuestion(path.toStdString())), QStringLiteral("Warning!")))
        return;
    target_->setText(path);
    DoTheCopyMan(path);
}

void TCopyOut::DoTheCopyMan(const QString& path)
{
    setup_->setVisible(false);
    saveAs_->setVisible(false);
    progress_->setVisible(true);
    copying_label_->setText(QStringLiteral("Copying to ") + path);
    copying_ = true;
    stop_ = false;
    LoopHooks h;
    h.gauge = [this](int pct) {
        if (gauge_->value() != pct)
            gauge_->setValue(pct);
        QCoreApplication::processEvents();
    };
    h.stopRequested = [this] { return stop_; };
    TextExportOptions o;
    o.rfc4180 = rfc_->isChecked();
    result_ = dbf_->isChecked() ? CopyDBF(table_, path.toStdString(), h) : CopyASCII(table_, path.toStdString(), o, h);
    copying_ = false;
    if (result_.end == LoopEnd::Error || result_.end == LoopEnd::WriteFailure)
        ui::ShowInfo(QStringLiteral("There was an error copying"));
    accept();
}

void TCopyOut::CancelClick()
{
    if (copying_) {
        if (ui::AskYesNoDefaultNo(QStringLiteral("Cancel copy?"), QStringLiteral("Cancel")))
            stop_ = true;
        return;
    }
    QDialog::reject();
}

void TCopyOut::reject() { CancelClick(); }

}  // namespace addrova::exchange
