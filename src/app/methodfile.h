#pragma once

#include "model/settingsrecord.h"

#include <QByteArray>
#include <QIODevice>
#include <QString>

// The last-method file "lastmeth.kmt": eight lines, each ended by CR LF, Windows-1252:
// VolInk, InkZeit, RsPort, EndWert, EndVol, the dose field's text, Sprache, Bereich.
namespace MethodFile {

inline constexpr auto FileName = "lastmeth.kmt";
// Reading is bounded: a file is read up to MaxBytes, a line up to MaxLineLength characters.
inline constexpr qint64 MaxBytes = 1024 * 1024;
inline constexpr int MaxLineLength = 1024;

// The file in the process's current directory at the moment of the call.
QString path();

// Reads what converts into its field and leaves every other field as it was: missing lines,
// empty or non-numeric lines, out-of-range integers, overlong lines. Lines end at CR LF, CR,
// or LF alone (a file edited on Linux). Never fails.
void read(QIODevice &in, SettingsRecord &record, QString &dosText);
// Opens `filePath` and reads it; a missing or unreadable file reads nothing.
void readFile(const QString &filePath, SettingsRecord &record, QString &dosText);

// The eight lines as written, in Windows-1252.
QByteArray compose(const SettingsRecord &record, const QString &dosText);

// Replaces the file as a whole: a failure leaves the previous file untouched. False, with a
// reason, when it could not be written.
bool write(const QString &filePath, const QByteArray &content, QString *error = nullptr);

} // namespace MethodFile
