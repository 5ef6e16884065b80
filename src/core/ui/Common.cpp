#include "Common.h"

#include "ProgramDir.h"

#include <QApplication>
#include <QGuiApplication>
#include <QMessageBox>
#include <QPointer>
#include <QScreen>
#include <QTranslator>
#include <QWidget>

#include <stdexcept>

namespace addrova::ui {

namespace {

MessageHook& hook()
{
    static MessageHook h;
    return h;
}

AnswerHook& answerHook()
{
    static AnswerHook h;
    return h;
}

QWidget*& mainWindow()
{
    static QWidget* w = nullptr;
    return w;
}

bool ask(const MessageRequest& req)
{
    if (hook())
        return hook()(req);
    QMessageBox::Icon icon = QMessageBox::Information;
    switch (req.kind) {
    case MessageKind::Information: icon = QMessageBox::Information; break;
    case MessageKind::Warning: icon = QMessageBox::Warning; break;
    case MessageKind::Error: icon = QMessageBox::Critical; break;
    case MessageKind::Question: icon = QMessageBox::Question; break;
    }
    QMessageBox box(icon, req.caption, req.text, QMessageBox::NoButton, MainWindow());
    if (req.kind == MessageKind::Question) {
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
        box.setDefaultButton(req.defaultNo ? QMessageBox::No : QMessageBox::Yes);
        box.setEscapeButton(QMessageBox::No);
    } else {
        box.setStandardButtons(QMessageBox::Ok);
    }
    return box.exec() == QMessageBox::Yes;
}

// Qt's standard buttons take their texts from the platform theme's translations.
class ButtonTexts : public QTranslator {
public:
    using QTranslator::QTranslator;
    bool isEmpty() const override { return false; }
    QString translate(const char* context, const char* sourceText, const char* disambiguation, int n) const override
    {
        Q_UNUSED(disambiguation);
        Q_UNUSED(n);
        if (!context || !sourceText || !QByteArray(context).endsWith("Theme"))
            return {};
        const QByteArray source(sourceText);
        if (source == "OK")
            return QStringLiteral("Ok");
        if (source == "&OK")
            return QStringLiteral("&Ok");
        return {};
    }
};

int screenPpi(const QWidget* w)
{
    const QScreen* s = w && w->screen() ? w->screen() : QGuiApplication::primaryScreen();
    return s ? qRound(s->logicalDotsPerInch()) : 96;
}

QRect screenRect(const QWidget* w)
{
    const QScreen* s = w && w->screen() ? w->screen() : QGuiApplication::primaryScreen();
    return s ? s->geometry() : QRect(0, 0, 1024, 768);
}

}  // namespace

void SetMessageHook(MessageHook h) { hook() = std::move(h); }
void SetAnswerHook(AnswerHook h) { answerHook() = std::move(h); }

void ShowInfo(const QString& text) { ask({MessageKind::Information, QStringLiteral("Information"), text, false}); }
void ShowWarning(const QString& text, const QString& caption) { ask({MessageKind::Warning, caption, text, false}); }
void ShowError(const QString& text, const QString& caption) { ask({MessageKind::Error, caption, text, false}); }
bool AskYesNo(const QString& text, const QString& caption) { return ask({MessageKind::Question, caption, text, false}); }
bool AskYesNoDefaultNo(const QString& text, const QString& caption)
{
    return ask({MessageKind::Question, caption, text, true});
}

Answer AskYesNoCancel(const QString& text, const QString& caption)
{
    const MessageRequest req{MessageKind::Question, caption, text, false};
    if (answerHook())
        return answerHook()(req);
    if (hook())
        return hook()(req) ? Answer::Yes : Answer::No;
    QMessageBox box(QMessageBox::Question, caption, text, QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel,
                    MainWindow());
    box.setDefaultButton(QMessageBox::Yes);
    box.setEscapeButton(QMessageBox::Cancel);
    switch (box.exec()) {
    case QMessageBox::Yes: return Answer::Yes;
    case QMessageBox::No: return Answer::No;
    default: return Answer::Cancel;
    }
}

void UseProgramButtonTexts()
{
    static QPointer<ButtonTexts> texts;
    if (texts || !QCoreApplication::instance())
        return;
    texts = new ButtonTexts(QCoreApplication::instance());
    QCoreApplication::installTranslator(texts);
}

void SetMainWindow(QWidget* main) { mainWindow() = main; }
QWidget* MainWindow() { return mainWindow(); }

void CenterOverMain(QWidget* window)
{
    if (!window)
        return;
    QWidget* main = MainWindow();
    const QSize size = window->frameGeometry().size().isValid() ? window->frameGeometry().size() : window->size();
    if (!main || main == window || main->isMaximized() || !main->isVisible()) {
        const QRect scr = screenRect(window);
        window->move(scr.left() + (scr.width() - size.width()) / 2, scr.top() + (scr.height() - size.height()) / 2);
        return;
    }
    const QRect m = main->frameGeometry();
    window->move(m.left() + (m.width() - size.width()) / 2, m.top() + (m.height() - size.height()) / 2);
}

QString PlacementSection(const QString& className, int ppi)
{
    QString s = className + QStringLiteral("_Placement");
    if (ppi > 96)
        s += QString::number(ppi);
    return s;
}

StoredRect FitToScreen(StoredRect r, int screenWidth, int screenHeight)
{
    if (screenWidth < r.right) {
        r.left += screenWidth - r.right;
        r.right = screenWidth;
    }
    if (screenHeight < r.bottom) {
        r.top += screenHeight - r.bottom;
        r.bottom = screenHeight;
    }
    return r;
}

void RestorePlacement(QWidget* window, const QString& className)
{
    const std::string section = PlacementSection(className, screenPpi(window)).toStdString();
    const app::ProfileFile ini = app::Settings();
    StoredRect r{ini.readInt(section, "Left", 0), ini.readInt(section, "Top", 0), ini.readInt(section, "Right", 0),
                 ini.readInt(section, "Bottom", 0)};
    const bool maximized = ini.readBool(section, "Maximized", window->isMaximized());
    if (r.bottom == 0) {
        CenterOverMain(window);
    } else {
        const QRect scr = screenRect(window);
        r = FitToScreen(r, scr.width(), scr.height());
        window->setGeometry(QRect(QPoint(r.left, r.top), QPoint(r.right - 1, r.bottom - 1)));
    }
    if (maximized)
        window->setWindowState(window->windowState() | Qt::WindowMaximized);
    SavePlacement(window, className);
}

void SavePlacement(QWidget* window, const QString& className)
{
    const std::string section = PlacementSection(className, screenPpi(window)).toStdString();
    const QRect g = window->isMaximized() ? window->normalGeometry() : window->geometry();
    app::ProfileFile ini = app::Settings();
    try {
        ini.writeInt(section, "Left", g.left());
        ini.writeInt(section, "Top", g.top());
        ini.writeInt(section, "Right", g.left() + g.width());
        ini.writeInt(section, "Bottom", g.top() + g.height());
        ini.writeBool(section, "Maximized", window->isMaximized());
    } catch (const std::runtime_error&) {
        // A settings file that cannot be written loses the placement only.
    }
}

}  // namespace addrova::ui
