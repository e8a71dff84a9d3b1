#pragma once

#include <QString>

class AbstractChart;

// A document as the core sees it: its text and its chart.
class AbstractDocument
{
public:
    virtual ~AbstractDocument() = default;

    // The whole text, paragraphs joined by CR LF.
    virtual QString text() const = 0;
    virtual void setText(const QString &text) = 0;
    // Appends at the end without laying out the whole text again; CR LF or LF alone in
    // `text` become paragraph breaks.
    virtual void appendText(const QString &text) = 0;
    virtual AbstractChart &chart() = 0;
};

// The frame's documents: the active one (or none) and the making of new ones.
class DocumentHost
{
public:
    virtual ~DocumentHost() = default;
    virtual AbstractDocument *activeDocument() = 0;
    // Opens a new numbered document, which becomes the active one.
    virtual AbstractDocument *newDocument() = 0;
};
