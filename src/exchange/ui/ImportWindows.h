#pragma once

#include "Ascii.h"
#include "DbfImport.h"
#include "MatchGrid.h"

#include <QDialog>

#include <memory>

class QCheckBox;
class QComboBox;
class QLabel;
class QProgressBar;
class QPushButton;
class QTableWidget;
class QVBoxLayout;

namespace addrova::exchange {

// What every import window has: the file name line, buttons, a status line and a gauge, and the loop's
// state (running, stop requested, rebuilding).
class TImportWindow : public QDialog {
    Q_OBJECT
public:
    TImportWindow(store::Table& dest, const QString& caption, const QString& fileCaption, QWidget* parent);

    QString PathText() const;
    QString StatusText() const;
    bool MatchEnabled() const;
    bool ImportEnabled() const;
    bool Running() const { return running_; }
    // Cancel: ignored while the tags are rebuilt, a stop request while importing, else closes.
    void CancelClick();

protected:
    void reject() override;
    LoopHooks hooks();
    void beginRun();
    void endRun();
    void rebuild();
    // The end of a run that imported: the indexes are rebuilt and the window closes.
    void finishRun();
    void setHeld(const QString& path);  // "" shows "(none)"

    store::Table& dest_;
    QLabel *path_, *status_;
    QProgressBar* gauge_;
    QPushButton *select_, *match_, *import_, *cancel_;
    QVBoxLayout* extra_;
    QString held_;
    bool running_ = false, stop_ = false, rebuilding_ = false;
};

// "ASCII File Import".
class TAsciiImport : public TImportWindow {
    Q_OBJECT
public:
    TAsciiImport(store::Table& dest, QWidget* parent = nullptr);

    // After the file dialog: a path, or "" when it was cancelled (the held file is scanned again).
    void ChooseFile(const QString& path);
    // The matching dialog; returns whether it was confirmed. The hook (tests) works the dialog instead of exec().
    bool MatchFields();
    std::function<bool(class TAsciiMatch&)> matchHook;
    void Import();

    const AsciiScan& Scan() const { return scan_; }
    bool Matched() const { return matched_; }
    void SetEncoding(Encoding e);
    void SetRfc4180(bool on);

private:
    void rescan();
    void selectAsciiFile();

    AsciiScan scan_;
    bool matched_ = false;
    QComboBox* encoding_;
    QCheckBox* rfc_;
};

// "ASCII File Import Match Fields": the file's first lines above the grid.
class TAsciiMatch : public TMatchDialog {
    Q_OBJECT
public:
    TAsciiMatch(MatchRows& rows, const AsciiScan& scan, const QString& fileName, QWidget* parent = nullptr);
    QTableWidget* Sample() const { return sample_; }

private:
    QTableWidget* sample_;
};

// "DBF File Import".
class TDBFImport : public TImportWindow {
    Q_OBJECT
public:
    TDBFImport(store::Table& dest, const std::string& shortDateFormat, QWidget* parent = nullptr);
    ~TDBFImport() override;

    void ChooseFile(const QString& path);
    bool MatchFields();
    std::function<bool(class TDBFMatch&)> matchHook;
    void Import();

    store::Table& Source() { return *source_; }
    const std::vector<int>& Mapping() const { return mapping_; }
    bool Matched() const { return matched_; }

private:
    std::unique_ptr<store::Table> source_;
    std::vector<int> mapping_;
    bool matched_ = false;
    std::string shortDate_;
};

// "DBF File Import Match Fields": the source's records above the grid.
class TDBFMatch : public TMatchDialog {
    Q_OBJECT
public:
    TDBFMatch(MatchRows& rows, store::Table& source, const QString& fileName, QWidget* parent = nullptr);
    QTableWidget* Browser() const { return browser_; }

private:
    QTableWidget* browser_;
};

// "Import Addrova 1.x DBF" / "Import Addrova 2.x DBF": into the open address file itself.
class TImportOlder : public TImportWindow {
    Q_OBJECT
public:
    TImportOlder(store::Table& table, const std::string& openPath, Generation g, const std::string& shortDateFormat,
                 QWidget* parent = nullptr);
    ~TImportOlder() override;

    void ChooseFile(const QString& path);
    void Import();

private:
    std::unique_ptr<store::Table> source_;
    std::string openPath_;
    Generation generation_;
    std::string shortDate_;
};

}  // namespace addrova::exchange
