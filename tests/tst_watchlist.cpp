#include "watch/WatchList.h"

#include <QTest>

class tst_WatchList : public QObject
{
    Q_OBJECT

private slots:
    void deleteRemovesOnlyTheRowsOwnOccurrence();
};

void tst_WatchList::deleteRemovesOnlyTheRowsOwnOccurrence()
{
    WatchList list;
    for (const char *symbol : {"ABC", "X", "ABC", "A,B"})
        list.append(QString::fromLatin1(symbol));
    QCOMPARE(list.text(), QStringLiteral(",ABC,,X,,ABC,,A,B,"));
    QVERIFY(list.contains("B")); // a comma inside a symbol reads as two symbols

    list.removeAt(2); // the second ABC row: the first keeps refreshing
    QCOMPARE(list.text(), QStringLiteral(",ABC,,X,,A,B,"));
    QVERIFY(list.contains("ABC"));
    list.removeAt(2);
    QCOMPARE(list.text(), QStringLiteral(",ABC,,X,"));
    list.removeAt(0);
    list.removeAt(0);
    QCOMPARE(list.text(), QString());
    QCOMPARE(list.size(), 0);
    list.removeAt(0); // nothing to remove, nothing breaks
}

QTEST_APPLESS_MAIN(tst_WatchList)
#include "tst_watchlist.moc"
