#include "Batch.h"

#include "CodePage.h"
#include "LetterPrint.h"
#include "LetterStore.h"
#include "ProgramDir.h"
#include "RecordChoice.h"
#include "RecordSource.h"
#include "Rtf.h"
#include "SystemTables.h"
#include "Table.h"

#include <QApplication>
#include <QDate>
#include <QDir>
#include <QFile>
#include <QTextDocument>
#include <chrono>
#include <iostream>
#include <memory>

namespace addrova::batch {

namespace {

using store::Table;

void openLetters(Table& letters)
{
    app::PrepareProgramDir();
    const std::string problem = store::openSystemTable(store::SystemTable::Letter, letters, app::SysdataDir());
    if (!problem.empty())
        throw std::runtime_error(problem);
    letters.setOrder(0);
}

// Goes to the letter described `description`, or throws naming the letters there are.
void findLetter(Table& letters, const std::string& description)
{
    if (letters::FindLetter(letters, QString::fromStdString(description)))
        return;
    std::string msg = "no letter is described \"" + description + "\"";
    const QStringList known = letters::Descriptions(letters);
    if (known.isEmpty())
        msg += " (LETTER.DBF holds no letters)";
    else {
        msg += "; the letters are:";
        for (const QString& k : known)
            msg += "\n  " + k.toStdString();
    }
    throw std::runtime_error(msg);
}

int letterImport(const Args& a)
{
    auto gui = StartApplication();
    QFile f(QString::fromStdString(a.positional[1]));
    if (!f.open(QIODevice::ReadOnly))
        throw std::runtime_error("cannot read " + a.positional[1] + ": " + f.errorString().toStdString());
    const QByteArray rtf = f.readAll();
    Table letters;
    openLetters(letters);
    QTextDocument probe;
    const richtext::RtfResult r = richtext::ReadRtf(rtf, probe);
    if (!r.ok && probe.isEmpty())
        throw std::runtime_error(a.positional[1] + ": " + r.error.toStdString());
    const QString problem = letters::ImportLetter(letters, QString::fromStdString(a.positional[0]), rtf);
    if (!problem.isEmpty())
        std::cerr << a.positional[1] << ": " << problem.toStdString() << " (stored what could be read)\n";
    std::cerr << "stored as letter " << letters.recNo() << " \"" << letters::Description(letters).toStdString()
              << "\"\n";
    return 0;
}

int letterExport(const Args& a)
{
    auto gui = StartApplication();
    Table letters;
    openLetters(letters);
    findLetter(letters, a.positional[0]);
    QFile out(QString::fromStdString(a.positional[1]));
    if (!out.open(QIODevice::WriteOnly | QIODevice::Truncate))
        throw std::runtime_error("cannot write " + a.positional[1] + ": " + out.errorString().toStdString());
    const std::string body = letters.getMemo("RTF");
    out.write(body.data(), static_cast<qint64>(body.size()));
    return out.flush() ? 0 : 1;
}

// "00012_Smith.pdf": the record number and the last name, with characters unsafe in file names left out.
QString eachName(const Table& t, int codePage)
{
    QString last = QString::fromStdString(store::toUtf8(t.getString("LNAME"), codePage));
    QString safe;
    for (QChar c : last)
        if (c.isLetterOrNumber() || c == QLatin1Char('-') || c == QLatin1Char('_'))
            safe += c;
        else if (c == QLatin1Char(' ') && !safe.isEmpty() && !safe.endsWith(QLatin1Char('_')))
            safe += QLatin1Char('_');
    if (safe.isEmpty())
        safe = QStringLiteral("record");
    return QStringLiteral("%1_%2.pdf").arg(t.recNo(), 5, 10, QLatin1Char('0')).arg(safe);
}

int lettersVerb(const Args& a)
{
    if (!a.has("letter"))
        throw UsageError{"--letter DESCRIPTION is required"};
    if (a.has("pdf") == a.has("pdf-each"))
        throw UsageError{"choose one of --pdf OUT.pdf and --pdf-each DIR"};
    if (int(a.has("all")) + int(a.has("filter")) + int(a.has("recno")) > 1)
        throw UsageError{"choose one of --all, --filter and --recno"};
    int copies = 1;
    if (a.has("copies")) {
        const long long c = wholeNumber(a.get("copies"), "--copies");
        if (c < 1 || c > 999)
            throw UsageError{"--copies must be 1 to 999"};
        copies = static_cast<int>(c);
    }
    auto gui = StartApplication();

    Table letters;
    openLetters(letters);
    findLetter(letters, a.get("letter"));
    QTextDocument letter;
    const QString problem = letters::LoadBody(letters, letter);
    if (!problem.isEmpty())
        std::cerr << "the letter's RTF: " << problem.toStdString() << "\n";

    Table t;
    const print::RecordChoice choice = OpenAddressFile(a, t);
    print::RecordScope scope(t);
    scope.Apply(choice, false, [](const QString& s) { std::cerr << s.toStdString() << "\n"; });

    const layout::TableRecordSource source(t, app::GlobalTagId(), app::ShortDateFormat());
    const QDate today = QDate::currentDate();
    const QString shortDate = QString::fromStdString(
        store::formatDate(store::dateToday(std::time(nullptr)), app::ShortDateFormat()));
    letters::LetterPrintRun run(letter, source, shortDate, today);
    const bool onlyCurrent = choice == print::RecordChoice::OnlyCurrent;
    const auto started = std::chrono::steady_clock::now();

    if (a.has("pdf")) {
        letters::PdfLetterOutput out(QString::fromStdString(a.get("pdf")));
        const letters::LetterOutcome o = run.Run(t, out, copies, onlyCurrent);
        if (o == letters::LetterOutcome::Failed) {
            std::cerr << "addrova-batch letters: " << run.ErrorText().toStdString() << "\n";
            return 1;
        }
        const double secs = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
        std::cerr << run.PagesPrinted() << " pages in " << secs << " s: " << a.get("pdf") << "\n";
        return 0;
    }

    const QDir dir(QString::fromStdString(a.get("pdf-each")));
    if (!QDir().mkpath(dir.path()))
        throw std::runtime_error("cannot create the folder " + a.get("pdf-each"));
    int files = 0;
    while (!t.eof()) {
        letters::PdfLetterOutput out(dir.filePath(eachName(t, t.codePage())));
        const richtext::PageSettings page = richtext::pageSettings(letter).sane();
        if (!out.Begin(page) || !run.PrintThisRecord(out, copies) || !out.End()) {
            std::cerr << "addrova-batch letters: "
                      << (run.ErrorText().isEmpty() ? out.ErrorText() : run.ErrorText()).toStdString() << "\n";
            return 1;
        }
        ++files;
        if (onlyCurrent)
            break;
        t.skip();
    }
    const double secs = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    std::cerr << run.PagesPrinted() << " pages in " << files << " files in " << secs << " s: " << a.get("pdf-each")
              << "\n";
    return 0;
}

}  // namespace

void addLetterVerbs(std::vector<Verb>& verbs)
{
    verbs.push_back({"letter-import", "DESCRIPTION FILE.rtf", "stores an RTF file as a new letter in LETTER.DBF", {},
                     {}, 2, 2, letterImport});
    verbs.push_back({"letter-export", "DESCRIPTION OUT.rtf", "writes a stored letter's RTF text to a file", {}, {}, 2,
                     2, letterExport});
    verbs.push_back({"letters",
                     "ADDRESSFILE --letter DESCRIPTION [--all|--filter EXPR|--recno N] [--order TAG] [--copies N] "
                     "(--pdf OUT.pdf | --pdf-each DIR)",
                     "prints a stored letter merged with each chosen record, as \"Print Letters\" does; --pdf-each "
                     "writes one PDF per record",
                     {"letter", "filter", "recno", "order", "copies", "pdf", "pdf-each"},
                     {"all"},
                     1,
                     1,
                     lettersVerb});
}

}  // namespace addrova::batch
