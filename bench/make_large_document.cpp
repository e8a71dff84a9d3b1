// make-large-document: writes one of the benchmark documents to a file, to time whole
// processes on it (kalumet --evaluate, other RTF readers) or to open it in the program.
//
//   make-large-document reports OUT.rtf [REPORTS [ROWS]]
//   make-large-document lines OUT.rtf [LINES]

#include "largedocuments.h"

#include <QFile>

#include <cstdio>
#include <cstdlib>

int main(int argc, char *argv[])
{
    if (argc < 3) {
        std::fprintf(stderr, "usage: %s reports|lines OUT.rtf [COUNT [ROWS]]\n", argv[0]);
        return 2;
    }
    const QByteArray kind(argv[1]);
    const auto count = [&](int index, int fallback) {
        return argc > index ? std::atoi(argv[index]) : fallback;
    };
    QByteArray data;
    if (kind == "reports")
        data = LargeDocuments::wordStyleReports(count(3, 250), count(4, 100));
    else if (kind == "lines")
        data = LargeDocuments::longLines(count(3, 63000));
    else
        return 2;
    QFile file(QString::fromLocal8Bit(argv[2]));
    if (!file.open(QIODevice::WriteOnly) || file.write(data) != data.size())
        return 1;
    return 0;
}
