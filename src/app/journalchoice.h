#pragma once

#include "journal/journallocation.h"

#include <QString>

#include <optional>

class QSettings;

// Which journal the command line works on: the one named by --journal, else the one of the
// settings (the window's), else the SQLite file of this user.
namespace JournalChoice {

// The settings key that names the journal, "Journal/Url".
QString settingsKey();

// `option`: the value of --journal, when given. Empty with `problem` set when the text given
// names no journal.
std::optional<JournalLocation> choose(
    const std::optional<QString> &option, const QSettings &settings, QString *problem);

} // namespace JournalChoice
