#pragma once

// The small dialogs of envelope printing: "Envelope Size", "Paper Feed Method", "Envelope Print",
// and the feed picture both feed dialogs show.

#include "EnvelopeFeed.h"

#include <QDialog>
#include <QWidget>

class QCheckBox;
class QLabel;
class QListWidget;
class QPushButton;
class QRadioButton;

namespace addrova::print {
class PrinterControl;
}

namespace addrova::envelopes {

// "Envelope Size": the size list with the input code's entry selected (the first for unknown codes).
class TChooseEnvelopeLayout : public QDialog {
    Q_OBJECT
public:
    explicit TChooseEnvelopeLayout(int code, QWidget* parent = nullptr);
    // The selected entry's code, or the input code when nothing is selected.
    int Code() const;
    QListWidget* List() const { return list_; }
    // Shows the dialog; false on Cancel.
    static bool Ask(int& code, QWidget* parent = nullptr);

private:
    int input_;
    QListWidget* list_;
};

// A page in the feeder with the envelope at the left edge, the right edge or centred; its front
// (face up) or back (face down), upright for portrait, turned for landscape, the other way for a
// clockwise rotation.
class FeedPicture : public QWidget {
    Q_OBJECT
public:
    explicit FeedPicture(QWidget* parent = nullptr);
    void setFeed(const FeedMethod& f);
    const FeedMethod& feed() const { return feed_; }
    QSize sizeHint() const override { return {150, 170}; }
    // The envelope's rectangle in the picture (tests see where it was drawn).
    QRect envelopeRect() const;
    QRect pageRect() const;

protected:
    void paintEvent(QPaintEvent*) override;

private:
    FeedMethod feed_;
};

// "Paper Feed Method".
class TEnvelopeFeed : public QDialog {
    Q_OBJECT
public:
    explicit TEnvelopeFeed(const FeedMethod& feed, QWidget* parent = nullptr);
    FeedMethod feed() const { return feed_; }

    QRadioButton* button(const QString& caption) const;  // "&Left", "&Portrait", "&Up", ...
    QCheckBox* clockwiseCheck() const { return clockwise_; }
    FeedPicture* picture() const { return picture_; }

private:
    void choose();
    void showFeed(const FeedMethod& f);

    FeedMethod feed_;
    FeedPicture* picture_;
    QCheckBox* clockwise_;
    std::vector<std::pair<QString, QRadioButton*>> buttons_;
};

// "Envelope Print": the printer part with its paper warning and the feed part, with "Printer
// Setup" and "Paper Feed Method".
class TEnvelopePrePrint : public QDialog {
    Q_OBJECT
public:
    TEnvelopePrePrint(print::PrinterControl& printer, const FeedMethod& feed, int envelopeCode,
                      QWidget* parent = nullptr);
    FeedMethod feed() const { return feed_; }

    void ShowPrintSetup();
    void ShowFeedMethod();
    void PrinterSetupClick();
    void FeedMethodClick();
    // Tests answer the two dialogs.
    std::function<bool(print::PrinterControl&)> printerSetupOverride;
    std::function<bool(FeedMethod&)> feedDialogOverride;

    QString printerText() const;  // "Printer: ...\nSource: ...\nPaper: ...\nOrientation: ..."
    QLabel* warning() const { return warning_; }
    QLabel* feedText() const { return feedText_; }
    FeedPicture* picture() const { return picture_; }
    QPushButton* button(const QString& caption) const;

protected:
    void showEvent(QShowEvent* e) override;

private:
    print::PrinterControl& printer_;
    FeedMethod feed_;
    int code_;
    QLabel *printer_l_, *source_, *paper_, *orientation_, *warning_, *feedText_;
    FeedPicture* picture_;
    std::vector<std::pair<QString, QPushButton*>> buttons_;
};

}  // namespace addrova::envelopes
