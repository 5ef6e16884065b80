#include "Merge.h"

#include "RecordSource.h"

#include <QTextCursor>
#include <QTextDocument>

namespace addrova::letters {

const QStringList& MergeFieldNames()
{
    static const QStringList names{
        QStringLiteral("Full Name"),     QStringLiteral("Name and Address"), QStringLiteral("First"),
        QStringLiteral("Last"),          QStringLiteral("Middle"),           QStringLiteral("Prefix"),
        QStringLiteral("Title"),         QStringLiteral("Organization"),     QStringLiteral("Street"),
        QStringLiteral("Street 2"),      QStringLiteral("City+State+Zip"),   QStringLiteral("City"),
        QStringLiteral("State"),         QStringLiteral("Province"),         QStringLiteral("Zip"),
        QStringLiteral("Postal Code"),   QStringLiteral("Country"),          QStringLiteral("Phone"),
        QStringLiteral("Phone 2"),       QStringLiteral("Fax"),              QStringLiteral("E-Mail"),
        QStringLiteral("Today's Date"),  QStringLiteral("Long Date"),        QStringLiteral("Comment 1"),
        QStringLiteral("Comment 2")};
    return names;
}

const QStringList& MergeOrder()
{
    static const QStringList order{
        QStringLiteral("Full Name"),    QStringLiteral("First"),          QStringLiteral("Last"),
        QStringLiteral("Middle"),       QStringLiteral("Prefix"),         QStringLiteral("Title"),
        QStringLiteral("Organization"), QStringLiteral("Street"),         QStringLiteral("Street 2"),
        QStringLiteral("City+State+Zip"), QStringLiteral("City"),         QStringLiteral("State"),
        QStringLiteral("Province"),     QStringLiteral("Zip"),            QStringLiteral("Postal Code"),
        QStringLiteral("Country"),      QStringLiteral("Phone"),          QStringLiteral("Phone 2"),
        QStringLiteral("Fax"),          QStringLiteral("E-Mail"),         QStringLiteral("Today's Date"),
        QStringLiteral("Long Date"),    QStringLiteral("Name and Address"), QStringLiteral("Comment 1"),
        QStringLiteral("Comment 2")};
    return order;
}

namespace {

QString get(const RecordValues& r, const char* name)
{
    auto it = r.find(QString::fromLatin1(name));
    return it == r.end() ? QString() : it->second;
}

QString trimLeft(const QString& s)
{
    qsizetype i = 0;
    while (i < s.size() && s.at(i) == QLatin1Char(' '))
        ++i;
    return s.mid(i);
}

QString trimBlanks(const QString& s)
{
    qsizetype a = 0, b = s.size();
    while (a < b && s.at(a) == QLatin1Char(' '))
        ++a;
    while (b > a && s.at(b - 1) == QLatin1Char(' '))
        --b;
    return s.mid(a, b - a);
}

}  // namespace

QString NameLine(const RecordValues& r)
{
    QString m = get(r, "MIDDLE");
    if (!m.isEmpty())
        m += QLatin1Char('.');
    QString line;
    for (const QString& part : {get(r, "PREFIX"), get(r, "FNAME"), m, get(r, "LNAME")})
        line += trimLeft(part + QLatin1Char(' '));
    return line;
}

QString CityStateZip(const RecordValues& r)
{
    return trimBlanks(get(r, "CITY") + QLatin1Char(' ') + get(r, "STATE") + QLatin1Char(' ') + get(r, "ZIP"));
}

QString NameAndAddress(const RecordValues& r)
{
    QStringList lines;
    lines << NameLine(r);
    const QString title = get(r, "TITLE"), org = get(r, "ORG");
    lines << (org.isEmpty() ? title : title.isEmpty() ? org : title + QStringLiteral(",  ") + org);
    lines << get(r, "STREET") << get(r, "STREET2");
    const QString city = get(r, "CITY"), state = get(r, "STATE"), zip = get(r, "ZIP");
    if (!(city.isEmpty() && state.isEmpty() && zip.isEmpty())) {
        const QString s = state.isEmpty() ? state : state + QLatin1Char(' ');
        lines << trimBlanks(city + QLatin1Char(' ') + s + QLatin1Char(' ') + zip);
    }
    lines << get(r, "COUNTRY");
    QString out;
    for (const QString& l : lines)
        if (!l.isEmpty())
            out += l + QStringLiteral("\r\n");
    return out;
}

QString LongDate(const QDate& d)
{
    static const char* const months[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                         "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    if (!d.isValid())
        return {};
    return QStringLiteral("%1 %2, %3").arg(QLatin1String(months[d.month() - 1])).arg(d.day()).arg(d.year(), 4, 10,
                                                                                                   QLatin1Char('0'));
}

std::array<QString, kMergeFieldCount> MergeValues(const RecordValues& r, const QString& shortDate, const QDate& today)
{
    return {NameLine(r),         get(r, "FNAME"),  get(r, "LNAME"),   get(r, "MIDDLE"), get(r, "PREFIX"),
            get(r, "TITLE"),     get(r, "ORG"),    get(r, "STREET"),  get(r, "STREET2"), CityStateZip(r),
            get(r, "CITY"),      get(r, "STATE"),  get(r, "STATE"),   get(r, "ZIP"),    get(r, "ZIP"),
            get(r, "COUNTRY"),   get(r, "PHONE"),  get(r, "PHONE2"),  get(r, "FAX"),    get(r, "EMAIL"),
            shortDate,           LongDate(today),  NameAndAddress(r), get(r, "USER1"),  get(r, "USER2")};
}

RecordValues ValuesOf(const layout::RecordSource& source)
{
    static const char* const names[] = {"LNAME", "FNAME", "MIDDLE", "PREFIX", "TITLE",  "ORG",
                                        "STREET", "STREET2", "CITY", "STATE", "ZIP",    "COUNTRY",
                                        "PHONE", "PHONE2", "FAX",   "EMAIL",  "USER1", "USER2"};
    RecordValues r;
    for (const char* n : names) {
        const int i = source.fieldByName(QString::fromLatin1(n));
        if (i >= 0)
            r[QString::fromLatin1(n)] = source.text(i);
    }
    return r;
}

void ReplaceTokens(QTextDocument& doc, const std::array<QString, kMergeFieldCount>& values)
{
    const QStringList& order = MergeOrder();
    for (int f = 0; f < kMergeFieldCount; ++f) {
        const QString token = QLatin1Char('[') + order[f] + QLatin1Char(']');
        QString value = values[static_cast<size_t>(f)];
        value.replace(QStringLiteral("\r\n"), QString(QChar(QChar::LineSeparator)));
        value.replace(QLatin1Char('\n'), QChar(QChar::LineSeparator));
        value.replace(QLatin1Char('\r'), QChar(QChar::LineSeparator));
        QTextCursor from(&doc);
        for (;;) {
            QTextCursor found = doc.find(token, from);
            if (found.isNull())
                break;
            // The attributes of the token's first character go onto the value.
            QTextCursor first(&doc);
            first.setPosition(found.selectionStart() + 1);
            const QTextCharFormat format = first.charFormat();
            if (value.isEmpty())
                found.removeSelectedText();
            else
                found.insertText(value, format);
            from = found;  // after the inserted text
        }
    }
}

}  // namespace addrova::letters
