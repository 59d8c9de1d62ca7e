// The workbook reader on real files: the example workbooks in their three formats agree (formula
// cells recomputed), broken and foreign files are reported, and mutated workbooks never crash it.
#include "dataplot/examplefiles.h"
#include "sheets/sheettable.h"
#include "sheets/workbookreader.h"

#include <QTemporaryDir>
#include <QtTest>

#include <atomic>
#include <cmath>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <random>

using namespace gyro;

namespace {

SheetTable TableOf(const WorkbookText& read, double& rows) {
    SheetTable table;
    std::string text = read.text, last;
    double columns = 0;
    ParseLinkText(text, last, table, rows, columns);
    return table;
}

// An Excel 2003 XML workbook of one sheet "S" whose rows are given as <Row> contents.
std::string ExcelXml(const std::string& rows) {
    return "<?xml version=\"1.0\"?>\n<?mso-application progid=\"Excel.Sheet\"?>\n"
           "<Workbook xmlns=\"urn:schemas-microsoft-com:office:spreadsheet\" "
           "xmlns:ss=\"urn:schemas-microsoft-com:office:spreadsheet\">"
           "<Worksheet ss:Name=\"S\"><Table>" +
           rows + "</Table></Worksheet></Workbook>\n";
}

} // namespace

class WorkbookReaderTest : public QObject {
    Q_OBJECT
private slots:
    void theThreeExampleFormatsGiveOneTable();
    void formulasErrorsAndLongChainsAreComputed();
    void failuresAreReportedByKind_data();
    void failuresAreReportedByKind();
    void sheetNamesAreListed();
    void workbooksSavedByOtherProgramsAreRead();
    void storedValuesServeAndABadFormulaCostsOnlyItsCell();
    void readsPastTheirLimitsAreStoppedOrCancelled();
    void mutatedWorkbooksNeverCrashTheReader();
};

void WorkbookReaderTest::theThreeExampleFormatsGiveOneTable() {
    double rowsX = 0, rowsO = 0, rowsC = 0;
    const WorkbookText x =
        ReadWorkbookRange(test::ExampleWorkbook(".xlsx"), "Feuille1", "C2:E100", 3072);
    const WorkbookText o =
        ReadWorkbookRange(test::ExampleWorkbook(".ods"), "Feuille1", "C2:E100", 3072);
    const WorkbookText c =
        ReadWorkbookRange(test::ExampleWorkbook(".csv"), "Feuille1", "C2:E100", 3072);
    QVERIFY2(x.ok(), x.message.c_str());
    QVERIFY2(o.ok(), o.message.c_str());
    QVERIFY2(c.ok(), c.message.c_str());
    const SheetTable tx = TableOf(x, rowsX), to = TableOf(o, rowsO), tc = TableOf(c, rowsC);
    QCOMPARE(rowsX, 99.0);
    QCOMPARE(rowsO, 99.0);
    QCOMPARE(rowsC, 99.0);
    for (int r = 1; r <= 99; ++r) {
        for (int col = 1; col <= 3; ++col) {
            const std::string& a = tx.cell(r, col);
            for (const SheetTable* other : {&to, &tc}) {
                const std::string& b = other->cell(r, col);
                if (IsNumericText(a) && IsNumericText(b))
                    QVERIFY2(std::abs(std::stod(a) - std::stod(b)) <= 1e-12,
                             qPrintable(QString("row %1 col %2: %3 / %4")
                                            .arg(r)
                                            .arg(col)
                                            .arg(a.c_str(), b.c_str())));
                else
                    QCOMPARE(b, a);
            }
        }
    }
    // Commands arrive as text, the helix on the unit cylinder, its z cells (formulas stored
    // without a value) rising by 1/48 per point, the circle's z (=0.6*2) at 1.2.
    QCOMPARE(tx.cell(1, 1), std::string("ligne0"));
    QCOMPARE(tx.cell(1, 2), std::string("rgb3"));
    for (int r = 2; r <= 50; ++r) {
        const double px = std::stod(tx.cell(r, 1)), py = std::stod(tx.cell(r, 2));
        QVERIFY(std::abs(px * px + py * py - 1) < 1e-9);
        QVERIFY(std::abs(std::stod(tx.cell(r, 3)) - (r - 2) / 48.0) < 1e-12);
        QVERIFY(std::abs(std::stod(to.cell(r, 3)) - (r - 2) / 48.0) < 1e-12);
    }
    QCOMPARE(tx.cell(51, 1), std::string()); // the pen-up row
    QCOMPARE(to.cell(55, 3), std::string("1.2"));
    // Lines are tab-separated and end with CR LF.
    QVERIFY(QByteArray::fromStdString(x.text).startsWith("ligne0\trgb3\t\r\n1\t0\t0\r\n"));
}

void WorkbookReaderTest::formulasErrorsAndLongChainsAreComputed() {
    QTemporaryDir dir;
    const std::string book = dir.filePath("calc.xml").toStdString();
    test::WriteBytes(book,
                     ExcelXml("<Row><Cell><Data ss:Type=\"Number\">4</Data></Cell>"
                              "<Cell ss:Formula=\"=1/0\"/><Cell ss:Formula=\"=RC[-2]*2+0.5\"/>"
                              "<Cell><Data ss:Type=\"String\">a&#9;b</Data></Cell></Row>"));
    WorkbookText read = ReadWorkbookRange(book, "S", "A1:D1", 3072);
    QVERIFY2(read.ok(), read.message.c_str());
    QCOMPARE(QString::fromStdString(read.text), QString("4\t#DIV/0!\t8.5\ta b\r\n"));

    // Circular references end in an error mark instead of waiting for themselves.
    test::WriteBytes(book,
                     ExcelXml("<Row><Cell ss:Formula=\"=R1C1+1\"/><Cell ss:Formula=\"=RC[1]\"/>"
                              "<Cell ss:Formula=\"=RC[-1]\"/></Row>"));
    read = ReadWorkbookRange(book, "S", "A1:C1", 3072);
    QVERIFY2(read.ok(), read.message.c_str());
    QCOMPARE(QString::fromStdString(read.text), QString("#REF!\t#REF!\t#REF!\r\n"));

    // Semicolons between the cells and decimal commas, as a French spreadsheet writes CSV.
    const std::string csv = dir.filePath("fr.csv").toStdString();
    test::WriteBytes(csv, "x;y;note\r\n-1,5;2,5E-3;\"a;b, c\"\r\n;7;un, deux\r\n");
    read = ReadWorkbookRange(csv, "fr", "A2:C3", 3072);
    QVERIFY2(read.ok(), read.message.c_str());
    QCOMPARE(QString::fromStdString(read.text),
             QString("-1.5\t0.0025\ta;b, c\r\n\t7\tun, deux\r\n"));

    // A running sum down 100,000 rows: each cell refers to the one above. Recomputing it goes
    // 100,000 references deep.
    std::string rows = "<Row><Cell><Data ss:Type=\"Number\">0</Data></Cell></Row>";
    for (int i = 1; i < 100000; ++i) rows += "<Row><Cell ss:Formula=\"=R[-1]C+1\"/></Row>";
    test::WriteBytes(book, ExcelXml(rows));
    read = ReadWorkbookRange(book, "S", "A99998:A100000", 3072);
    QVERIFY2(read.ok(), read.message.c_str());
    QCOMPARE(QString::fromStdString(read.text), QString("99997\r\n99998\r\n99999\r\n"));
}

void WorkbookReaderTest::failuresAreReportedByKind_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("content"); // "-" : no file at all
    QTest::addColumn<QString>("sheet");
    QTest::addColumn<QString>("range");
    QTest::addColumn<int>("failure");
    QTest::addColumn<QString>("says");
    const QByteArray xlsx =
        QByteArray::fromStdString(test::FileBytes(test::ExampleWorkbook(".xlsx")));
    const int unreadable = int(WorkbookFailure::Unreadable);
    const int refused = int(WorkbookFailure::Refused);
    QTest::newRow("missing") << "none.xlsx" << QByteArray("-") << "Feuille1"
                             << "C2:E100" << unreadable << "no such workbook";
    QTest::newRow("empty") << "e.xlsx" << QByteArray() << "Feuille1"
                           << "C2:E100" << unreadable << "empty";
    QTest::newRow("truncated") << "t.xlsx" << xlsx.left(xlsx.size() / 2) << "Feuille1"
                               << "C2:E100" << unreadable << "t.xlsx";
    QTest::newRow("binary xls")
        << "old.xls" << QByteArray("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8) << "Feuille1"
        << "C2:E100" << refused
        << ".xlsx, .ods, .csv (comma- or semicolon-separated) and Excel 2003 XML";
    QTest::newRow("foreign") << "notes.txt" << QByteArray("just words\n") << "Feuille1"
                             << "C2:E100" << refused << "not a workbook in a format read (.xlsx";
    // The zip directory of an .xlsx that says its first part unpacks to 4 GB.
    QByteArray bomb = xlsx;
    const qsizetype directory = bomb.lastIndexOf(QByteArray("PK\x01\x02", 4));
    const qsizetype first = bomb.indexOf(QByteArray("PK\x01\x02", 4));
    QVERIFY(first > 0 && directory >= first);
    bomb.replace(first + 24, 4, QByteArray("\xF0\xFF\xFF\xFF", 4));
    QTest::newRow("unpacks too large") << "bomb.xlsx" << bomb << "Feuille1"
                                       << "C2:E100" << refused << "more than 1024 MB once unpacked";
    QTest::newRow("missing sheet")
        << "ok.xlsx" << xlsx << "Sheet9"
        << "C2:E100" << refused << "has no sheet \"Sheet9\"; its sheets: Feuille1";
    QTest::newRow("bad range") << "ok.xlsx" << xlsx << "Feuille1"
                               << "C2-E100" << refused << "mettre les deux points";
}

void WorkbookReaderTest::failuresAreReportedByKind() {
    QFETCH(QString, name);
    QFETCH(QByteArray, content);
    QFETCH(QString, sheet);
    QFETCH(QString, range);
    QFETCH(int, failure);
    QFETCH(QString, says);
    QTemporaryDir dir;
    const std::string path = dir.filePath(name).toStdString();
    if (content != "-") test::WriteBytes(path, content.toStdString());
    const WorkbookText read = ReadWorkbookRange(path, sheet.toStdString(), range.toStdString(), 10);
    QCOMPARE(int(read.failure), failure);
    QVERIFY2(QString::fromStdString(read.message).contains(says), read.message.c_str());
    QVERIFY(read.text.empty());
}

void WorkbookReaderTest::sheetNamesAreListed() {
    std::string message;
    QCOMPARE(WorkbookSheetNames(test::ExampleWorkbook(".ods"), message),
             std::vector<std::string>{"Feuille1"});
    QCOMPARE(WorkbookSheetNames(test::ExampleWorkbook(".csv"), message),
             std::vector<std::string>{"courbes"});
    QVERIFY(WorkbookSheetNames("/nonexistent/x.ods", message).empty());
    QVERIFY(!message.empty());
    // Sheet names compare without case, as in spreadsheet programs.
    QVERIFY(ReadWorkbookRange(test::ExampleWorkbook(".xlsx"), "FEUILLE1", "C2:C2", 1).ok());
}

// Saved by openpyxl (relationship targets written as absolute part names, formulas without a
// stored value) and by LibreOffice Calc as .xlsx and .ods: a circle of radius 1 at z = 0.5, and
// D = C * 2 as a formula.
void WorkbookReaderTest::workbooksSavedByOtherProgramsAreRead() {
    for (const char* file :
         {"orbit-openpyxl.xlsx", "orbit-libreoffice.xlsx", "orbit-libreoffice.ods"}) {
        const WorkbookText read =
            ReadWorkbookRange(std::string(GYRO_FIXTURES_DIR "/") + file, "Orbit", "A1:D25", 3072);
        QVERIFY2(read.ok(), read.message.c_str());
        double rows = 0;
        const SheetTable table = TableOf(read, rows);
        QCOMPARE(rows, 25.0);
        for (int r = 1; r <= 25; ++r) {
            const double x = std::stod(table.cell(r, 1)), y = std::stod(table.cell(r, 2));
            QVERIFY2(std::abs(x * x + y * y - 1) < 1e-9, file);
            QCOMPARE(table.cell(r, 3), std::string("0.5"));
        }
        QVERIFY2(QByteArray::fromStdString(read.text).contains("\t0.5\t1\r\n"), file);
    }
}

// The hostile-input script's formula workbooks: the values a spreadsheet program stored serve as
// they are (a stale one included), formulas without one are computed, and a formula that cannot
// be computed marks its own cell; a workbook that asks to be recomputed on load is.
void WorkbookReaderTest::storedValuesServeAndABadFormulaCostsOnlyItsCell() {
    QTemporaryDir dir;
    const std::string corpus = dir.filePath("corpus").toStdString();
    const std::string command =
        "/usr/bin/python3 '" GYRO_CORPUS_SCRIPT "' --small '" + corpus + "'";
    QCOMPARE(std::system(command.c_str()), 0);
    const struct {
        const char* file;
        const char* range;
        const char* text;
    } cases[] = {
        {"stored-values.xlsx", "A1:D4",
         "1\t2\t3\taaa\r\n2\t4\t6\t#NAME?\r\n3\t99\t9\t7\r\n4\t8\t12\t#NAME?\r\n"},
        {"recompute-on-load.xlsx", "A1:D4",
         "1\t2\t3\t#NAME?\r\n2\t4\t6\t#NAME?\r\n3\t6\t9\t#NAME?\r\n4\t8\t12\t#NAME?\r\n"},
        {"unknown-function.xlsx", "A1:D2", "1\t1\t0\t#NAME?\r\n2\t2\t0\t\r\n"},
        {"missing-sheet-reference.xlsx", "A1:D1", "1\t1\t0\t#NAME?\r\n"},
        {"column-sums.xlsx", "C2999:D3000", "\t12\r\n\t12\r\n"},
    };
    for (const auto& c : cases) {
        const WorkbookText read = ReadWorkbookRange(corpus + "/" + c.file, "S", c.range, 3072);
        QVERIFY2(read.ok(), read.message.c_str());
        QCOMPARE(QString::fromStdString(read.text), QString(c.text));
    }
}

// A formula chain recomputed from scratch: the processor-time limit stops it, a cancel request
// stops it at once; the messages say which.
void WorkbookReaderTest::readsPastTheirLimitsAreStoppedOrCancelled() {
    QTemporaryDir dir;
    const std::string book = dir.filePath("chain.xml").toStdString();
    std::string rows = "<Row><Cell><Data ss:Type=\"Number\">1</Data></Cell></Row>";
    for (int i = 1; i < 3000; ++i) rows += "<Row><Cell ss:Formula=\"=SUM(R1C1:R[-1]C)\"/></Row>";
    test::WriteBytes(book, ExcelXml(rows));
    WorkbookLimits tight;
    tight.cpuSeconds = 1;
    tight.memoryBytes = std::size_t(64) << 20;
    WorkbookText read = ReadWorkbookRange(book, "S", "A3000:A3000", 1, tight);
    if (!read.ok()) {
        QCOMPARE(int(read.failure), int(WorkbookFailure::Refused));
        QVERIFY2(read.message.find("chain.xml is not read") == 0 &&
                     (read.message.find("1 s of computing") != std::string::npos ||
                      read.message.find("64 MB of memory") != std::string::npos),
                 read.message.c_str());
    }
    std::atomic<bool> cancel{true};
    WorkbookLimits cancelled;
    cancelled.cancel = &cancel;
    read = ReadWorkbookRange(book, "S", "A1:A1", 1, cancelled);
    QCOMPARE(int(read.failure), int(WorkbookFailure::Cancelled));
    QVERIFY2(read.message.find("cancelled") != std::string::npos, read.message.c_str());
}

// Deterministic mutations of the three example files: bytes overwritten, runs removed or
// repeated, the file cut short. Every read must return, either with the range or with a message.
void WorkbookReaderTest::mutatedWorkbooksNeverCrashTheReader() {
    QTemporaryDir dir;
    std::mt19937 random(20261208);
    int failures = 0, reads = 0;
    // The example workbooks, and the small damaged and mislabelled ones the hostile-input
    // script builds.
    const std::string corpus = dir.filePath("corpus").toStdString();
    const std::string command =
        "/usr/bin/python3 '" GYRO_CORPUS_SCRIPT "' --small '" + corpus + "'";
    QCOMPARE(std::system(command.c_str()), 0);
    std::vector<std::pair<std::string, std::string>> originals; // path, name for the mutation
    for (const char* ext : {".xlsx", ".ods", ".csv"})
        originals.emplace_back(test::ExampleWorkbook(ext), std::string("fuzz") + ext);
    for (const char* name : {"absolute-targets.xlsx", "missing-sheet.xlsx", "truncated-sheet.xlsx",
                             "utf16.csv", "workbook-named.csv"})
        originals.emplace_back(corpus + "/" + name, name);
    for (const auto& [source, name] : originals) {
        const std::string original = test::FileBytes(source);
        QVERIFY(!original.empty());
        const std::string path = dir.filePath(QString::fromStdString(name)).toStdString();
        const bool example = name.rfind("fuzz", 0) == 0;
        for (int i = 0; i < (example ? 120 : 40); ++i) {
            std::string bytes = original;
            const std::size_t at = random() % bytes.size();
            const std::size_t length = 1 + random() % 64;
            switch (i % 4) {
            case 0: // overwrite a few bytes
                for (std::size_t k = at; k < std::min(bytes.size(), at + length % 8 + 1); ++k)
                    bytes[k] = static_cast<char>(random());
                break;
            case 1:
                bytes.erase(at, length);
                break;
            case 2:
                bytes.insert(at, bytes.substr(at, length));
                break;
            default:
                bytes.resize(at);
                break;
            }
            test::WriteBytes(path, bytes);
            const WorkbookText read = example ? ReadWorkbookRange(path, "Feuille1", "C2:E100", 3072)
                                              : ReadWorkbookRange(path, "S", "A1:C12", 3072);
            if (read.ok()) {
                ++reads;
                QCOMPARE(read.rows, example ? 99 : 12);
                QVERIFY(read.text.find('\0') == std::string::npos);
            } else {
                ++failures;
                QVERIFY(!read.message.empty());
                QVERIFY(read.text.empty());
            }
        }
    }
    qInfo("mutated workbooks: %d read, %d reported", reads, failures);
    QVERIFY(failures > 0);
}

QTEST_GUILESS_MAIN(WorkbookReaderTest)
#include "workbookreader_test.moc"
