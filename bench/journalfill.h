#pragma once

#include <QString>

class JournalStore;

// A journal of many runs for timing the listing: `runs` runs of `readingsPerRun` readings each,
// one every quarter hour, spread over `samples` sample ids plus one control sample that every
// twentieth run measures; three runs in four evaluated (the control sample's too), one in
// thirty twice.
namespace JournalFill {

struct Shape
{
    int runs = 100000;
    int samples = 2000;
    int readingsPerRun = 30;
};

QString sampleName(int number); // number < samples
QString controlSample();

// Fills a new, empty journal in one transaction.
bool fill(JournalStore &store, const Shape &shape, QString *error);

} // namespace JournalFill
