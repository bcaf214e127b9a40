// Fuzzes the list file reader with any file, and its writer with every list
// the reader gives: rows of 8-bit text without a CR, the lists the format can
// hold. What the writer writes, the reader reads back unchanged.

#include "FuzzCheck.h"
#include "watch/ScripsFile.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray file(reinterpret_cast<const char *>(data), qsizetype(size));
    const QStringList rows = ScripsFile::lines(file);

    fuzzCheck(rows.size() <= file.count('\r') + 1, "a line per line end, and at most one after the last");
    for (const QString &row : rows)
        fuzzCheck(!row.contains(u'\r'), "a CR always ends a line");
    fuzzCheck(ScripsFile::lines(ScripsFile::serialize(rows)) == rows, "a written list reads back unchanged");
    return 0;
}
