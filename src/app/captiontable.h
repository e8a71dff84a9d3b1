#pragma once

#include <QIODevice>
#include <QList>
#include <QString>

// The language-dependent captions: one row per control, with its German and English text.
// The table is data (a tab-separated UTF-8 resource); the windows apply it.
struct Caption
{
    QString window; // objectName of the window: "frmMain", "frmOption"
    QString control; // objectName of the control; the window's own name means its title
    QString german;
    QString english;

    const QString &text(bool isGerman) const { return isGerman ? german : english; }
};

namespace CaptionTable {

// Rows of four tab-separated fields; empty lines and lines starting with '#' are comments.
// A row with another number of fields is skipped and counted in `skipped`.
QList<Caption> parse(QIODevice &in, int *skipped = nullptr);

} // namespace CaptionTable
