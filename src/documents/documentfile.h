#pragma once

#include "documents/richtext.h"

#include <QCoreApplication>
#include <QString>

// Reading and writing document files (RTF). Failures come back as values; the window that
// started the command shows them.
struct FileProblem
{
    Q_DECLARE_TR_FUNCTIONS(FileProblem)

public:
    enum Kind {
        None,
        NotFound, // the file (or, when saving, its folder) does not exist
        AccessDenied,
        IsFolder,
        NotRegular, // a FIFO, a device or a socket: reading it could block or never end
        NotRtf,
        Truncated,
        TooLarge,
        Damaged,
        ReadFailed, // other reasons: `detail` holds the system's text
        WriteFailed,
    };

    Kind kind = None;
    QString detail;

    bool ok() const { return kind == None; }
};

struct LoadedDocument
{
    RichText text;
    FileProblem problem;
};

struct LoadedText
{
    QString text; // paragraphs joined by CR LF, as a document window hands its text out
    FileProblem problem;
};

LoadedDocument loadDocumentFile(const QString &path);
// The file's text without its formats, for evaluations that read text only.
LoadedText loadDocumentText(const QString &path);
// Writes through a temporary file that replaces the old one only when complete, so a failed
// save leaves the file that was there.
FileProblem saveDocumentFile(const QString &path, const RichText &text);
// The same for any other file the program writes (exported data, pictures).
FileProblem saveFileAtomically(const QString &path, const QByteArray &data);

// "The file "..." cannot be opened: <reason>", in the language of the installed translation.
QString fileProblemMessage(const FileProblem &problem, const QString &path, bool saving);
