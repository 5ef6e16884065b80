#pragma once

#include "DataSourceAVX.h"
#include "Filters.h"
#include "MainLogic.h"
#include "Preferences.h"
#include "Table.h"

#include <QMainWindow>
#include <QStringList>

#include <functional>
#include <map>
#include <memory>

class QAction;
class QCheckBox;
class QLabel;
class QLineEdit;
class QMenu;
class QPlainTextEdit;
class QPushButton;
class QStackedWidget;
class QTabWidget;
class QToolBar;

namespace addrova::ui {

// The program's main window: the open address file, one record at a time, the menus and buttons.
class TAddressMain : public QMainWindow {
    Q_OBJECT
public:
    explicit TAddressMain(QWidget* parent = nullptr);
    ~TAddressMain() override;

    // The open address file, handed to every window that works on records.
    store::Table& TableAVX() { return table_; }
    DataSourceAVX& DataSource() { return ds_; }
    const QString& openFilePath() const { return openPath_; }
    const QString& currentOrder() const { return currentOrder_; }
    bool editing() const { return ds_.editing(); }
    bool adding() const { return adding_; }

    // Commands: every menu item and tool bar button is a command by name ("mnuOpen", "mnuPrintLabels",
    // "btnLabels", ...). A command without a handler stays disabled; windows built later give theirs.
    QAction* command(const QString& name) const;
    void setCommandHandler(const QString& name, std::function<void()> handler);
    bool hasHandler(const QString& name) const { return handlers_.count(name) != 0; }
    QStringList commandNames() const;

    // The field edit bound to a field ("LNAME", ...), the memo box and the panels.
    QLineEdit* fieldEdit(const char* field) const;
    QPlainTextEdit* memoBox() const { return memo_; }
    QCheckBox* taggedBox() const { return tagged_; }
    QLineEdit* displayDateEdit() const { return displayDate_; }
    QPushButton* button(const QString& name) const;
    QString countPanelText() const;
    bool countPanelVisible() const;
    QString sortPanelText() const;
    bool emptyStateShown() const;
    QString emptyStateText() const;
    QStringList recentlyUsedMenu() const;
    QStringList recentlyUsed() const;
    bool gettingStartedQueued() const { return gettingStartedQueued_; }
    bool startUpDone() const { return startedUp_; }

    // Filter state (built by the filter dialog).
    filters::FilterState& filterState() { return filter_; }
    QString filterExpression() const { return QString::fromStdString(filter_.expression); }
    bool filterSet() const { return filter_.isSet(); }
    bool memoFound() const { return memoSearch_.found; }
    // Sets the engine selection from the filter; the number of records selected (0 without a filter).
    unsigned applyFilter();
    void clearFilter();

    // Files.
    bool openFile(const QString& path);
    bool openRecentlyUsed(const QString& path);
    bool createFile(const QString& name);  // DATA/name.DBF with the settings' widths
    void closeFile();

    void setOrderByName(const QString& name);
    void reselectOrder();

    // Preferences and the tag id.
    void loadPreferences();
    const prefs::AddPreferences& addPreferences() const { return prefs_; }
    const std::string& tagId() const { return ds_.tagId(); }

    // Record commands.
    void firstRecord();
    void priorRecord();
    void nextRecord();
    void lastRecord();
    void editRecord();
    bool saveRecord();
    void cancelRecord();
    void addRecord();
    void deleteRecord();
    void cloneRecord();
    void toggleTag();
    void pickDate();
    // Stores the date typed in the Date box; false (after saying why) when it is no date.
    bool takeTypedDate();
    void copyToClipboard();
    void pageDown(bool ctrl);
    void pageUp(bool ctrl);

    // Typing mode: overwrite while the Insert toggle is off.
    bool insertMode() const { return insertMode_; }
    void setInsertMode(bool on) { insertMode_ = on; }

    void refreshButtons();

protected:
    void showEvent(QShowEvent* e) override;
    void closeEvent(QCloseEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;
    void changeEvent(QEvent* e) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void FormCreate();
    void FormShowFirst();
    void buildMenus();
    void buildRecordPanel();
    void buildBars();
    QAction* addCommand(QMenu* menu, const QString& name, const QString& caption, const QKeySequence& key = {});
    void handle(const QString& name, std::function<void()> fn);
    void run(const QString& name);
    void runTool(const std::function<void()>& tool);
    void setCommandEnabled(const QString& name, bool on);
    void fillRecord();
    void fieldEdited(const char* field, const QString& text);
    void memoEdited();
    void setTabStops(bool adding);
    void rebuildRecentlyUsedMenu();
    void mnuNewClick();
    void mnuOpenClick();
    void mnuPreferencesClick();
    void beginEditing();
    bool cityStateLookup(const QString& zip, QString& city, QString& state);
    bool duplicateCheck(const QString& last, const QString& first);
    void setTitle();
    void emptyState(bool on);
    void navigate(bool ok);
    void step(bool (DataSourceAVX::*move)());
    unsigned selectedCount();

    store::Table table_;
    DataSourceAVX ds_;
    QString openPath_, currentOrder_;
    filters::FilterState filter_;
    prefs::AddPreferences prefs_;
    filters::MemoSearch memoSearch_;
    bool insertMode_ = true;
    bool adding_ = false;
    bool filling_ = false;
    bool firstShown_ = false;
    bool startedUp_ = false;
    bool gettingStartedQueued_ = false;

    std::map<QString, QAction*> commands_;
    std::map<QString, std::function<void()>> handlers_;
    std::map<QString, QPushButton*> buttons_;
    std::map<std::string, QLineEdit*> edits_;
    QMenu* fileMenu_ = nullptr;
    QMenu* editMenu_ = nullptr;
    QMenu* recordMenu_ = nullptr;
    QMenu* sortMenu_ = nullptr;
    QMenu* utilMenu_ = nullptr;
    QMenu* printMenu_ = nullptr;
    QAction* mruSeparator_ = nullptr;
    std::vector<QAction*> mruActions_;
    std::vector<QAction*> sortActions_;
    QStackedWidget* centre_ = nullptr;
    QLabel* emptyLabel_ = nullptr;
    QTabWidget* pages_ = nullptr;
    QPlainTextEdit* memo_ = nullptr;
    QLineEdit* displayDate_ = nullptr;
    QCheckBox* tagged_ = nullptr;
    QLabel* countPanel_ = nullptr;
    QLabel* sortPanel_ = nullptr;
    QToolBar* toolBar_ = nullptr;
};

}  // namespace addrova::ui
