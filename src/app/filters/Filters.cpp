#include "Filters.h"

#include "CodePage.h"
#include "Common.h"
#include "FilterWindows.h"
#include "ProgramDir.h"

#include <QApplication>
#include <QFileDialog>
#include <QFileInfo>
#include <QGuiApplication>
#include <QInputDialog>
#include <QThread>

#include <stdexcept>

namespace addrova::filters {

namespace {

class WaitCursor {
public:
    WaitCursor() { QGuiApplication::setOverrideCursor(Qt::WaitCursor); }
    ~WaitCursor() { QGuiApplication::restoreOverrideCursor(); }
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;
};

QString fromTable(const store::Table& table, const std::string& text)
{
    return QString::fromStdString(store::toUtf8(text, table.codePage()));
}

// True when no record of the selection is left; the current record stays current.
bool selectionEmpty(store::Table& table)
{
    if (!table.eof() && !(table.hideDeleted() && table.deleted()) &&
        (table.selection().empty() || table.test(table.selection())))
        return false;
    const uint32_t here = table.recNo();
    const bool empty = !table.goTop();
    table.go(here);
    return empty;
}

}  // namespace

uint32_t ApplyFilter(store::Table& table, FilterState& state, const std::string& tagId)
{
    FilterResult r;
    {
        WaitCursor wait;
        r = applyFilterTo(table, state, tagId);
    }
    if (r.outcome == FilterOutcome::TooComplex)
        ui::ShowInfo(QString::fromLatin1(kTooComplexMessage));
    else if (r.outcome == FilterOutcome::Invalid)
        ui::ShowInfo(QStringLiteral("This filter cannot be used. Please check it.\n\n") +
                     QString::fromStdString(r.problem));
    return r.count;
}

void ClearFilter(store::Table& table, FilterState& state, const std::string& tagId)
{
    state.clear();
    ApplyFilter(table, state, tagId);
    table.goTop();
}

bool ShowFilterDialog(QWidget* parent, store::Table& table, FilterState& state, const std::string& tagId)
{
    TAddressFilter dlg(parent, table, state, tagId);
    return dlg.exec() == QDialog::Accepted;
}

bool SaveFilterTo(const QString& chosen, const FilterState& state)
{
    const FilterFileName name = filterSaveName(chosen.toStdString());
    if (!name.refusal.empty()) {
        ui::ShowInfo(QString::fromStdString(name.refusal));
        return false;
    }
    const QString path = QString::fromStdString(name.path);
    if (QFileInfo::exists(path) &&
        !ui::AskYesNoDefaultNo(path + QStringLiteral(" already exists.\nDo you want to overwrite it?"),
                               QStringLiteral("Warning!")))
        return false;
    try {
        writeFilterFile(name.path, state.criteria);
    } catch (const std::runtime_error& e) {
        ui::ShowInfo(QString::fromStdString(e.what()));
        return false;
    }
    return true;
}

bool SaveFilterAs(QWidget* parent, const FilterState& state, const QString& startDir)
{
    QFileDialog dlg(parent, QStringLiteral("Save Filter"), startDir.isEmpty() ? QString::fromStdString(app::ProgramDir()) : startDir,
                    QStringLiteral("Filter files (*.FLT)"));
    dlg.setAcceptMode(QFileDialog::AcceptSave);
    dlg.setDefaultSuffix(QStringLiteral("FLT"));
    dlg.setOption(QFileDialog::DontConfirmOverwrite);
    if (dlg.exec() != QDialog::Accepted || dlg.selectedFiles().isEmpty())
        return false;
    return SaveFilterTo(dlg.selectedFiles().first(), state);
}

bool RestoreFilterFrom(const QString& chosen, store::Table& table, FilterState& state, const std::string& tagId)
{
    const std::string refusal = filterRestoreRefusal(chosen.toStdString());
    if (!refusal.empty()) {
        ui::ShowInfo(QString::fromStdString(refusal));
        return false;
    }
    if (!QFileInfo::exists(chosen)) {
        ui::ShowInfo(QStringLiteral("File ") + chosen + QStringLiteral(" not found"));
        return false;
    }
    try {
        state.criteria = readFilterFile(chosen.toStdString());
    } catch (const std::runtime_error& e) {
        ui::ShowInfo(QString::fromStdString(e.what()));
        return false;
    }
    ApplyFilter(table, state, tagId);
    return true;
}

bool RestoreFilter(QWidget* parent, store::Table& table, FilterState& state, const std::string& tagId,
                   const QString& startDir)
{
    QFileDialog dlg(parent, QStringLiteral("Restore Filter"),
                    startDir.isEmpty() ? QString::fromStdString(app::ProgramDir()) : startDir,
                    QStringLiteral("Filter Files (*.flt *.FLT)"));
    dlg.setAcceptMode(QFileDialog::AcceptOpen);
    dlg.setFileMode(QFileDialog::ExistingFile);
    if (dlg.exec() != QDialog::Accepted || dlg.selectedFiles().isEmpty())
        return false;
    return RestoreFilterFrom(dlg.selectedFiles().first(), table, state, tagId);
}

bool ToggleTag(store::Table& table, FilterState& state, const std::string& tagId, bool editing)
{
    const bool tagged = toggleTag(table, tagId, editing);
    if (!editing && selectionEmpty(table))
        ApplyFilter(table, state, tagId);
    return tagged;
}

std::string ClearTags(store::Table& table, FilterState& state)
{
    std::string id;
    try {
        // The id changes once a second: a clear within the second the old id was made waits for
        // the next one, so that the marks really become stale.
        const std::string old = app::GlobalTagId();
        id = app::NewGlobalTagId();
        for (int i = 0; id == old && i < 25; ++i) {
            QThread::msleep(50);
            id = app::NewGlobalTagId();
        }
    } catch (const std::runtime_error& e) {
        ui::ShowInfo(QString::fromStdString(e.what()));
        return app::GlobalTagId();
    }
    ApplyFilter(table, state, id);
    return id;
}

uint32_t TagAllFilterMatches(QWidget* parent, store::Table& table, const std::string& tagId)
{
    if (!ui::AskYesNo(QStringLiteral("Tag all records matching filter?"), QStringLiteral("TAG ALL")))
        return 0;
    TTaggingForm form(parent, TTaggingForm::Texts(), table.countSelected());
    form.start();
    LoopResult r;
    bool failed = false;
    try {
        r = tagAllRecords(table, tagId, [&](uint32_t done) {
            r.done = done;  // kept when a later record fails
            return form.keepGoing(done);
        });
    } catch (const store::Error& e) {
        failed = true;
        ui::ShowError(QString::fromStdString(e.what()));
        try {
            table.cancel();
            table.goTop();
        } catch (const store::Error&) {
        }
    }
    form.finish(r.cancelled || failed, r.done);
    return r.done;
}

bool ShowSearchDialog(QWidget* parent, store::Table& table, const QStringList& orderNames,
                      const QString& currentOrder, const std::function<void(const QString&)>& setOrder)
{
    TSearchForm dlg(parent, orderNames, currentOrder);
    if (dlg.exec() != QDialog::Accepted || dlg.text().isEmpty())
        return false;
    if (setOrder)
        setOrder(dlg.orderName());
    try {
        if (!searchByOrder(table, store::fromUtf8(dlg.text().toStdString(), table.codePage())))
            ui::ShowInfo(searchNotFoundText(dlg.orderName(), dlg.text()));
    } catch (const store::Error& e) {
        ui::ShowError(QString::fromStdString(e.what()));
    }
    return true;
}

QString searchNotFoundText(const QString& orderName, const QString& text)
{
    return QStringLiteral("No record has a ") + orderName + QStringLiteral(" starting with \"") + text +
           QStringLiteral("\".");
}

bool RunMemoSearch(QWidget* parent, store::Table& table, MemoSearch& search, bool fromNext)
{
    if (search.text.empty())
        return false;
    TTaggingForm::Texts texts;
    texts.caption = QStringLiteral("Searching");
    texts.heading = QStringLiteral("Searching for: ") + fromTable(table, search.text);
    texts.counterSuffix.clear();
    texts.cancelQuestion.clear();
    TTaggingForm form(parent, texts);
    form.start();
    MemoSearchResult r;
    try {
        r = searchMemos(table, search.text, fromNext, [&] { return form.keepGoing(0); });
    } catch (const store::Error& e) {
        ui::ShowError(QString::fromStdString(e.what()));
    }
    form.dismiss();
    search.found = r.found;
    if (!r.found)
        QApplication::beep();
    return r.found;
}

bool SearchMemo(QWidget* parent, store::Table& table, MemoSearch& search)
{
    QInputDialog dlg(parent);
    dlg.setWindowTitle(QStringLiteral("Memo Search"));
    dlg.setLabelText(QStringLiteral("Search For"));
    dlg.setTextValue(fromTable(table, search.text));
    ui::CenterOverMain(&dlg);
    if (dlg.exec() != QDialog::Accepted)
        return search.found;
    std::string text = store::fromUtf8(dlg.textValue().toStdString(), table.codePage());
    if (text.size() > kMemoSearchTextLimit)
        text.resize(kMemoSearchTextLimit);
    search.text = text;
    search.found = false;
    return RunMemoSearch(parent, table, search, false);
}

bool FindNextMemo(QWidget* parent, store::Table& table, MemoSearch& search)
{
    return RunMemoSearch(parent, table, search, true);
}

void ShowBrowse(QWidget* parent, store::Table& table, FilterState& state, const std::string& tagId,
                bool printingFields, const Refresh& refresh)
{
    {
        TAddressBrowse dlg(parent, table, state, tagId, printingFields, refresh);
        dlg.exec();
    }
    if (refresh)
        refresh();
}

std::string FieldListPath() { return app::SysdataDir() + "FIELDS.LST"; }

}  // namespace addrova::filters
