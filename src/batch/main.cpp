#include "Batch.h"

#include "Error.h"

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

void printHelp(const std::vector<Verb>& verbs) {
    std::cout << "addrova-batch - Addrova's tools without windows\n\n"
                 "Usage: addrova-batch VERB [ARGUMENTS]\n\n";
    for (const auto& v : verbs) std::cout << "  " << v.name << " " << v.usage << "\n      " << v.summary << "\n";
    std::cout << "\nText is read and written as UTF-8 and converted to and from each table's code page.\n"
                 "Errors go to standard error with a non-zero exit status.\n";
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
    addToolVerbs(verbs);
    if (argc < 2 || !std::strcmp(argv[1], "--help") || !std::strcmp(argv[1], "-h") || !std::strcmp(argv[1], "help")) {
        printHelp(verbs);
        return argc < 2 ? 2 : 0;
    }
    auto it = std::find_if(verbs.begin(), verbs.end(), [&](const Verb& v) { return v.name == argv[1]; });
    if (it == verbs.end()) {
        std::cerr << "addrova-batch: unknown verb \"" << argv[1] << "\" (try --help)\n";
        return 2;
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
