#pragma once

// Envelope layout records (ENVELOPE.DBF), the envelope size table and the layout files in sysdata.
// No Qt.

#include <string>
#include <vector>

namespace addrova::store {
class Table;
}

namespace addrova::envelopes {

// One entry of the "Envelope Size" list: its text, the paper code stored in NUMBER and the size
// in inches (width along the address lines).
struct EnvelopeSize {
    const char* entry;
    int code;
    double width, height;
};
extern const std::vector<EnvelopeSize> kEnvelopeSizes;

// The list index of a code, -1 when the code is not in the table.
int EnvelopeSizeIndex(int code);
// Width and height of a code; both -1 for a code outside the table.
double EnvelopeWidth(int code);
double EnvelopeHeight(int code);
inline bool KnownEnvelopeCode(int code) { return EnvelopeSizeIndex(code) >= 0; }

inline constexpr int kEnvelope10 = 20;
inline constexpr const char* kNewEnvelope = "<New envelope>";
inline constexpr const char* kDefinitionMissing = "Envelope definition file has been removed from the sysdata directory";
inline constexpr size_t kDescriptionKept = 50;

// The designer's zoom, in percent: a step of 10 down only while above 60, up only while below 140.
int EnvelopeZoomStep(int percent, int direction);
// A side of the design panel at zoom 1.0: Round(inches x ppi); an unknown size (-1) gives 0.
int PanelPixels(double inches, int ppi);

// The window's copy of a layout record, text in the table's code page.
struct EnvelopeSetup {
    std::string descript = "Envelope #10";
    int number = kEnvelope10;
    double width = 9.5, height = 4.125;
    std::string binary;

    // Sets the code with its width and height.
    void setNumber(int code);
};

// The current record; the copy with no current record ("Envelope #10", code 20) at the end.
EnvelopeSetup ReadEnvelopeSetup(const store::Table& layouts);
// Sets DESCRIPT, NUMBER and BINARY of the current record (in edit or append state); the caller posts.
void WriteEnvelopeSetup(store::Table& layouts, const EnvelopeSetup& s);

// A layout file name as stored in BINARY is used only when it is a plain file name (no directory
// part, not "." or ".."): a damaged or foreign table must not reach files outside sysdata.
bool PlainFileName(const std::string& name);

// "BIN" + the last five digits of n + ".E" for n from 100001 up: the first that does not exist in
// sysdataDir (with a trailing '/'); "" when all are taken.
std::string NextEnvelopeBinaryName(const std::string& sysdataDir);

// Copies a layout file byte for byte in blocks of 2048 bytes; false (nothing written) when the
// source cannot be opened or the copy cannot be written.
bool CopyLayoutFile(const std::string& from, const std::string& to);

// Deletes the current layout record and its file in sysdata.
void DeleteEnvelope(store::Table& layouts, const std::string& sysdataDir);
// Appends a copy of the current layout record described "Clone of " + description, with a copy of
// its layout file under the next free name (no file when the original is missing). Returns the new
// record's copy; the table stands on it.
EnvelopeSetup CloneEnvelope(store::Table& layouts, const std::string& sysdataDir);

}  // namespace addrova::envelopes
