#include "MainLogic.h"

#include <QFileInfo>

namespace addrova::ui {

namespace {

QString trimLeft(const QString& s)
{
    qsizetype i = 0;
    while (i < s.size() && s.at(i) == QLatin1Char(' '))
        ++i;
    return s.mid(i);
}

QString fitTo(const QString& s, int width)
{
    if (width <= 0)
        return s;
    return s.size() >= width ? s.left(width) : s + QString(width - s.size(), QLatin1Char(' '));
}

}  // namespace

const std::array<SortOrder, 14>& sortOrders()
{
    static const std::array<SortOrder, 14> orders{{
        {"&Last Name", "LNAME"},
        {"&First Name", "FNAME"},
        {"&Title", "TITLE"},
        {"&Organization", "ORG"},
        {"&Street", "STREET"},
        {"&City", "CITY"},
        {"&State", "STATE"},
        {"&Zip", "ZIP"},
        {"&Country", "COUNTRY"},
        {"&Phone", "PHONE"},
        {"&E-mail", "EMAIL"},
        {"&Fax", "FAX"},
        {"&Date", "DATE"},
        {"&Codes", "CODES"},
    }};
    return orders;
}

QString searchOrderNotice(const QString& orderName)
{
    return QStringLiteral("The search changed the sort order: now sorted by ") + orderName;
}

QString orderName(const SortOrder& order)
{
    QString c = QString::fromLatin1(order.caption);
    return c.startsWith(QLatin1Char('&')) ? c.mid(1) : c;
}

QString orderNameOfTag(const QString& tag)
{
    for (const auto& o : sortOrders())
        if (tag.compare(QLatin1String(o.tag), Qt::CaseInsensitive) == 0)
            return orderName(o);
    return tag;
}

QString tagOfOrderName(const QString& name)
{
    const QString upper = name.toUpper();
    for (const auto& o : sortOrders())
        if (orderName(o).toUpper() == upper)
            return QString::fromLatin1(o.tag);
    return {};
}

QStringList pushRecentlyUsed(const QStringList& old, const QString& path)
{
    QStringList list{path};
    for (const QString& p : old)
        if (p != path && !p.isEmpty() && list.size() < 4)
            list << p;
    return list;
}

QString selectionCountText(unsigned count, bool filterSet)
{
    if (filterSet)
        return QString::number(count) + QStringLiteral(" filter matches");
    if (count == 0)
        return QStringLiteral("No records");
    return QString::number(count) + QStringLiteral(" records (no filter)");
}

QString proposeNewFileName(const QString& dataDir)
{
    for (int i = 1; i <= 9999; ++i) {
        const QString name = QStringLiteral("ADD%1").arg(i, 4, 10, QLatin1Char('0'));
        if (!QFileInfo::exists(dataDir + name + QStringLiteral(".DBF")))
            return name;
    }
    return QStringLiteral("ADD0001");
}

bool validFileIdentifier(const QString& name)
{
    if (name.isEmpty())
        return false;
    auto letter = [](QChar c) {
        return (c >= QLatin1Char('A') && c <= QLatin1Char('Z')) || (c >= QLatin1Char('a') && c <= QLatin1Char('z')) ||
               c == QLatin1Char('_');
    };
    if (!letter(name.at(0)))
        return false;
    for (QChar c : name)
        if (!letter(c) && !(c >= QLatin1Char('0') && c <= QLatin1Char('9')))
            return false;
    return true;
}

QString memoForStorage(const QStringList& lines)
{
    QStringList out = lines;
    const QString joined = out.join(QStringLiteral("\r\n"));
    if (!out.isEmpty() && !joined.isEmpty() && joined.size() % 4 == 0)
        out.last() += QLatin1Char(' ');
    return out.join(QStringLiteral("\r\n"));
}

std::vector<std::pair<std::string, QString>> newRecordValues(const AddOptions& o, const CarriedValues& c,
                                                             const NewRecordInput& in, const QString& today)
{
    std::vector<std::pair<std::string, QString>> v;
    if (in.namesEntered) {
        v.emplace_back("FNAME", in.first);
        v.emplace_back("LNAME", in.last);
    }
    if (in.zipEntered)
        v.emplace_back("ZIP", in.zip);
    if (in.cityStateFound) {
        v.emplace_back("CITY", in.city);
        v.emplace_back("STATE", in.state);
    }
    if (!in.zipEntered && o.CarryZip)
        v.emplace_back("ZIP", c.zip);
    if (!in.cityStateFound && o.CarryCity)
        v.emplace_back("CITY", c.city);
    if (!in.cityStateFound && o.CarryState)
        v.emplace_back("STATE", c.state);
    if (o.CarryCountry)
        v.emplace_back("COUNTRY", c.country);
    if (o.CarrySA1)
        v.emplace_back("STREET", c.street);
    if (o.CarrySA2)
        v.emplace_back("STREET2", c.street2);
    if (c.country.isEmpty() && !o.DefaultCountry.isEmpty())
        v.emplace_back("COUNTRY", o.DefaultCountry);
    if (o.PlugDate)
        v.emplace_back("DATE", today);
    if (o.CarryOrg)
        v.emplace_back("ORG", c.org);
    return v;
}

QString duplicateKey(const QString& last, const QString& first, int lastWidth, int firstWidth)
{
    return (fitTo(last, lastWidth) + fitTo(first, firstWidth)).toUpper();
}

QString duplicateQuestion(const QString& first, const QString& last, const QString& street, const QString& city,
                          const QString& state, const QString& zip)
{
    return QStringLiteral("Possible duplicate: \n\n") + first + QLatin1Char(' ') + last + QLatin1Char('\n') + street +
           QLatin1Char('\n') + city + QLatin1Char(',') + state + QLatin1Char(' ') + zip +
           QStringLiteral("\n\nContinue adding?");
}

QString recordClipboardText(const std::map<std::string, QString>& f, const ClipboardGroups& g)
{
    auto val = [&](const char* name) {
        auto it = f.find(name);
        return it == f.end() ? QString() : it->second;
    };
    QStringList lines;
    if (g.names) {
        const QString mi = val("MIDDLE").trimmed();
        lines << trimLeft(val("PREFIX") + QLatin1Char(' ')) + trimLeft(val("FNAME") + QLatin1Char(' ')) +
                     (mi.isEmpty() ? QString() : trimLeft(val("MIDDLE") + QStringLiteral(". "))) +
                     trimLeft(val("LNAME") + QLatin1Char(' '));
        lines << val("TITLE") << val("ORG");
    }
    if (g.address) {
        lines << val("STREET") << val("STREET2");
        lines << trimLeft(val("CITY") + QLatin1Char(' ')) + QLatin1Char(' ') + trimLeft(val("STATE") + QLatin1Char(' ')) +
                     trimLeft(val("ZIP"));
        lines << trimLeft(val("COUNTRY") + QLatin1Char(' '));
    }
    if (g.phones) {
        if (!val("PHONE").isEmpty())
            lines << QStringLiteral("Phone  :") + val("PHONE");
        if (!val("PHONE2").isEmpty())
            lines << QStringLiteral("Phone 2:") + val("PHONE2");
    }
    if (g.codes && !val("CODES").isEmpty())
        lines << QStringLiteral("Codes :") + val("CODES");
    if (g.comments) {
        if (!val("USER1").isEmpty())
            lines << QStringLiteral("Comment 1 :") + val("USER1");
        if (!val("USER2").isEmpty())
            lines << QStringLiteral("Comment 2 :") + val("USER2");
    }
    QString text;
    for (const QString& l : lines)
        if (!l.trimmed().isEmpty())  // a line of blanks only (an empty city line) is empty too
            text += l + QStringLiteral("\r\n");
    return text;
}

}  // namespace addrova::ui
