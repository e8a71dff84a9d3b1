#pragma once

class JournalStore;
class QIODevice;

// `kalumet --journal-verify`: checks the journal's audit trail and the records it covers.
namespace JournalVerify {

// Exit status when the trail or a record does not match.
constexpr int Broken = 3;

// Opens `store` (never making a journal) and checks it: 0 and a line with the entries and
// the newest chain hash when intact; Broken and the first entry that does not match when a
// row was changed behind the program's back; 2 when the journal cannot be read.
int run(JournalStore &store, QIODevice &out, QIODevice &err);

} // namespace JournalVerify
