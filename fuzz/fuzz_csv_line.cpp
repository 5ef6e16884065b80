// The delimited-text readers: the classic line parser, RFC 4180 records, the encoding probe.
#include "Ascii.h"

#include <cstdint>
#include <cstdio>
#include <string>
#include <unistd.h>

using namespace addrova::exchange;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string text(reinterpret_cast<const char*>(data), size);
    for (const auto& v : ParseAsciiLine(text))
        if (v.size() > text.size())
            __builtin_trap();
    char path[] = "/tmp/fuzz-csv-XXXXXX";
    const int fd = mkstemp(path);
    if (fd < 0)
        return 0;
    if (write(fd, data, size) != static_cast<ssize_t>(size)) {
        close(fd);
        unlink(path);
        return 0;
    }
    close(fd);
    const TextProbe probe = ProbeTextFile(path);
    std::string problem;
    (void)ResolveEncoding(Encoding::Auto, probe, problem);
    {
        TextReader lines(path);
        std::string line;
        while (lines.readLine(line))
            if (line.size() > kMaxLineLength)
                __builtin_trap();
        TextReader records(path);
        std::vector<std::string> values;
        while (records.readRecord(values))
            if (values.size() > kMaxColumns)
                __builtin_trap();
    }
    for (const bool rfc : {false, true}) {
        AsciiOptions o;
        o.rfc4180 = rfc;
        (void)ScanAsciiFile(path, o);
    }
    unlink(path);
    return 0;
}
