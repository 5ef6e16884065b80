#pragma once

// RTF 1.x into and out of a QTextDocument.
//
// Read: groups, control words and symbols, \* destinations (skipped when unknown), \bin, the font
// table with charsets, the colour table, \deff, \ansicpg, \'hh in the code page of the document or
// of the font's charset, \uN with \ucN fallback skipping; character formatting (\plain \f \fs \b \i
// \ul \ulnone \strike \cf \cb \highlight), paragraph formatting (\pard \par \line \tab \ql \qr \qc
// \qj \li \ri \fi \sb \sa \sl \slmult \tx \tqr \tqc \tqdec \pagebb \page) and the page
// (\paperw \paperh \margl \margr \margt \margb \landscape). Pictures, objects, headers, footers and
// the other destinations without text for the body are dropped. Field results are kept as text.
//
// Write: the same, as plain ASCII RTF with CR LF line ends; characters outside ASCII as \'hh in the
// document's code page when they fit, else as \uN with a '?' fallback.

#include "PageSettings.h"

#include <QByteArray>
#include <QString>

class QTextCursor;
class QTextDocument;

namespace addrova::richtext {

struct RtfResult {
    bool ok = true;
    QString error;  // why the text is not (wholly) read; what could be read is in the document
};

// Replaces the document's content and page settings.
RtfResult ReadRtf(const QByteArray& rtf, QTextDocument& doc);
// Inserts at the cursor; the document's page settings stay.
RtfResult InsertRtf(const QByteArray& rtf, QTextCursor& cursor);

// codePage: a Windows code page (1252 unless the text needs another).
QByteArray WriteRtf(const QTextDocument& doc, int codePage = 1252);

// Deepest group nesting the reader follows.
inline constexpr int kMaxRtfDepth = 200;

}  // namespace addrova::richtext
