#pragma once

#include <QByteArray>
#include <QString>

namespace AtomicFile {

// Replaces the file at `path` with `data` in one step: on any failure the file that was there
// stays whole. False, with the system's reason, when the data could not be written in full.
// An existing `path` that is not a regular file (a device, a pipe) is refused and left as it is.
bool write(const QString &path, const QByteArray &data, QString *reason = nullptr);

} // namespace AtomicFile
