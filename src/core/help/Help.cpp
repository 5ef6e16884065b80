#include "Help.h"

#include "ProgramDir.h"

#include <QDir>
#include <QFileInfo>

namespace addrova::help {

const std::vector<int>& AllTopics()
{
    static const std::vector<int> topics = {
        TopicTechnicalSupport, TopicImportDbase, TopicImportAscii, TopicFind,         TopicMainWindow,
        TopicAddChange,        TopicNewFile,     TopicPreferences, TopicDialer,       TopicNewRecord,
        TopicFieldLengths,     TopicFilter,      TopicBrowse,      TopicTags,         TopicSortOrders,
        TopicLabels,           TopicEnvelopes,   TopicLetters,     TopicReports,      TopicPrintPreview,
        TopicPresort,          TopicZipCount,    TopicStateZipCheck, TopicExport,     TopicDuplicates,
        TopicMaintenance,      TopicDesigners,   TopicFaq,         TopicDelete,
    };
    return topics;
}

QString HelpDir()
{
    const QString env = qEnvironmentVariable("ADDROVA_HELP");
    if (!env.isEmpty())
        return QDir(env).absolutePath();
    const std::string res = app::ResourceDir();
    if (res.empty())
        return {};
    const QString dir = QString::fromStdString(res) + QStringLiteral("/help");
    return QFileInfo(dir).isDir() ? dir : QString();
}

QString TopicPage(int topic) { return QStringLiteral("topic%1.html").arg(topic); }

std::optional<QString> TopicPath(int topic)
{
    const QString dir = HelpDir();
    if (dir.isEmpty())
        return std::nullopt;
    const QString path = dir + QLatin1Char('/') + TopicPage(topic);
    if (!QFileInfo(path).isFile())
        return std::nullopt;
    return path;
}

std::optional<int> GettingStartedTopic(const QString& linkText)
{
    static const std::pair<const char*, int> links[] = {
        {"NEW", TopicNewFile},
        {"DBASE", TopicImportDbase},
        {"ASCII", TopicImportAscii},
        {"ADD", TopicAddChange},
        {"CHANGE", TopicAddChange},
        {"FIND", TopicFind},
        {"DELETE", TopicDelete},
        {"TECHNICAL SUPPORT", TopicTechnicalSupport},
        {"FREQUENTLY ASKED QUESTIONS", TopicFaq},
    };
    const QString key = linkText.toUpper();
    for (const auto& [text, topic] : links)
        if (key == QLatin1String(text))
            return topic;
    return std::nullopt;
}

bool GettingStartedAtStart() { return !app::Settings().readBool("Misc", "GettingStarted", false); }

QString VersionText() { return QStringLiteral("Version ") + QStringLiteral(ADDROVA_VERSION); }

}  // namespace addrova::help
