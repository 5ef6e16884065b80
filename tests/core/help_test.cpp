// Help pages, the help window, Getting Started and About.
#include "GettingStarted.h"
#include "Help.h"
#include "HelpWindow.h"

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QRegularExpression>
#include <QScreen>
#include <QTest>
#include <QTextBrowser>
#include <QTextDocument>
#include <QTimer>
#include <gtest/gtest.h>

#include <filesystem>
#include <set>
#include <unistd.h>

using namespace addrova;

namespace {

const QString kHelpDir = QStringLiteral(ADDROVA_TEST_HELP_DIR);

class Help : public ::testing::Test {
protected:
    void SetUp() override { qputenv("ADDROVA_HELP", kHelpDir.toUtf8()); }
    void TearDown() override { qunsetenv("ADDROVA_HELP"); }
};

QString readAll(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QString();
}

help::THelpWindow* helpWindow() { return static_cast<help::THelpWindow*>(help::HelpWindow()); }

}  // namespace

TEST_F(Help, EveryTopicHasItsPage)
{
    ASSERT_TRUE(QDir(kHelpDir).exists()) << kHelpDir.toStdString();
    for (int topic : help::AllTopics()) {
        auto path = help::TopicPath(topic);
        ASSERT_TRUE(path.has_value()) << topic;
        QTextDocument doc;
        doc.setHtml(readAll(*path));
        EXPECT_FALSE(doc.metaInformation(QTextDocument::DocumentTitle).isEmpty()) << topic;
        EXPECT_GT(doc.toPlainText().size(), 200) << topic;
    }
    for (const char* page : {help::kContentsPage, help::kIndexPage, help::kHelpOnHelpPage, help::kGettingStartedPage})
        EXPECT_TRUE(QFile::exists(kHelpDir + QLatin1Char('/') + QLatin1String(page))) << page;
}

// A topic number written in a help call anywhere in the program (ShowHelp(1029), OpenHelp(1043) ...)
// must have its page too.
TEST_F(Help, EveryTopicCalledInTheSourcesHasItsPage)
{
    const QRegularExpression call(QStringLiteral(R"(\b\w*Help\s*\(\s*(?:help::)?(\w+)\s*\))"));
    std::set<int> known(help::AllTopics().begin(), help::AllTopics().end());
    int calls = 0, files = 0;
    QDirIterator it(QStringLiteral(ADDROVA_TEST_SOURCE_DIR), {QStringLiteral("*.cpp"), QStringLiteral("*.h")},
                    QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString file = it.next();
        ++files;
        auto m = call.globalMatch(readAll(file));
        while (m.hasNext()) {
            const QString arg = m.next().captured(1);
            bool isNumber = false;
            const int topic = arg.toInt(&isNumber);
            if (!isNumber)
                continue;  // named topics are checked by the compiler against the list
            ++calls;
            EXPECT_TRUE(help::TopicPath(topic).has_value()) << file.toStdString() << ": topic " << topic;
            EXPECT_TRUE(known.count(topic)) << file.toStdString() << ": topic " << topic << " is not in AllTopics";
        }
    }
    ASSERT_GT(files, 0) << ADDROVA_TEST_SOURCE_DIR;
    SUCCEED() << calls << " numbered calls";
}

// Links between pages: each relative link names a page that exists.
TEST_F(Help, EveryLinkOfEveryPageLeadsToAPage)
{
    const QDir dir(kHelpDir);
    for (const QString& name : dir.entryList({QStringLiteral("*.html")}, QDir::Files)) {
        QTextDocument doc;
        doc.setHtml(readAll(dir.filePath(name)));
        for (const auto& [text, href] : help::Anchors(doc)) {
            if (name == QLatin1String(help::kGettingStartedPage) || href.startsWith(QLatin1String("mailto:")) ||
                href.startsWith(QLatin1String("http")))
                continue;
            EXPECT_TRUE(QFile::exists(dir.filePath(href))) << name.toStdString() << ": " << href.toStdString();
        }
    }
}

TEST_F(Help, WindowShowsTopicsContentsIndexAndHelpOnHelp)
{
    help::ShowHelp(help::TopicMainWindow);
    EXPECT_TRUE(helpWindow()->isVisible());
    EXPECT_EQ(helpWindow()->currentPage(), QStringLiteral("topic1029.html"));
    help::ShowHelp(1040);
    EXPECT_EQ(helpWindow()->currentPage(), QStringLiteral("topic1040.html"));
    help::ShowHelp(4711);  // no such topic
    EXPECT_EQ(helpWindow()->currentPage(), QStringLiteral("contents.html"));
    help::ShowHelpSearch();
    EXPECT_EQ(helpWindow()->currentPage(), QStringLiteral("index.html"));
    help::ShowHelpOnHelp();
    EXPECT_EQ(helpWindow()->currentPage(), QStringLiteral("howto.html"));
    help::ShowHelpContents();
    EXPECT_EQ(helpWindow()->currentPage(), QStringLiteral("contents.html"));

    // Following a link of the contents.
    emit helpWindow()->browser()->anchorClicked(QUrl(QStringLiteral("topic1041.html")));
    EXPECT_EQ(helpWindow()->currentPage(), QStringLiteral("topic1041.html"));
    EXPECT_TRUE(helpWindow()->browser()->toPlainText().contains(QStringLiteral("Pick up phone")));
    helpWindow()->browser()->backward();
    EXPECT_EQ(helpWindow()->currentPage(), QStringLiteral("contents.html"));
}

TEST_F(Help, WithoutPagesTheWindowSaysWhatIsMissing)
{
    qputenv("ADDROVA_HELP", QByteArray("/nonexistent/help"));
    help::ShowHelp(1029);
    EXPECT_TRUE(helpWindow()->browser()->toPlainText().contains(QStringLiteral("not found")));
}

TEST_F(Help, SearchFindsPagesHoldingAllWords)
{
    auto names = [](const std::vector<std::pair<QString, QString>>& found) {
        QStringList out;
        for (const auto& f : found)
            out << f.first;
        return out;
    };
    EXPECT_TRUE(names(help::SearchPages(kHelpDir, QStringLiteral("MODEM"))).contains(QStringLiteral("topic1041.html")));
    const QStringList both = names(help::SearchPages(kHelpDir, QStringLiteral("ticked skipped")));
    EXPECT_EQ(both, QStringList{QStringLiteral("topic1040.html")});
    EXPECT_TRUE(help::SearchPages(kHelpDir, QStringLiteral("xyzzy")).empty());
    EXPECT_TRUE(help::SearchPages(kHelpDir, QStringLiteral("  ")).empty());

    helpWindow()->showSearchResults(QStringLiteral("modem"));
    EXPECT_TRUE(helpWindow()->browser()->toPlainText().contains(QStringLiteral("Dialing a phone number")));
}

TEST_F(Help, HelpDirIsFoundInTheInstalledResources)
{
    qunsetenv("ADDROVA_HELP");
    const auto root = std::filesystem::temp_directory_path() / ("addrova_res_" + std::to_string(::getpid()));
    std::filesystem::create_directories(root / "sysdata");
    std::filesystem::create_directories(root / "help");
    qputenv("ADDROVA_RESOURCES", QByteArray(root.c_str()));
    EXPECT_EQ(help::HelpDir(), QString::fromStdString((root / "help").string()));
    qunsetenv("ADDROVA_RESOURCES");
    std::filesystem::remove_all(root);
}

TEST(GettingStarted, LinkTextsChooseTopicsInAnyCase)
{
    const std::pair<const char*, std::optional<int>> cases[] = {
        {"NEW", 1037},
        {"dBASE", 1021},
        {"Ascii", 1023},
        {"add", 1030},
        {"Change", 1030},
        {"FIND", 1026},
        {"Delete", 2099},
        {"Technical Support", 1015},
        {"frequently asked questions", 2098},
        {"Support", std::nullopt},
        {"NEW ", std::nullopt},
        {"", std::nullopt},
    };
    for (const auto& [text, topic] : cases)
        EXPECT_EQ(help::GettingStartedTopic(QString::fromLatin1(text)), topic) << text;
}

TEST_F(Help, GettingStartedLinksOpenTheirTopics)
{
    const auto ini = std::filesystem::temp_directory_path() / ("addrova_gs_" + std::to_string(::getpid()) + ".ini");
    help::TGettingStarted window{app::ProfileFile(ini.string())};
    const auto anchors = help::Anchors(*window.page()->document());
    ASSERT_GE(anchors.size(), 9u);
    std::set<int> reached;
    for (const auto& [text, href] : anchors) {
        SCOPED_TRACE(text.toStdString());
        const auto topic = help::GettingStartedTopic(text);
        ASSERT_TRUE(topic.has_value());
        helpWindow()->showPage(QString::fromLatin1(help::kContentsPage));
        window.linkClicked(QUrl(href));
        EXPECT_EQ(helpWindow()->currentPage(), help::TopicPage(*topic));
        reached.insert(*topic);
    }
    EXPECT_EQ(reached, (std::set<int>{1015, 1021, 1023, 1026, 1030, 1037, 2098, 2099}));

    // A link whose text names no topic does nothing.
    helpWindow()->showPage(QString::fromLatin1(help::kContentsPage));
    window.linkClicked(QUrl(QStringLiteral("#nothing")));
    EXPECT_EQ(helpWindow()->currentPage(), QStringLiteral("contents.html"));
    std::filesystem::remove(ini);
}

// Links followed in the page itself, as a person does: the browser resolves them against the page.
TEST_F(Help, GettingStartedLinksWorkFromThePage)
{
    const auto ini = std::filesystem::temp_directory_path() / ("addrova_gsk_" + std::to_string(::getpid()) + ".ini");
    help::TGettingStarted window{app::ProfileFile(ini.string())};
    window.show();
    QApplication::setActiveWindow(&window);
    helpWindow()->showPage(QString::fromLatin1(help::kContentsPage));
    window.page()->setFocus();
    QTest::keyClick(window.page(), Qt::Key_Tab);  // the first link: New
    QTest::keyClick(window.page(), Qt::Key_Return);
    EXPECT_EQ(helpWindow()->currentPage(), help::TopicPage(1037));
    const QUrl resolved = window.page()->source().resolved(QUrl(QStringLiteral("#dbase")));
    emit window.page()->anchorClicked(resolved);
    EXPECT_EQ(helpWindow()->currentPage(), help::TopicPage(1021));
    window.close();
    std::filesystem::remove(ini);
}

// The help window opens centred and closes with Esc or Ctrl+W.
TEST_F(Help, HelpWindowOpensCentredAndClosesFromTheKeyboard)
{
    for (const QKeySequence& key : {QKeySequence(Qt::Key_Escape), QKeySequence(Qt::CTRL | Qt::Key_W)}) {
        help::ShowHelpContents();
        help::THelpWindow* w = helpWindow();
        ASSERT_TRUE(w->isVisible());
        const QRect screen = w->screen()->availableGeometry();
        EXPECT_NEAR(w->frameGeometry().center().x(), screen.center().x(), 2);
        EXPECT_NEAR(w->frameGeometry().center().y(), screen.center().y(), 2);
        QApplication::setActiveWindow(w);
        QTest::keyClick(w->browser(), key[0].key(), key[0].keyboardModifiers());
        EXPECT_FALSE(w->isVisible()) << key.toString().toStdString();
    }
}

TEST_F(Help, GettingStartedCheckBoxIsKeptInMisc)
{
    const auto path = std::filesystem::temp_directory_path() / ("addrova_gs2_" + std::to_string(::getpid()) + ".ini");
    std::filesystem::remove(path);
    app::ProfileFile ini(path.string());
    {
        help::TGettingStarted window{ini};
        EXPECT_FALSE(window.doNotShow()->isChecked());
        EXPECT_EQ(window.doNotShow()->text(), QStringLiteral("Do not show this screen at start up"));
        window.doNotShow()->setChecked(true);
        window.accept();
    }
    EXPECT_EQ(ini.readString("Misc", "GettingStarted"), "1");
    {
        help::TGettingStarted window{ini};
        EXPECT_TRUE(window.doNotShow()->isChecked());
        window.doNotShow()->setChecked(false);
        window.reject();  // closing by Esc or the title bar keeps the box too
    }
    EXPECT_EQ(ini.readString("Misc", "GettingStarted"), "0");
    std::filesystem::remove(path);
}

TEST(About, ShowsNameVersionAndOk)
{
    QStringList texts;
    bool closed = false;
    QTimer::singleShot(0, [&] {
        QWidget* box = QApplication::activeModalWidget();
        ASSERT_NE(box, nullptr);
        for (auto* l : box->findChildren<QLabel*>())
            texts << l->text();
        for (auto* b : box->findChildren<QPushButton*>())
            if (b->text() == QStringLiteral("OK")) {
                b->click();
                closed = true;
            }
    });
    help::ShowAbout(nullptr);
    EXPECT_TRUE(closed);
    EXPECT_TRUE(texts.join(' ').contains(QStringLiteral("Addrova")));
    EXPECT_TRUE(texts.join(' ').contains(QStringLiteral(ADDROVA_TEST_PROJECT_VERSION)));
}
