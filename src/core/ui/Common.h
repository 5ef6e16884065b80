#pragma once

#include <QString>
#include <functional>

class QWidget;

namespace addrova::ui {

// The message boxes every window uses. Captions and buttons follow one pattern: notices are
// captioned "Information"; questions name their action in capitals.
enum class MessageKind { Information, Warning, Error, Question };

struct MessageRequest {
    MessageKind kind = MessageKind::Information;
    QString caption;
    QString text;
    bool defaultNo = false;  // questions only
};

// Tests and headless runs answer message boxes here instead of a modal box. The hook returns true
// for Yes (ignored for notices). Pass an empty function to show real boxes again.
using MessageHook = std::function<bool(const MessageRequest&)>;
void SetMessageHook(MessageHook hook);

// The answer to a question that can also be called off ("Cancel", Esc, the close button).
enum class Answer { Yes, No, Cancel };
// Answers the questions of AskYesNoCancel instead of a modal box. Without it those questions go to
// the message hook (Yes or No), and without that to a real box.
using AnswerHook = std::function<Answer(const MessageRequest&)>;
void SetAnswerHook(AnswerHook hook);

void ShowInfo(const QString& text);
void ShowWarning(const QString& text, const QString& caption = QStringLiteral("Warning"));
void ShowError(const QString& text, const QString& caption = QStringLiteral("Error"));
bool AskYesNo(const QString& text, const QString& caption);
bool AskYesNoDefaultNo(const QString& text, const QString& caption);
// Yes, No and Cancel; Yes is the default button, Esc means Cancel.
Answer AskYesNoCancel(const QString& text, const QString& caption);

// Standard dialog buttons read "Ok", like the buttons the windows draw themselves. Installs a
// translation for the application (once; later calls do nothing).
void UseProgramButtonTexts();

// The main window, over which dialogs are centred. Set once by the main window when it is created.
void SetMainWindow(QWidget* main);
QWidget* MainWindow();

// Centres a dialog over the main window, or on the screen when the main window is maximised or
// when the window is the main window itself.
void CenterOverMain(QWidget* window);

// Remembered window places, in section className + "_Placement" (+ the screen's pixels per inch
// when above 96) of the settings file.
QString PlacementSection(const QString& className, int screenPpi);
void RestorePlacement(QWidget* window, const QString& className);
void SavePlacement(QWidget* window, const QString& className);

// Pure part of RestorePlacement: pulls a stored rectangle back inside a screen of the given size.
struct StoredRect {
    int left = 0, top = 0, right = 0, bottom = 0;
};
StoredRect FitToScreen(StoredRect r, int screenWidth, int screenHeight);

}  // namespace addrova::ui
