#pragma once

#include <QString>

#include <optional>
#include <vector>

class QWidget;

namespace addrova::help {

// Help topic numbers. Each window opens the help at its own topic.
enum Topic : int {
    TopicTechnicalSupport = 1015,
    TopicImportDbase = 1021,
    TopicImportAscii = 1023,
    TopicFind = 1026,
    TopicMainWindow = 1029,
    TopicAddChange = 1030,
    TopicNewFile = 1037,
    TopicPreferences = 1040,
    TopicDialer = 1041,
    TopicNewRecord = 1042,
    TopicFieldLengths = 1043,
    TopicFilter = 1044,
    TopicBrowse = 1045,
    TopicTags = 1046,
    TopicSortOrders = 1047,
    TopicLabels = 1050,
    TopicEnvelopes = 1051,
    TopicLetters = 1052,
    TopicReports = 1053,
    TopicPrintPreview = 1054,
    TopicPresort = 1055,
    TopicZipCount = 1056,
    TopicStateZipCheck = 1057,
    TopicExport = 1058,
    TopicDuplicates = 1059,
    TopicMaintenance = 1060,
    TopicDesigners = 1061,
    TopicFaq = 2098,
    TopicDelete = 2099,
};

// Every topic above, for checks that each has its page.
const std::vector<int>& AllTopics();

// The folder of the help pages: ResourceDir() + "/help", or $ADDROVA_HELP when set. "" when none.
QString HelpDir();
// File name of a topic's page ("topic1029.html"), and of the special pages.
QString TopicPage(int topic);
inline const char* kContentsPage = "contents.html";
inline const char* kIndexPage = "index.html";      // "Search for Help On"
inline const char* kHelpOnHelpPage = "howto.html";  // "How to Use Help"
// The full path of a topic's page when it exists.
std::optional<QString> TopicPath(int topic);

// The help window (one for the program, raised on every call). An unknown topic shows the
// contents with a note. Help menu: "&Contents", "Search for Help On", "How to Use Help".
void ShowHelp(int topic);
void ShowHelpContents();
void ShowHelpSearch();
void ShowHelpOnHelp();
// The window, created on first use (tests look at its page).
QWidget* HelpWindow();

// The Getting Started window (modal). Its check box "Do not show this screen at start up" is
// read from and written back to Misc/GettingStarted.
void ShowGettingStarted(QWidget* parent);
// True when the window should open at start (Misc/GettingStarted not set).
bool GettingStartedAtStart();
// The topic a Getting Started link opens, by the link's text (any case); none for other texts.
std::optional<int> GettingStartedTopic(const QString& linkText);

// The About box: "Addrova", the version, "OK".
void ShowAbout(QWidget* parent);
QString VersionText();

}  // namespace addrova::help
