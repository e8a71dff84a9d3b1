#include "atomicfile.h"

#include <QCoreApplication>
#include <QFile>
#include <QSaveFile>

#include <cerrno>
#include <sys/stat.h>

namespace AtomicFile {

bool write(const QString &path, const QByteArray &data, QString *reason)
{
    // Writing beside and renaming over would replace a device or a pipe with a plain file.
    struct stat st;
    if (::stat(QFile::encodeName(path).constData(), &st) == 0 && !S_ISREG(st.st_mode)) {
        if (reason)
            *reason = QCoreApplication::translate("AtomicFile", "not a regular file");
        return false;
    }
    QSaveFile file(path);
    // Unbuffered: a write that falls short (a full disk, a file size limit) shows here. Through
    // the buffer it would only fail in the flush at commit, which QSaveFile (Qt 6.4) does not
    // notice, and the truncated file would replace the old one.
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered)) {
        if (reason)
            *reason = file.errorString();
        return false;
    }
    errno = 0;
    if (file.write(data) != data.size()) {
        if (reason)
            *reason = errno ? qt_error_string(errno) : file.errorString();
        file.cancelWriting();
        return false;
    }
    if (!file.commit()) {
        if (reason)
            *reason = file.errorString();
        return false;
    }
    return true;
}

} // namespace AtomicFile
