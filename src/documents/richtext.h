#pragma once

#include <QList>
#include <QString>

#include <optional>

// Character formatting a document carries in its files: what the RTF codec reads and writes.
struct CharFormat
{
    static constexpr int DefaultHalfPoints = 24; // 12 pt

    bool bold = false;
    bool italic = false;
    bool underline = false;
    int halfPoints = DefaultHalfPoints;
    std::optional<quint32> color; // 0xRRGGBB; none = the text's automatic colour

    friend bool operator==(const CharFormat &, const CharFormat &) = default;
};

struct RichRun
{
    QString text; // may hold U+2028 (a line break inside the paragraph) and tabs
    CharFormat format;

    friend bool operator==(const RichRun &, const RichRun &) = default;
};

struct RichParagraph
{
    QList<RichRun> runs;

    QString text() const;
    // Adds text in the given format, joining it to the last run when the format is the same.
    void append(const QString &text, const CharFormat &format);

    friend bool operator==(const RichParagraph &, const RichParagraph &) = default;
};

// A document's rich text: paragraphs of formatted runs.
struct RichText
{
    QList<RichParagraph> paragraphs;

    // Plain text as the rest of the program sees it: paragraphs (and line breaks) joined by
    // CR LF.
    QString plainText() const;
    // Plain text in the default format; CR LF or LF alone end a paragraph, a lone CR is dropped.
    static RichText fromPlainText(const QString &text);

    friend bool operator==(const RichText &, const RichText &) = default;
};

inline constexpr QChar LineSeparator = QChar(0x2028);
