// Fuzzes the list file reader with any file, and its writer with every list
// the reader gives: rows of 8-bit text without a CR or an LF, the lists the
// format can hold. What the writer writes, the reader reads back unchanged,
// unless its first row begins with what reads as a byte-order mark.

#include "FuzzCheck.h"
#include "watch/ScripsFile.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray file(reinterpret_cast<const char *>(data), qsizetype(size));
    const QStringList rows = ScripsFile::lines(file);

    fuzzCheck(rows.size() <= file.count('\r') + file.count('\n') + 1,
              "a line per line end, and at most one after the last");
    for (const QString &row : rows)
        fuzzCheck(!row.contains(u'\r') && !row.contains(u'\n'), "a CR or an LF always ends a line");
    const bool leadingMark = !rows.isEmpty() && rows[0].startsWith(QString::fromLatin1("\xEF\xBB\xBF"));
    fuzzCheck(leadingMark || ScripsFile::lines(ScripsFile::serialize(rows)) == rows,
              "a written list reads back unchanged");
    return 0;
}
