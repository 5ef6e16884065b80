#pragma once

// The windows behind Filters.h. Thin: the work is in FilterCore.h and BrowseModel.h.

#include "BrowseModel.h"
#include "Filters.h"

#include <QDialog>
#include <QElapsedTimer>

#include <array>
#include <cstdint>
#include <optional>

class QCheckBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QProgressBar;
class QPushButton;
class QTableView;

namespace addrova::filters {

// "Address Filter": one edit per criterion, the "Tagged" box, Test, Clear, Ok and Cancel.
class TAddressFilter : public QDialog {
    Q_OBJECT
public:
    TAddressFilter(QWidget* parent, store::Table& table, FilterState& state, std::string tagId);

    QLineEdit* edit(int criterion) const { return edits_[static_cast<size_t>(criterion)]; }
    QCheckBox* taggedBox() const { return tagged_; }
    QLabel* resultLabel() const { return result_; }
    bool tested() const { return tested_; }

public slots:
    void TestButtonClick();
    void ClearButtonClick();
    void OkButtonClick();
    void CancelButtonClick();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void reject() override { CancelButtonClick(); }

private:
    store::Table& table_;
    FilterState& state_;
    FilterState saved_;
    std::string tagId_;
    std::array<QLineEdit*, kCriteriaCount> edits_{};
    QCheckBox* tagged_ = nullptr;
    QLabel* result_ = nullptr;
    QLabel* dateHint_ = nullptr;
    bool tested_ = false;
};

// The texts of a TTaggingForm; the defaults are those of tagging all records.
struct TaggingTexts {
    QString caption = QStringLiteral("Tagging");
    QString heading = QStringLiteral("Tagging Records");
    QString counterSuffix = QStringLiteral(" tagged");
    QString cancelQuestion = QStringLiteral("Cancel Tagging?");  // empty: Cancel stops at once
    QString cancelCaption = QStringLiteral("CANCEL");
    QString complete = QStringLiteral("Complete");
    QString cancelled = QStringLiteral("Cancelled before completion");
};

// "12,345 records tagged." (numbers grouped as the locale groups them; "1 record tagged.").
QString taggedCountText(uint32_t tagged);

// The window of a long loop over records: a heading, a counter, an optional progress bar and
// "Cancel" (with a confirming question when one is given); at the end a closing text and "Ok".
// Serves tagging all records, the duplicates tool, the state and ZIP check and the memo search.
class TTaggingForm : public QDialog {
    Q_OBJECT
public:
    using Texts = TaggingTexts;
    explicit TTaggingForm(QWidget* parent, Texts texts = Texts(), uint32_t total = 0);

    // Shows the window (application modal) before the loop starts.
    void start();
    // After each record: the counter, pending window messages; false once a Cancel was confirmed.
    bool keepGoing(uint32_t done);
    bool cancelRequested() const { return cancelled_; }
    // The end: closing text, "Cancel" hidden, "Ok" shown; waits for "Ok". The counter line then
    // reads how many records were tagged when that is given, else it is cleared.
    void finish(bool cancelled, std::optional<uint32_t> tagged = std::nullopt);
    // The end without "Ok": the window closes.
    void dismiss();

    QLabel* headingLabel() const { return heading_; }
    QLabel* counterLabel() const { return counter_; }
    QPushButton* cancelButton() const { return cancel_; }
    QPushButton* okButton() const { return ok_; }

public slots:
    void CancelButtonClick();

protected:
    void closeEvent(QCloseEvent* event) override;
    void reject() override;

private:
    Texts texts_;
    uint32_t total_;
    QLabel* heading_ = nullptr;
    QLabel* counter_ = nullptr;
    QProgressBar* bar_ = nullptr;
    QPushButton* cancel_ = nullptr;
    QPushButton* ok_ = nullptr;
    bool cancelled_ = false;
    bool finished_ = false;
    bool asking_ = false;
    QElapsedTimer shown_;
    qint64 lastPaint_ = -1;
};

// "Search": the text and the order to search in.
class TSearchForm : public QDialog {
    Q_OBJECT
public:
    TSearchForm(QWidget* parent, const QStringList& orderNames, const QString& currentOrder);
    QString text() const;
    QString orderName() const;
    QLineEdit* edit() const { return edit_; }
    QListWidget* orders() const { return orders_; }
    QLabel* label() const { return label_; }

public slots:
    void OrderListClick();

private:
    QLabel* label_ = nullptr;
    QLineEdit* edit_ = nullptr;
    QListWidget* orders_ = nullptr;
};

// "Address Browse": the selection in a grid.
class TAddressBrowse : public QDialog {
    Q_OBJECT
public:
    TAddressBrowse(QWidget* parent, store::Table& table, FilterState& state, std::string tagId, bool printingFields,
                   Refresh refresh);

    BrowseModel* model() const { return model_; }
    QTableView* grid() const { return grid_; }
    // The field order as it stands (the shown columns in their visual order).
    std::vector<std::string> currentFieldOrder() const;
    // Writes FIELDS.LST and the placement; done when the window closes.
    void saveLayout();

public slots:
    void FirstButtonClick();
    void PriorButtonClick();
    void NextButtonClick();
    void LastButtonClick();
    void TagButtonClick();
    // Closing: FIELDS.LST and the placement are written.
    void done(int result) override;

private:
    void moveTo(int row);

    store::Table& table_;
    FilterState& state_;
    std::string tagId_;
    Refresh refresh_;
    BrowseModel* model_ = nullptr;
    QTableView* grid_ = nullptr;
    bool saved_ = false;
};

// The path of the browse column file.
std::string FieldListPath();

}  // namespace addrova::filters
