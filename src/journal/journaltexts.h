#pragma once

#include "model/journalrecords.h"

#include <optional>

// The texts the journal stores and the command line prints for its enumerations, and the
// origin of this process's records.
namespace Journal {

QString endReasonText(EndReason reason); // "end_value", "running", ...
std::optional<EndReason> endReasonFromText(const QString &text);
QString runKindText(RunKind kind); // "incremental", "report", "import"
std::optional<RunKind> runKindFromText(const QString &text);

// This process: the login name, the host name and the given program version.
Origin currentOrigin(const QString &programVersion);

} // namespace Journal
