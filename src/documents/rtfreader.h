#pragma once

#include "documents/richtext.h"

#include <QByteArrayView>

enum class RtfError {
    None,
    NotRtf, // does not start as an RTF file
    Truncated, // ends inside a group, a control word or binary data
    TooLarge, // more bytes or paragraphs than a document may have
    TooDeep, // groups nested deeper than any word processor writes
    Malformed, // a control word or number longer than RTF allows
};

struct RtfReadResult
{
    RichText text;
    RtfError error = RtfError::None;
    qsizetype errorOffset = -1; // byte where reading stopped

    bool ok() const { return error == RtfError::None; }
};

// Bounds that keep hostile input cheap: reading costs time and memory in proportion to the
// input, and input beyond these is refused.
struct RtfLimits
{
    qsizetype maxBytes = 16 * 1024 * 1024;
    int maxDepth = 200;
    qsizetype maxParagraphs = 500000;
};

struct RtfTextResult
{
    QString text;
    RtfError error = RtfError::None;
    qsizetype errorOffset = -1;

    bool ok() const { return error == RtfError::None; }
};

// Reads the text of an RTF document as word processors write it: paragraphs, line breaks,
// tabs, table cells, special characters, \'hh in the declared code page, \uN with \ucN, and
// bold, italic, underline, size and colour. Destinations that hold no document text (font
// and colour tables, style sheets, document information, pictures, objects, headers, footers,
// notes, \* groups) are skipped. Text after the outermost group is ignored.
RtfReadResult readRtf(QByteArrayView data, const RtfLimits &limits = {});
// The same text without its formats, as the rest of the program sees it (paragraphs and line
// breaks joined by CR LF): readRtf(data).text.plainText() at a fraction of the cost.
RtfTextResult readRtfText(QByteArrayView data, const RtfLimits &limits = {});
