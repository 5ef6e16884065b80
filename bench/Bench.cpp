#include "Bench.h"

#include "DemoData.h"

#include <algorithm>

namespace bench {

// SQLite stores the values without the blanks a DBF pads them with. Blank padding only changes
// the order of texts holding bytes below the blank, which the data never does, so `a+b` (a padded
// to its width) becomes substr(a||blanks,1,width)||b and `a-b` (a's blanks moved to the end)
// becomes rtrim(a)||b.
#define PAD30 "'                              '"
const char* const kSqlLnameKey = "substr(upper(lname)||" PAD30 ",1,30)||upper(fname)";

const TagDef kTags[26] = {
    {"NAME", "UPPER(LNAME-FNAME)", "upper(rtrim(lname)||fname)"},
    {"LNAME", "UPPER(LNAME)+UPPER(FNAME)", "substr(upper(lname)||" PAD30 ",1,30)||upper(fname)"},
    {"FNAME", "UPPER(FNAME)", "upper(fname)"},
    {"TITLE", "UPPER(TITLE)", "upper(title)"},
    {"ORG", "UPPER(ORG)", "upper(org)"},
    {"STREET", "UPPER(STREET)", "upper(street)"},
    {"STREET2", "UPPER(STREET2)", "upper(street2)"},
    {"CITY", "UPPER(CITY+STATE)", "upper(substr(city||" PAD30 ",1,30)||state)"},
    {"STATE", "UPPER(STATE)", "upper(state)"},
    {"ZIP", "UPPER(ZIP)", "upper(zip)"},
    {"COUNTRY", "UPPER(COUNTRY)", "upper(country)"},
    {"PHONE", "UPPER(PHONE)", "upper(phone)"},
    {"PHONE2", "UPPER(PHONE2)", "upper(phone2)"},
    {"EMAIL", "UPPER(EMAIL)", "upper(email)"},
    {"FAX", "UPPER(FAX)", "upper(fax)"},
    {"USER1", "UPPER(USER1)", "upper(user1)"},
    {"USER2", "UPPER(USER2)", "upper(user2)"},
    {"DATE", "UPPER(DATE)", "upper(date)"},
    {"TAG", "UPPER(TAG)", "upper(tag)"},
    {"CODES", "UPPER(CODES)", "upper(codes)"},
    {"PREFIX", "UPPER(PREFIX)", "upper(prefix)"},
    {"MIDDLE", "UPPER(MIDDLE)", "upper(middle)"},
    {"DELETED", "DELETED()", "deleted"},
    {"STATEZIP", "UPPER(STATE-ZIP)", "upper(rtrim(state)||zip)"},
    {"ISDEL", "ISDEL", "isdel"},
    {"NOTISDEL", "!ISDEL", "(NOT isdel)"},
};

std::vector<SeekKey> makeSeekKeys(const Config& cfg) {
    Generator gen(cfg.seed);
    Rng rng(cfg.seed * 7 + 12345);
    std::vector<SeekKey> keys;
    keys.reserve(cfg.seeks);
    std::string lname, fname;
    for (uint32_t i = 0; i < cfg.seeks; ++i) {
        gen.names(rng.below(cfg.records), lname, fname);
        std::string key = upperAscii(lname);
        key.resize(30, ' ');
        uint32_t kind = rng.below(30);
        if (kind < 3) {
            // No surname starts with QX, no first name with ZQ.
            if (kind == 0)
                key = "QX" + upperAscii(fname);
            else
                key += "ZQ";
            keys.push_back({key, false});
            continue;
        }
        std::string first = upperAscii(fname);
        if (kind < 12) first.resize(std::min<size_t>(first.size(), 3));
        keys.push_back({key + first, true});
    }
    return keys;
}

}  // namespace bench
