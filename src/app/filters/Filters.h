#pragma once

// What the main window calls for filters, tags, searching and browsing. Every entry point works on
// the open address table; Refresh is called after the windows here moved the record or changed tags,
// so that the main window can show the current record and refresh its buttons. Dialogs are modal
// and centred over the main window (addrova::ui::SetMainWindow).

#include "FilterCore.h"

#include <QString>

#include <functional>
#include <string>

class QWidget;

namespace addrova::filters {

using Refresh = std::function<void()>;

// Applies the filter as the main window does: hourglass cursor, "Sorry - filter is too complex..."
// or a message for an expression the engine rejects. Returns the number of records selected, 0 when
// no filter is set (or it was dropped). tagId: the current GlobalTagId.
uint32_t ApplyFilter(store::Table& table, FilterState& state, const std::string& tagId);

// Clearing the filter: state cleared, filter applied (selection "!ISDEL"), first record current.
void ClearFilter(store::Table& table, FilterState& state, const std::string& tagId);

// "Address Filter" dialog. On Ok the dialog's criteria stay in state (already applied); on Cancel
// state is as it was when the dialog opened and applied again. Returns true for Ok. The caller may
// apply the filter again afterwards and refreshes its buttons, as after every filter change.
bool ShowFilterDialog(QWidget* parent, store::Table& table, FilterState& state, const std::string& tagId);

// "&Save Filter": file dialog, .FLT rule, overwrite question, 18 lines written. startDir: the
// directory to start in (the program directory the first time; the caller may remember the last).
// Returns true when a file was written.
bool SaveFilterAs(QWidget* parent, const FilterState& state, const QString& startDir);
// Writes the criteria to a chosen path with the same name rule and question (no file dialog).
bool SaveFilterTo(const QString& chosen, const FilterState& state);
// "&Restore Filter": file dialog, extension rule, criteria read (the flag stays), filter applied.
// Returns true when criteria were restored.
bool RestoreFilter(QWidget* parent, store::Table& table, FilterState& state, const std::string& tagId,
                   const QString& startDir);
bool RestoreFilterFrom(const QString& chosen, store::Table& table, FilterState& state, const std::string& tagId);

// Toggling the current record's tag (record panel check box, browse grid). editing: the main window
// has the record in edit state (then TAG is set in the buffer only). Applies the filter again when
// the selection became empty. Returns true when the record is now tagged.
bool ToggleTag(store::Table& table, FilterState& state, const std::string& tagId, bool editing);

// "Clear &Tags": a new tag id (saved in the settings), the filter applied again. Returns the new id.
std::string ClearTags(store::Table& table, FilterState& state);

// "&Tag All Filter Matches": the "TAG ALL" question, then the "Tagging" window over the selection.
// The caller keeps table events from refreshing its buttons while this runs. Returns the records
// tagged (0 when the question was answered No).
uint32_t TagAllFilterMatches(QWidget* parent, store::Table& table, const std::string& tagId);

// "Search" dialog. orderNames: the sort order names (captions without "&"), currentOrder: the one
// preselected. On Ok with a text, setOrder(name) is called (the main window makes it the current
// order), then the text is sought; when no key begins with it the record stays and a notice says
// what was not found. Returns true when the dialog was confirmed with a text.
bool ShowSearchDialog(QWidget* parent, store::Table& table, const QStringList& orderNames,
                      const QString& currentOrder, const std::function<void(const QString&)>& setOrder);
// The notice of a search that found nothing: No record has a Zip starting with "98".
QString searchNotFoundText(const QString& orderName, const QString& text);

// Memo search. The main window keeps one MemoSearch (the text and the found flag): "Find &Next" is
// shown exactly when found is set; opening a file or starting an edit clears it.
struct MemoSearch {
    std::string text;  // table code page, at most 255 characters
    bool found = false;
};
// "Search &Memo": the "Memo Search" input box, then a search from the first record. Returns found.
bool SearchMemo(QWidget* parent, store::Table& table, MemoSearch& search);
// "Find &Next": the search from the record after the current one. Returns found.
bool FindNextMemo(QWidget* parent, store::Table& table, MemoSearch& search);
// The search itself with its "Searching" window (both of the above end here): from the first record
// or from the one after the current record; beeps when nothing is found. Returns found.
bool RunMemoSearch(QWidget* parent, store::Table& table, MemoSearch& search, bool fromNext);

// "Address Browse": the selection in a grid; the record current when it closes stays current.
// printingFields: the composed name and place fields are switched on (their columns are shown).
// refresh runs after each tag change and when the window closes.
void ShowBrowse(QWidget* parent, store::Table& table, FilterState& state, const std::string& tagId,
                bool printingFields, const Refresh& refresh);

}  // namespace addrova::filters
