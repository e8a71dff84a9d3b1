#pragma once

#include "documents/richtext.h"

#include <QByteArray>

// Writes RTF that word processors open with the same text: Windows-1252 with \'hh escapes,
// \uN? for every other character, one \par per paragraph, Arial, and the character formats
// the text carries (bold, italic, underline, size, colour).
QByteArray writeRtf(const RichText &text);
