#include "documentfile.h"

#include "rtfreader.h"
#include "rtfwriter.h"

#include "common/atomicfile.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace {

FileProblem problemFor(const QString &path, bool saving, const QString &systemText)
{
    const QFileInfo info(path);
    if (info.isDir())
        return {FileProblem::IsFolder, {}};
    if (saving) {
        const QFileInfo folder(info.absolutePath());
        if (!folder.isDir())
            return {FileProblem::NotFound, {}};
        if (!folder.isWritable() || (info.exists() && !info.isWritable()))
            return {FileProblem::AccessDenied, {}};
        return {FileProblem::WriteFailed, systemText};
    }
    if (!info.exists())
        return {FileProblem::NotFound, {}};
    if (!info.isReadable())
        return {FileProblem::AccessDenied, {}};
    return {FileProblem::ReadFailed, systemText};
}

FileProblem::Kind kindOf(RtfError error)
{
    switch (error) {
    case RtfError::None:
        return FileProblem::None;
    case RtfError::NotRtf:
        return FileProblem::NotRtf;
    case RtfError::Truncated:
        return FileProblem::Truncated;
    case RtfError::TooLarge:
        return FileProblem::TooLarge;
    case RtfError::TooDeep:
    case RtfError::Malformed:
        break;
    }
    return FileProblem::Damaged;
}

QString reasonText(const FileProblem &problem, bool saving)
{
    switch (problem.kind) {
    case FileProblem::None:
        break;
    case FileProblem::NotFound:
        return saving ? FileProblem::tr("The folder does not exist.")
                      : FileProblem::tr("The file does not exist.");
    case FileProblem::AccessDenied:
        return FileProblem::tr("Access denied.");
    case FileProblem::IsFolder:
        return FileProblem::tr("It is a folder.");
    case FileProblem::NotRegular:
        return FileProblem::tr("It is not a regular file.");
    case FileProblem::NotRtf:
        return FileProblem::tr("It is not an RTF file.");
    case FileProblem::Truncated:
        return FileProblem::tr("The RTF file is incomplete.");
    case FileProblem::TooLarge:
        return FileProblem::tr("The file is too large.");
    case FileProblem::Damaged:
        return FileProblem::tr("The RTF file is damaged.");
    case FileProblem::ReadFailed:
        return FileProblem::tr("Read error (%1).").arg(problem.detail);
    case FileProblem::WriteFailed:
        return FileProblem::tr("Write error (%1).").arg(problem.detail);
    }
    return {};
}

// The file's bytes, refused before reading when it is not a regular file or larger than a
// document may be.
FileProblem readDocumentBytes(const QString &path, QByteArray &data)
{
    const QFileInfo info(path);
    if (info.exists() && !info.isFile() && !info.isDir())
        return {FileProblem::NotRegular, {}};
    QFile file(path);
    if (info.isDir() || !file.open(QIODevice::ReadOnly))
        return problemFor(path, false, file.errorString());
    // Never read more than a document may hold.
    const qsizetype limit = RtfLimits().maxBytes;
    if (file.size() > limit)
        return {FileProblem::TooLarge, {}};
    data = file.read(limit + 1);
    if (file.error() != QFileDevice::NoError)
        return problemFor(path, false, file.errorString());
    return {};
}

} // namespace

LoadedDocument loadDocumentFile(const QString &path)
{
    LoadedDocument result;
    QByteArray data;
    result.problem = readDocumentBytes(path, data);
    if (!result.problem.ok())
        return result;
    RtfReadResult read = readRtf(data);
    if (!read.ok()) {
        result.problem = {kindOf(read.error), {}};
        return result;
    }
    result.text = std::move(read.text);
    return result;
}

LoadedText loadDocumentText(const QString &path)
{
    LoadedText result;
    QByteArray data;
    result.problem = readDocumentBytes(path, data);
    if (!result.problem.ok())
        return result;
    RtfTextResult read = readRtfText(data);
    if (!read.ok()) {
        result.problem = {kindOf(read.error), {}};
        return result;
    }
    result.text = std::move(read.text);
    return result;
}

FileProblem saveDocumentFile(const QString &path, const RichText &text)
{
    return saveFileAtomically(path, writeRtf(text));
}

FileProblem saveFileAtomically(const QString &path, const QByteArray &data)
{
    if (QFileInfo(path).isDir())
        return {FileProblem::IsFolder, {}};
    QString reason;
    if (!AtomicFile::write(path, data, &reason))
        return problemFor(path, true, reason);
    return {};
}

QString fileProblemMessage(const FileProblem &problem, const QString &path, bool saving)
{
    const QString message = saving ? FileProblem::tr("The file \"%1\" cannot be saved: %2")
                                   : FileProblem::tr("The file \"%1\" cannot be opened: %2");
    return message.arg(QDir::toNativeSeparators(path), reasonText(problem, saving));
}
