#pragma once

// The status window of a print or preview job: a status line that the job fills and one button,
// "Cancel" while printing (abort, after an optional question) or "Stop" while previewing (the
// job's record loop ends at its next test). The label, envelope, report and ZIP count windows
// configure it with their own texts. It runs the job when it is first shown.

#include <QDialog>
#include <QElapsedTimer>
#include <functional>

class QLabel;
class QPushButton;

namespace addrova::print {

class PageStream;
class PrintJob;
class TPreviewForm;

class TPrintStatus : public QDialog {
    Q_OBJECT
public:
    struct Texts {
        QString caption;                                   // e.g. "Print Status" / "Preview Status"
        QString button;                                    // "Cancel" / "Stop"
        QString cancelQuestion;                            // empty: Cancel aborts at once
        QString cancelCaption = QStringLiteral("CANCEL");  // caption of the question
        // Status formats shown when the job has ended ("%p" is the page number).
        QString printCanceled, previewCanceled, previewStopped, printCompleted, previewCompleted;
        bool closeAfterPreview = false;  // a completed (not stopped) preview closes the window
        bool closeAlways = false;        // the window closes when the job ends, whatever happened
    };

    // Print: the job runs to the current printer; preview: into `stream`.
    TPrintStatus(PrintJob& job, bool preview, PageStream* stream, Texts texts, QWidget* parent = nullptr);
    ~TPrintStatus() override;

    bool Preview() const { return preview_; }
    // Set by "Stop" during a preview; the job's loop reads it.
    bool StopRequested() const { return stop_; }
    bool Aborted() const;
    bool Finished() const { return finished_; }
    // The job ran to its end and was not aborted (a stopped preview counts as not aborted).
    bool Succeeded() const { return finished_ && !Aborted() && ok_; }
    QString StatusText() const;

    // A preview window to open over the recording once its first page is there and recording
    // has taken LiveAfterMs: the user reads the first pages while the rest is recorded. Closing
    // it stops the recording. It is handed back to its own parent, hidden, when the job ends.
    void SetLivePreview(TPreviewForm* form, int liveAfterMs = 1000);
    bool LivePreviewShown() const { return liveShown_; }

    // The button: Cancel/Stop while running, Ok (close) afterwards.
    void ButtonClick();
    // Runs the job now (normally done on first showing).
    void RunJob();

protected:
    void showEvent(QShowEvent* e) override;
    void changeEvent(QEvent* e) override;
    void reject() override;

private:
    void ShowTitle();
    void JobStatus(const QString& text);
    void EndLive();
    PrintJob& job_;
    bool preview_;
    PageStream* stream_;
    Texts texts_;
    QLabel* status_;
    QPushButton* button_;
    bool started_ = false;
    bool running_ = false;
    bool finished_ = false;
    bool stop_ = false;
    bool ok_ = false;
    TPreviewForm* live_ = nullptr;
    QWidget* liveParent_ = nullptr;
    int liveAfterMs_ = 1000;
    bool liveShown_ = false;
    QElapsedTimer clock_;
};

}  // namespace addrova::print
