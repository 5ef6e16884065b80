#include "Batch.h"

#include "Error.h"

#include <QString>
#include <QtGlobal>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <exception>
#include <iostream>

using namespace addrova::batch;

namespace addrova::batch {
void addLayoutVerbs(std::vector<Verb>& verbs);
}

namespace {

// Qt's own notes (a missing XDG_RUNTIME_DIR, font fallbacks) are not the tool's output; only its
// critical errors are shown. ADDROVA_QT_MESSAGES=1 shows everything.
void qtMessage(QtMsgType type, const QMessageLogContext&, const QString& text) {
    if (type == QtCriticalMsg || type == QtFatalMsg || qEnvironmentVariableIsSet("ADDROVA_QT_MESSAGES"))
        std::cerr << text.toLocal8Bit().constData() << "\n";
}

std::string optionList(const Verb& v) {
    std::string out;
    for (const auto& o : v.valueOptions) out += (out.empty() ? "--" : ", --") + o;
    for (const auto& o : v.flagOptions) out += (out.empty() ? "--" : ", --") + o;
    return out;
}

void printVerbHelp(const Verb& v) {
    std::cout << "Usage: addrova-batch " << v.name << (v.usage.empty() ? "" : " ") << v.usage << "\n\n"
              << v.summary << "\n";
    std::string opts = optionList(v);
    if (!opts.empty()) std::cout << "\nOptions: " << opts << "\n";
}

// The manual page, made from the verb list so that it names every verb.
void printManPage(const std::vector<Verb>& verbs) {
    auto roff = [](const std::string& s) {
        std::string out;
        for (char c : s) {
            if (c == '\\' || c == '-') out += '\\';
            out += c;
        }
        if (!out.empty() && (out[0] == '.' || out[0] == '\'')) out = "\\&" + out;
        return out;
    };
    std::cout << ".TH ADDROVA-BATCH 1 \"\" \"Addrova\" \"User Commands\"\n"
                 ".SH NAME\naddrova\\-batch \\- Addrova's tools without windows\n"
                 ".SH SYNOPSIS\n.B addrova\\-batch\n.I VERB\n[\\fIARGUMENTS\\fR]\n.br\n"
                 ".B addrova\\-batch help\n.I VERB\n"
                 ".SH DESCRIPTION\nAddress files are xBase tables (DBF with CDX indexes and FPT memos). Each verb runs the "
                 "same code as the matching window of\n.BR addrova .\n"
                 "Text is read and written as UTF\\-8 and converted to and from each table's code page.\n"
                 ".SH VERBS\n";
    for (const auto& v : verbs) {
        std::cout << ".TP\n.B " << roff(v.name) << "\n";
        if (!v.usage.empty()) std::cout << roff(v.usage) << "\n.br\n";
        std::cout << roff(v.summary) << "\n";
    }
    std::cout << ".SH EXIT STATUS\n0 on success, 1 when the work failed, 2 for a wrong command line.\n"
                 ".SH FILES\n.TP\n.I ~/.local/share/addrova\nSettings, system tables and data "
                 "(ADDROVA_HOME overrides it).\n.TP\n.I /usr/share/addrova\nThe shipped system tables, "
                 "layouts and help pages.\n.SH SEE ALSO\n.BR addrova (1)\n";
}

void printHelp(const std::vector<Verb>& verbs) {
    std::cout << "addrova-batch - Addrova's tools without windows\n\n"
                 "Usage: addrova-batch VERB [ARGUMENTS]\n\n";
    for (const auto& v : verbs) std::cout << "  " << v.name << " " << v.usage << "\n      " << v.summary << "\n";
    std::cout << "\nText is read and written as UTF-8 and converted to and from each table's code page.\n"
                 "Errors go to standard error with a non-zero exit status.\n"
                 "addrova-batch help VERB (or VERB --help) tells one verb's usage and options.\n";
}

Args parse(const Verb& verb, int argc, char** argv) {
    Args args;
    for (int i = 0; i < argc; ++i) {
        std::string a = argv[i];
        if (a.size() > 2 && a.compare(0, 2, "--") == 0) {
            std::string name = a.substr(2), value;
            auto eq = name.find('=');
            bool inlineValue = eq != std::string::npos;
            if (inlineValue) {
                value = name.substr(eq + 1);
                name = name.substr(0, eq);
            }
            bool takesValue = std::count(verb.valueOptions.begin(), verb.valueOptions.end(), name) != 0;
            bool flag = std::count(verb.flagOptions.begin(), verb.flagOptions.end(), name) != 0;
            if (!takesValue && !flag) throw UsageError{"unknown option --" + name};
            if (takesValue && !inlineValue) {
                if (i + 1 >= argc) throw UsageError{"option --" + name + " needs a value"};
                value = argv[++i];
            }
            if (flag && inlineValue) throw UsageError{"option --" + name + " takes no value"};
            args.options[name] = value;
        } else {
            args.positional.push_back(a);
        }
    }
    if (args.positional.size() < verb.minArgs) throw UsageError{"missing arguments"};
    if (args.positional.size() > verb.maxArgs) throw UsageError{"too many arguments"};
    return args;
}

}  // namespace

int main(int argc, char** argv) {
    std::vector<Verb> verbs;
    addTableVerbs(verbs);
    addAddressVerbs(verbs);
    addLayoutVerbs(verbs);
    addPostalVerbs(verbs);
    addLabelVerbs(verbs);
    addEnvelopeVerbs(verbs);
    addReportVerbs(verbs);
    addLetterVerbs(verbs);
    addExchangeVerbs(verbs);
    addToolVerbs(verbs);
    qInstallMessageHandler(qtMessage);
    auto find = [&](const char* name) {
        return std::find_if(verbs.begin(), verbs.end(), [&](const Verb& v) { return v.name == name; });
    };
    if (argc >= 2 && !std::strcmp(argv[1], "--man")) {
        printManPage(verbs);
        return 0;
    }
    if (argc >= 3 && !std::strcmp(argv[1], "help")) {
        auto it = find(argv[2]);
        if (it == verbs.end()) {
            std::cerr << "addrova-batch: unknown verb \"" << argv[2] << "\" (try --help)\n";
            return 2;
        }
        printVerbHelp(*it);
        return 0;
    }
    if (argc < 2 || !std::strcmp(argv[1], "--help") || !std::strcmp(argv[1], "-h") || !std::strcmp(argv[1], "help")) {
        printHelp(verbs);
        return argc < 2 ? 2 : 0;
    }
    auto it = find(argv[1]);
    if (it == verbs.end()) {
        std::cerr << "addrova-batch: unknown verb \"" << argv[1] << "\" (try --help)\n";
        return 2;
    }
    for (int i = 2; i < argc; ++i)
        if (!std::strcmp(argv[i], "--help") || !std::strcmp(argv[i], "-h")) {
            printVerbHelp(*it);
            return 0;
        }
    try {
        Args args = parse(*it, argc - 2, argv + 2);
        return it->run(args);
    } catch (const UsageError& e) {
        std::cerr << "addrova-batch " << it->name << ": " << e.message << "\nUsage: addrova-batch " << it->name << " "
                  << it->usage << "\n";
        return 2;
    } catch (const addrova::store::Error& e) {
        std::cerr << "addrova-batch " << it->name << ": " << e.what() << "\n";
        return 1;
    } catch (const std::exception& e) {
        std::cerr << "addrova-batch " << it->name << ": " << e.what() << "\n";
        return 1;
    }
}
