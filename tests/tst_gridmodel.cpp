#include "support/LeadingNumber.h"
#include "watch/GridModel.h"
#include "watch/QuoteGridColumns.h"
#include "watch/TrendPictures.h"

#include <QColor>
#include <QSignalSpy>
#include <QTest>
#include <optional>

class tst_GridModel : public QObject
{
    Q_OBJECT

private slots:
    void rowCountAddsAndDropsRowsAtTheBottom();
    void cellsReadAsShown();
    void deleteRowMovesTheRowsBelowUp();
    void textContrastsWithEveryBackColour_data();
    void textContrastsWithEveryBackColour();
    void picturesStayUntilReplaced();
    void lockedCellsAreNeverEditable();
    void batchSendsOneChangeNotice();
    void holdsAFullListOfRows();
    void trendPicturesAreDrawnPixelForPixel();
    void coloursStayWithTheirRowsWhateverHappensAround_data();
    void coloursStayWithTheirRowsWhateverHappensAround();
};

void tst_GridModel::rowCountAddsAndDropsRowsAtTheBottom()
{
    GridModel grid(QuoteGridColumns::specs());
    QCOMPARE(grid.columnCount(), 11);
    grid.setRowCount(2);
    grid.setText(2, 1, "B");
    grid.setRowCount(3);
    QCOMPARE(grid.text(2, 1), QStringLiteral("B"));
    QCOMPARE(grid.text(3, 1), QString());
    grid.setRowCount(1);
    grid.setRowCount(2);
    QCOMPARE(grid.text(2, 1), QString()); // a dropped row comes back empty
    grid.setRowCount(0);
    QCOMPARE(grid.rowCount(), 0);
    QCOMPARE(grid.text(1, 1), QString()); // outside the rows reads as empty
    QCOMPARE(grid.headerData(4, Qt::Horizontal, Qt::DisplayRole).toString(), QStringLiteral("CHANGE %"));
}

void tst_GridModel::cellsReadAsShown()
{
    GridModel grid(QuoteGridColumns::specs());
    grid.setRowCount(1);
    QCOMPARE(grid.text(1, 4), QString()); // an empty number cell
    grid.setNumber(1, 4, 1234.5);
    QCOMPARE(grid.text(1, 4), QStringLiteral("1,234.50"));
    QCOMPARE(grid.data(grid.index(0, 3), Qt::DisplayRole).toString(), QStringLiteral("1,234.50"));
    grid.setInteger(1, 11, 1234567);
    QCOMPARE(grid.text(1, 11), QStringLiteral("1,234,567"));
    grid.setNumber(1, 5, -0.5);
    QCOMPARE(grid.text(1, 5), QStringLiteral("-0.50"));
    QCOMPARE(grid.data(grid.index(0, 3), Qt::TextAlignmentRole).toInt() & Qt::AlignRight, int(Qt::AlignRight));

    // The quick read-back of a number agrees with reading its text.
    for (double value : {0.0, 0.005, 0.015, 1.005, -2.675, 99.995, 1234.5, 1e7 + 0.125, -0.004, 12345678.994}) {
        grid.setNumber(1, 4, value);
        QCOMPARE(grid.shownNumber(1, 4), NumberRules::readLeadingNumber(grid.text(1, 4)));
    }
    QCOMPARE(grid.shownNumber(1, 1), 0.0); // an empty text cell
}

void tst_GridModel::deleteRowMovesTheRowsBelowUp()
{
    GridModel grid(QuoteGridColumns::specs());
    grid.setRowCount(4);
    const QStringList symbols{"A", "B", "C"};
    for (int row = 1; row <= 3; ++row) {
        grid.setText(row, 1, symbols[row - 1]);
        grid.setNumber(row, 4, row * 10.0);
        grid.setBackColour(row, 4, 0xFF0000);
    }
    grid.deleteRow(2);
    QCOMPARE(grid.rowCount(), 4);
    QCOMPARE(grid.text(1, 1), QStringLiteral("A"));
    QCOMPARE(grid.text(2, 1), QStringLiteral("C"));
    QCOMPARE(grid.text(2, 4), QStringLiteral("30.00"));
    QCOMPARE(grid.backColour(3, 4), GridModel::kNoColour); // the spare row moved up, blank
    QCOMPARE(grid.text(3, 1), QString());
    QCOMPARE(grid.text(4, 1), QString());

    // Rows deleted and added before a column ever held a number: its first
    // number lands in its own row, every other cell of it stays empty.
    grid.deleteRow(1);
    grid.setRowCount(6);
    grid.setNumber(5, QuoteGridColumns::Open, 7.5);
    QCOMPARE(grid.text(5, QuoteGridColumns::Open), QStringLiteral("7.50"));
    for (int row : {1, 4, 6})
        QVERIFY(grid.isEmpty(row, QuoteGridColumns::Open));
    grid.deleteRow(1);
    QCOMPARE(grid.text(4, QuoteGridColumns::Open), QStringLiteral("7.50"));
    QCOMPARE(grid.shownNumber(5, QuoteGridColumns::Open), 0.0);
}

void tst_GridModel::textContrastsWithEveryBackColour_data()
{
    QTest::addColumn<uint>("packed");
    QTest::addColumn<QColor>("back");
    QTest::newRow("blue") << 0xFF0000u << QColor(0, 0, 255);
    QTest::newRow("red") << 0x0000FFu << QColor(255, 0, 0);
    QTest::newRow("black") << 0x000000u << QColor(0, 0, 0);
    QTest::newRow("white") << 0xFFFFFFu << QColor(255, 255, 255);
    QTest::newRow("yellow") << 0x00FFFFu << QColor(255, 255, 0);
}

void tst_GridModel::textContrastsWithEveryBackColour()
{
    QFETCH(uint, packed);
    QFETCH(QColor, back);
    GridModel grid(QuoteGridColumns::specs());
    grid.setRowCount(1);
    grid.setBackColour(1, 1, packed);
    const QModelIndex cell = grid.index(0, 0);
    QCOMPARE(grid.data(cell, Qt::BackgroundRole).value<QColor>(), back);
    const QColor text = grid.data(cell, Qt::ForegroundRole).value<QColor>();
    const auto luminance = [](const QColor &c) { return 0.299 * c.red() + 0.587 * c.green() + 0.114 * c.blue(); };
    QVERIFY2(qAbs(luminance(text) - luminance(back)) > 100, "text must stand out from its cell");
    QVERIFY(!grid.data(grid.index(0, 1), Qt::ForegroundRole).isValid()); // uncoloured cells keep the palette
}

void tst_GridModel::picturesStayUntilReplaced()
{
    GridModel grid(QuoteGridColumns::specs());
    const int up = grid.addPicture(TrendPictures::up());
    const int down = grid.addPicture(TrendPictures::down());
    grid.setRowCount(1);
    QVERIFY(!grid.data(grid.index(0, 5), Qt::DecorationRole).isValid());
    grid.setPicture(1, 6, up);
    QCOMPARE(grid.picture(1, 6), up);
    QCOMPARE(grid.data(grid.index(0, 5), Qt::DecorationRole).value<QImage>(), TrendPictures::up());
    grid.setPicture(1, 6, down);
    QCOMPARE(grid.picture(1, 6), down);
    grid.setPicture(1, 4, up); // not a picture column
    QCOMPARE(grid.picture(1, 4), 0);
}

void tst_GridModel::lockedCellsAreNeverEditable()
{
    GridModel grid(QuoteGridColumns::specs());
    grid.setRowCount(1);
    const Qt::ItemFlags flags = grid.flags(grid.index(0, 0));
    QVERIFY(flags & Qt::ItemIsSelectable);
    QVERIFY(!(flags & Qt::ItemIsEditable));
}

void tst_GridModel::batchSendsOneChangeNotice()
{
    GridModel grid(QuoteGridColumns::specs());
    grid.setRowCount(100);
    QSignalSpy changed(&grid, &QAbstractItemModel::dataChanged);
    QSignalSpy reset(&grid, &QAbstractItemModel::modelReset);
    {
        GridModel::Batch batch(grid);
        for (int row = 10; row <= 20; ++row)
            grid.setNumber(row, 2, row);
    }
    QCOMPARE(changed.size(), 1);
    QCOMPARE(changed[0][0].toModelIndex().row(), 9);
    QCOMPARE(changed[0][1].toModelIndex().row(), 19);
    {
        GridModel::Batch batch(grid);
        grid.setRowCount(150);
        grid.setText(150, 1, "LAST");
    }
    QCOMPARE(reset.size(), 1);
    QCOMPARE(grid.rowCount(), 150);
    QCOMPARE(grid.text(150, 1), QStringLiteral("LAST"));
}

void tst_GridModel::holdsAFullListOfRows()
{
    GridModel grid(QuoteGridColumns::specs());
    {
        GridModel::Batch batch(grid);
        grid.setRowCount(40000);
        for (int row = 1; row <= 40000; ++row) {
            grid.setText(row, 1, QStringLiteral("S%1").arg(row));
            grid.setNumber(row, 4, row);
        }
    }
    grid.deleteRow(32767);
    QCOMPARE(grid.text(32767, 1), QStringLiteral("S32768"));
    QCOMPARE(grid.text(39999, 4), QStringLiteral("40,000.00"));
}

void tst_GridModel::trendPicturesAreDrawnPixelForPixel()
{
    const QImage up = TrendPictures::up();
    const QImage down = TrendPictures::down();
    QCOMPARE(up.size(), QSize(15, 15));
    QCOMPARE(up.depth(), 24);
    const int upWidths[15] = {0, 0, 0, 1, 3, 3, 5, 5, 7, 7, 9, 9, 0, 0, 0};
    for (int row = 0; row < 15; ++row) {
        int upCount = 0;
        int downCount = 0;
        for (int col = 0; col < 15; ++col) {
            const QColor u = up.pixelColor(col, row);
            const QColor d = down.pixelColor(col, row);
            QCOMPARE(u.red(), 0);
            QCOMPARE(u.blue(), 0);
            QCOMPARE(d.green(), 0);
            QCOMPARE(d.blue(), 0);
            if (u.green() > 0) {
                ++upCount;
                QVERIFY(u.green() == 255 || (u.green() >= 140 && u.green() <= 240));
                QVERIFY(qAbs(col - 7) <= upWidths[row] / 2);
            }
            if (d.red() > 0) {
                ++downCount;
                QVERIFY(d.red() == 255 || (d.red() >= 140 && d.red() <= 240));
            }
        }
        QCOMPARE(upCount, upWidths[row]);
        QCOMPARE(downCount, upWidths[14 - row]); // the same shape upside down
    }
    QCOMPARE(up.pixelColor(7, 10).green(), 255); // a body pixel
    QVERIFY(up.pixelColor(7, 3).green() < 255);  // the tip is shaded
    QVERIFY(down.pixelColor(7, 3).red() < 255);  // so is the down picture's top edge
    QCOMPARE(down.pixelColor(7, 5).red(), 255);
}

void tst_GridModel::coloursStayWithTheirRowsWhateverHappensAround_data()
{
    QTest::addColumn<bool>("inBatch");
    QTest::newRow("one change at a time") << false;
    QTest::newRow("in a batch") << true;
}

// A column gets its colours only from its first coloured cell on: before,
// after, and around rows added and deleted, every cell reads as it was set.
void tst_GridModel::coloursStayWithTheirRowsWhateverHappensAround()
{
    QFETCH(bool, inBatch);
    GridModel grid(QuoteGridColumns::specs());
    std::optional<GridModel::Batch> batch;
    if (inBatch)
        batch.emplace(grid);
    grid.setRowCount(3);
    QCOMPARE(grid.backColour(2, 4), GridModel::kNoColour);
    QVERIFY(!grid.data(grid.index(1, 3), Qt::BackgroundRole).isValid());
    grid.setBackColour(2, 4, 0x0000FF);
    grid.setRowCount(5);
    grid.setBackColour(5, 4, 0xFF0000);
    grid.deleteRow(1);
    QCOMPARE(grid.backColour(1, 4), 0x0000FFu);
    QCOMPARE(grid.backColour(4, 4), 0xFF0000u);
    QCOMPARE(grid.backColour(5, 4), GridModel::kNoColour); // the blank row that came in at the bottom
    QCOMPARE(grid.backColour(3, 4), GridModel::kNoColour);
    QCOMPARE(grid.backColour(4, 1), GridModel::kNoColour); // a column never coloured
    grid.deleteRow(2);
    grid.setRowCount(2);
    grid.setRowCount(4);
    QCOMPARE(grid.backColour(4, 4), GridModel::kNoColour); // rows that come back come back blank
    grid.setBackColour(4, 1, 0x00FF00);
    batch.reset();
    QCOMPARE(grid.data(grid.index(3, 0), Qt::BackgroundRole).value<QColor>(), QColor(0, 255, 0));
    QVERIFY(!grid.data(grid.index(2, 0), Qt::BackgroundRole).isValid());
}

QTEST_MAIN(tst_GridModel)
#include "tst_gridmodel.moc"
