// The spreadsheet link's texts: A1 and L1C1 references, the topic, typed ranges, the numeric
// test of a cell and the splitting of a received text into the sheet table.
#include "sheets/cellrange.h"
#include "sheets/sheettable.h"

#include <QTemporaryDir>
#include <QtTest>

#include <fstream>

using namespace gyro;

class LinkTextTest : public QObject {
    Q_OBJECT
private slots:
    void rangesBecomeItemsAndBack_data();
    void rangesBecomeItemsAndBack();
    void topicNamesTheFileOnlyWhenItExists();
    void typedRangesAreCheckedAgainstTheSheet_data();
    void typedRangesAreCheckedAgainstTheSheet();
    void numericTest_data();
    void numericTest();
    void linesAndTabsFillTheTable();
    void longTextsStopAt3072Rows();
    void emptyTextFallsBackOnTheStoredText();
};

void LinkTextTest::rangesBecomeItemsAndBack_data() {
    QTest::addColumn<QString>("range");
    QTest::addColumn<QString>("item");
    QTest::addColumn<QString>("back"); // the A1 text the item converts back to
    QTest::newRow("default") << "C2:E100"
                             << "L2C3:L100C5"
                             << "C2:E100";
    QTest::newRow("A1") << "A1:C10"
                        << "L1C1:L10C3"
                        << "A1:C10";
    QTest::newRow("two letters") << "AA5:AC9"
                                 << "L5C27:L9C29"
                                 << "AA5:AC9";
    QTest::newRow("lower case, blanks") << " c2 : e100 "
                                        << "L2C3:L100C5"
                                        << "C2:E100";
    QTest::newRow("last column") << "XFD1:XFD1048576"
                                 << "L1C16384:L1048576C16384"
                                 << "XFD1:XFD1048576";
    QTest::newRow("Z and AZ") << "Z1:AZ2"
                              << "L1C26:L2C52"
                              << "Z1:AZ2";
}

void LinkTextTest::rangesBecomeItemsAndBack() {
    QFETCH(QString, range);
    QFETCH(QString, item);
    QFETCH(QString, back);
    QCOMPARE(QString::fromStdString(ItemFromRange(range.toStdString())), item);
    QCOMPARE(QString::fromStdString(RangeFromItem(item.toStdString())), back);
}

void LinkTextTest::topicNamesTheFileOnlyWhenItExists() {
    QTemporaryDir dir;
    const std::string book = dir.filePath("runs.xls").toStdString();
    QCOMPARE(QString::fromStdString(LinkTopic(book, "Feuille1")), QString("Excel|[]Feuille1"));
    std::ofstream(book) << "x";
    QCOMPARE(QString::fromStdString(LinkTopic(book, "Feuille1")),
             QString("Excel|[runs.xls]Feuille1"));
    QCOMPARE(QString::fromStdString(LinkTopic("", "Feuille1")), QString("Excel|[]Feuille1"));
    // A folder is no workbook.
    QCOMPARE(QString::fromStdString(LinkTopic(dir.path().toStdString(), "S")),
             QString("Excel|[]S"));
}

void LinkTextTest::typedRangesAreCheckedAgainstTheSheet_data() {
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("problem"); // a piece of the message; empty when accepted
    QTest::newRow("accepted") << "C2:E100"
                              << "";
    QTest::newRow("reversed corners accepted") << "E100:C2"
                                               << "";
    QTest::newRow("no colon") << "C2E100"
                              << "Vous n'avez pas sélectionné correctement une plage, mettre les "
                                 "deux points (:) entre les deux groupes de lettres/chiffre  , "
                                 "Recommancez!";
    QTest::newRow("row 0") << "C0:E5"
                           << "dépasse la feuille";
    QTest::newRow("row beyond") << "C2:E1048577"
                                << "dépasse la feuille";
    QTest::newRow("column beyond") << "C2:XFE5"
                                   << "dépasse la feuille";
    QTest::newRow("four letters") << "C2:ABCD5"
                                  << "lettres puis de chiffres";
    QTest::newRow("digits first") << "2C:E5"
                                  << "lettres puis de chiffres";
    QTest::newRow("no row") << "C:E5"
                            << "lettres puis de chiffres";
    QTest::newRow("huge row does not overflow") << "C99999999999:E5"
                                                << "lettres puis";
}

void LinkTextTest::typedRangesAreCheckedAgainstTheSheet() {
    QFETCH(QString, typed);
    QFETCH(QString, problem);
    CellRange range;
    const QString message = QString::fromStdString(ParseRangeA1(typed.toStdString(), range));
    if (problem.isEmpty()) {
        QCOMPARE(message, QString());
        QCOMPARE(range.normalised(), (CellRange{{2, 3}, {100, 5}}));
        QCOMPARE(range.rowCount(), 99);
        QCOMPARE(range.columnCount(), 3);
    } else {
        QVERIFY2(message.contains(problem), qPrintable(message));
        QVERIFY(message.endsWith("Recommancez!"));
    }
}

void LinkTextTest::numericTest_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("numeric");
    for (const char* t : {"1.5", " -2 ", "3e-4", ".5", "5.", "+1E+300", "0"})
        QTest::newRow(t) << t << true;
    for (const char* t : {"", " ", "1,5", "1e", "abc", "1.5x", "-", ".", "1 2", "#DIV/0!", "e5"})
        QTest::newRow(t) << t << false;
}

void LinkTextTest::numericTest() {
    QFETCH(QString, text);
    QFETCH(bool, numeric);
    QCOMPARE(IsNumericText(text.toStdString()), numeric);
}

void LinkTextTest::linesAndTabsFillTheTable() {
    SheetTable table;
    table.setCell(2, 3, "stale"); // a short line must not leave an old cell behind
    std::string last;
    double rows = -1, columns = -1;
    std::string text = "1.5\t2\t3\r\n"      // three cells
                       "4\t5\r\n"           // two cells: z stays empty
                       "\r\n"               // empty line: empty x cell (pen up)
                       "a\t\tc\r\n"         // tab after tab: empty y cell
                       " 7 \t 8 \t\r\n"     // trailing tab adds no cell; blanks trimmed
                       "1\t2\t3\t4\t5\r\n"; // cells beyond the third are not kept
    QVERIFY(ParseLinkText(text, last, table, rows, columns));
    QCOMPARE(rows, 6.0);
    QCOMPARE(columns, 5.0);
    QCOMPARE(last, text);
    const char* expected[6][3] = {{"1.5", "2", "3"}, {"4", "5", ""}, {"", "", ""},
                                  {"a", "", "c"},    {"7", "8", ""}, {"1", "2", "3"}};
    for (int r = 0; r < 6; ++r)
        for (int c = 0; c < 3; ++c)
            QCOMPARE(QString::fromStdString(table.cell(r + 1, c + 1)), QString(expected[r][c]));

    // A last line without its CR LF still counts.
    std::string unterminated = "1\t2\t3\r\n9\t8";
    QVERIFY(ParseLinkText(unterminated, last, table, rows, columns));
    QCOMPARE(rows, 2.0);
    QCOMPARE(columns, 2.0);
    QCOMPARE(table.cell(2, 1), std::string("9"));
    QCOMPARE(table.cell(2, 3), std::string());
}

void LinkTextTest::longTextsStopAt3072Rows() {
    std::string text;
    for (int i = 1; i <= 4000; ++i) text += std::to_string(i) + "\t0\t0\r\n";
    SheetTable table;
    std::string last;
    double rows = 0, columns = 0;
    QVERIFY(ParseLinkText(text, last, table, rows, columns));
    QCOMPARE(rows, 3072.0);
    QCOMPARE(table.cell(3072, 1), std::string("3072"));
    QCOMPARE(table.cell(3073, 1), std::string()); // outside the table
}

void LinkTextTest::emptyTextFallsBackOnTheStoredText() {
    SheetTable table;
    std::string last;
    double rows = 17, columns = 2;
    std::string empty;
    QVERIFY(!ParseLinkText(empty, last, table, rows, columns));
    QCOMPARE(rows, 17.0); // the previous count is kept
    QCOMPARE(columns, 2.0);

    last = "1\t2\t3\r\n4\t5\t6\r\n";
    QVERIFY(ParseLinkText(empty, last, table, rows, columns));
    QCOMPARE(rows, 2.0);
    QCOMPARE(table.cell(2, 3), std::string("6"));
}

QTEST_GUILESS_MAIN(LinkTextTest)
#include "linktext_test.moc"
