// The axes library: graduation table, labels, pens, pinned points, layout, fonts and its warning.
#include "kelaxes/alertekelaxes.h"
#include "kelaxes/demonstration.h"
#include "kelaxes/fontes.h"
#include "kelaxes/graduation.h"
#include "kelaxes/kelaxes.h"
#include "support/scriptedasker.h"

#include <QPaintEngine>
#include <QtTest>

#include <cmath>
#include <limits>

using namespace gyro;

namespace {
const double kNaN = std::numeric_limits<double>::quiet_NaN();
const double kInf = std::numeric_limits<double>::infinity();

/// A paint device that keeps the texts drawn on it, each with its span along x [device units].
class TextCatcher : public QPaintDevice {
public:
    struct Text {
        QString text;
        double left, right, y;
    };
    QPaintEngine* paintEngine() const override { return &m_engine; }
    const std::vector<Text>& texts() const { return m_engine.texts; }

protected:
    int metric(PaintDeviceMetric m) const override {
        if (m == PdmWidth || m == PdmHeight) return 2000;
        if (m == PdmDevicePixelRatioScaled) return int(devicePixelRatioFScale());
        const bool dpi =
            m == PdmDpiX || m == PdmDpiY || m == PdmPhysicalDpiX || m == PdmPhysicalDpiY;
        return dpi ? 96 : 1;
    }

private:
    class Engine : public QPaintEngine {
    public:
        Engine() : QPaintEngine(AllFeatures) {}
        bool begin(QPaintDevice*) override { return true; }
        bool end() override { return true; }
        void updateState(const QPaintEngineState&) override {}
        void drawPixmap(const QRectF&, const QPixmap&, const QRectF&) override {}
        void drawPolygon(const QPointF*, int, PolygonDrawMode) override {}
        void drawTextItem(const QPointF& p, const QTextItem& item) override {
            const QTransform t = painter()->combinedTransform();
            const QPointF a = t.map(p), b = t.map(p + QPointF(item.width(), 0));
            texts.push_back({item.text(), std::min(a.x(), b.x()), std::max(a.x(), b.x()), a.y()});
        }
        Type type() const override { return User; }
        std::vector<Text> texts;
    };
    mutable Engine m_engine;
};
} // namespace

class KelaxesTest : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void graduationTable();
    void degenerateRangesGiveNoGraduationLoop();
    void labelsSkipTheEndsAndReadCleanly();
    void labelsOfANarrowAxisDoNotOverlap();
    void lignesPens();
    void pointeIsPinnedToTheWindowEdge();
    void badLimitsAreReportedNotDrawn();
    void denseCurveIsDrawnWhole();
    void fitXTruncatesATallYAxis();
    void printerHintDecidesThePageOrientation();
    void fontSearchKeepsTheLowestIndexAndFallsBack();
    void alerteKelaxesAnswers();

private:
    test::ScriptedAsker m_asker;
    int m_ends = 0;
};

void KelaxesTest::init() {
    KelaxesLibrary::instance().reset();
    ErrorReport::instance().reset();
    m_asker = test::ScriptedAsker();
    m_ends = 0;
    ErrorReport::instance().setAsker(&m_asker);
    ErrorReport::instance().setEndProgram([this] { ++m_ends; });
}

void KelaxesTest::cleanup() {
    ErrorReport::instance().setAsker(nullptr);
    ErrorReport::instance().setEndProgram({});
    KelaxesLibrary::instance().setOrientationHint({});
    KelaxesLibrary::instance().setFontList({});
}

void KelaxesTest::graduationTable() {
    struct Row {
        double min, max, d;
        int L, mRaw, m;
        double step;
        int minor;
        double first;
    };
    const Row rows[] = {
        {-100, 100, 13.333, 1, 1, 1, 10, 5, -100},
        {0, 45, 3, 0, 3, 2, 2, 5, 0},
        {0, 1, 0.0667, -2, 6, 5, 0.05, 4, 0},
        {0, 80, 5.333, 0, 5, 5, 5, 4, 0},
        {0, 120, 8, 0, 8, 10, 10, 5, 0},
        {-7, 23, 2, 0, 2, 2, 2, 5, -8}, // the first graduation lies below the minimum
        {0, 15, 1, 0, 1, 1, 1, 5, 0},   // d exactly a power of ten
        {0, 1.5e-6, 1e-7, -7, 1, 1, 1e-7, 5, 0},
    };
    for (const Row& r : rows) {
        const AxisGraduation g = graduate(r.min, r.max);
        const QString at = QStringLiteral("range %1..%2").arg(r.min).arg(r.max);
        QVERIFY2(g.valid, qPrintable(at));
        QVERIFY2(std::abs(g.d - r.d) < 1e-3 * r.d, qPrintable(at));
        QVERIFY2(g.L == r.L && g.mRaw == r.mRaw && g.m == r.m, qPrintable(at));
        QVERIFY2(std::abs(g.step - r.step) < 1e-12 * r.step, qPrintable(at));
        QVERIFY2(g.minor == r.minor, qPrintable(at));
        QVERIFY2(std::abs(g.first - r.first) < 1e-12 * r.step, qPrintable(at));
    }
}

void KelaxesTest::degenerateRangesGiveNoGraduationLoop() {
    const double bad[][2] = {{kNaN, 1}, {0, kInf}, {5, 5}, {3, -3}, {-1e308, 1e308}};
    for (const auto& r : bad) QVERIFY(!graduate(r[0], r[1]).valid);
    // A range tiny against its magnitude: steps vanish in rounding, the count stays bounded.
    const AxisGraduation g = graduate(1e16, 1e16 + 4);
    QVERIFY(graduationValues(g, 1e16 + 4).size() <= std::size_t(kMaxGraduations));
}

void KelaxesTest::labelsSkipTheEndsAndReadCleanly() {
    struct Row {
        double value;
        bool labelled;
    };
    for (Row r : {Row{-100, false}, Row{-97, false}, Row{-90, true}, Row{0, true}, Row{90, true},
                  Row{97, false}, Row{100, false}})
        QVERIFY2(graduationLabelled(r.value, -100, 100, 10) == r.labelled,
                 qPrintable(QString::number(r.value)));
    QCOMPARE(graduationLabel(90), std::string("90 "));
    QCOMPARE(graduationLabel(-90), std::string("-90 "));
    QCOMPARE(graduationLabel(0), std::string(" 0 "));
    const std::vector<double> v = graduationValues(graduate(0, 1), 1);
    QCOMPARE(v.size(), std::size_t(21));
    QCOMPARE(graduationLabel(v[3]), std::string("0.15 "));
    QCOMPARE(graduationLabel(v[20]), std::string("1 "));
}

void KelaxesTest::labelsOfANarrowAxisDoNotOverlap() {
    // Twenty-one graduations of 0.05 under a frame a few hundred units wide.
    KelaxesLibrary& lib = KelaxesLibrary::instance();
    lib.params.view = 1;
    lib.view(1).setSize(QSizeF(360, 360));
    QVERIFY(Kelaxes(-0.17, 0.88, -0.5, 0.65, "x", "y", 0).drawn);
    TextCatcher catcher;
    QPainter painter(&catcher);
    lib.view(1).replay(painter, QRectF(0, 0, 360, 360));
    painter.end();
    // The x labels share the lowest baseline of the graduation labels.
    std::vector<TextCatcher::Text> xLabels;
    double baseline = -kInf;
    for (const auto& t : catcher.texts()) {
        bool number = false;
        t.text.trimmed().toDouble(&number);
        if (!number) continue;
        if (t.y > baseline + 0.5) xLabels.clear(), baseline = t.y;
        if (std::abs(t.y - baseline) <= 0.5) xLabels.push_back(t);
    }
    QVERIFY2(xLabels.size() >= 4, qPrintable(QString::number(xLabels.size())));
    std::sort(xLabels.begin(), xLabels.end(),
              [](const auto& a, const auto& b) { return a.left < b.left; });
    for (std::size_t i = 1; i < xLabels.size(); ++i) {
        QVERIFY2(xLabels[i].left >= xLabels[i - 1].right,
                 qPrintable(xLabels[i - 1].text + "|" + xLabels[i].text));
    }
}

void KelaxesTest::lignesPens() {
    struct Row {
        double style;
        Qt::PenStyle pattern;
        double width;
    };
    const Row rows[] = {
        {0, Qt::SolidLine, 1},       {-3, Qt::SolidLine, 1},  {1, Qt::SolidLine, 1},
        {4.4, Qt::SolidLine, 4},     {9, Qt::SolidLine, 9},   {10, Qt::SolidLine, 1},
        {11, Qt::DashLine, 1},       {12, Qt::DotLine, 1},    {13, Qt::DashDotLine, 1},
        {14, Qt::DashDotDotLine, 1}, {15, Qt::NoPen, 1},      {16, Qt::SolidLine, 1},
        {20, Qt::DashLine, 1},       {1e300, Qt::DashLine, 1}};
    for (const Row& r : rows) {
        const QPen pen = lignesPen(r.style);
        QVERIFY2(pen.style() == r.pattern && pen.widthF() == r.width,
                 qPrintable(QString::number(r.style)));
    }
    KelaxesLibrary& lib = KelaxesLibrary::instance();
    lib.params.view = 3;
    Lignes(12);
    QCOMPARE(lib.state.pen[3].style(), Qt::DotLine);
    QCOMPARE(lib.state.pen[kPrinterSlot].style(), Qt::SolidLine); // not printing
    QVERIFY(m_asker.questions.empty());
    Lignes(kNaN);
    QCOMPARE(m_asker.titles.at(0), std::string("Faute Lignes Kelaxes Avertissement Kelaxes"));
}

void KelaxesTest::pointeIsPinnedToTheWindowEdge() {
    KelaxesLibrary& lib = KelaxesLibrary::instance();
    lib.params.view = 1;
    lib.params.red2 = 0, lib.params.green2 = 50, lib.params.blue2 = 255;
    const KelaxesLayout layout = Kelaxes(-100, 100, -50, 50, "AxeX", "AxeY", 0);
    QVERIFY(layout.drawn);
    DrawingSurface& s = lib.view(1);
    struct Row {
        double x, y, ex, ey;
    };
    for (Row r : {Row{500, 0, 100, 0}, Row{-1e9, 1e9, -100, 50}, Row{20, -60, 20, -50},
                  Row{30, 10, 30, 10}}) {
        const QPointF at = pointePosition(1, r.x, r.y);
        QVERIFY2((at - s.toSurface(r.ex, r.ey)).manhattanLength() < 1e-9,
                 qPrintable(QStringLiteral("%1,%2").arg(r.x).arg(r.y)));
    }
    Pointe(500, 0);
    const QPointF edge = s.toSurface(100, 0);
    const QColor c = s.toImage().pixelColor(edge.toPoint());
    QVERIFY2(c.blue() > 200 && c.red() < 60, qPrintable(c.name()));
    QVERIFY(m_asker.questions.empty());
    Pointe(kNaN, 0);
    QCOMPARE(m_asker.titles.size(), std::size_t(1));
}

void KelaxesTest::badLimitsAreReportedNotDrawn() {
    KelaxesLibrary& lib = KelaxesLibrary::instance();
    lib.params.view = 2;
    QVERIFY(!Kelaxes(kNaN, 1, 0, 1, "x", "y").drawn);
    QVERIFY(!Kelaxes(0, kInf, 0, 1, "x", "y").drawn);
    QVERIFY(!m_asker.titles.empty());
    QCOMPARE(m_asker.titles.back(), std::string("Faute de Kelaxes Avertissement Kelaxes"));
    // Reversed and empty ranges are reported and drawn the sensible way round.
    m_asker.titles.clear();
    const KelaxesLayout reversed = Kelaxes(10, -10, 5, 5, "x", "y");
    QVERIFY(reversed.drawn);
    QCOMPARE(m_asker.titles.size(), std::size_t(2));
    QCOMPARE(reversed.window.xMin, -10.0);
    QVERIFY(reversed.window.yMin < 5 && reversed.window.yMax > 5);
    // A picture too small for a frame.
    lib.view(2).setSize(QSizeF(8, 8));
    QVERIFY(!Kelaxes(0, 1, 0, 1, "x", "y").drawn);
    // Plotting NaN lifts the pen instead of drawing to nowhere.
    lib.view(2).setSize(QSizeF(640, 480));
    QVERIFY(Kelaxes(0, 1, 0, 1, "x", "y").drawn);
    Plot(0, 0);
    Plot(kNaN, 1);
    QVERIFY(!lib.state.last[2].has_value());
}

void KelaxesTest::denseCurveIsDrawnWhole() {
    // 32 001 samples, most closer than the surface can show: merged steps must leave no gap.
    KelaxesLibrary::instance().view(1).setSize(QSizeF(800, 450));
    QVERIFY(DemonstrationGraph(200.0 / 32000).drawn);
    const DrawingSurface& s = KelaxesLibrary::instance().view(1);
    const QImage image = s.toImage(QSize(1600, 900));
    for (double x = -97.3; x < 97; x += 6.1) {
        const QPointF at = s.toSurface(x, 50 * std::sin(x / 20)) * 2;
        bool curve = false;
        for (int dy = -2; dy <= 2 && !curve; ++dy) {
            const QColor c = image.pixelColor(at.toPoint() + QPoint(0, dy));
            curve = (c.red() > 180 && c.green() < 150) || (c.blue() > 180 && c.red() < 100);
        }
        QVERIFY2(curve, qPrintable(QString::number(x)));
    }
    QVERIFY(m_asker.questions.empty());
}

void KelaxesTest::fitXTruncatesATallYAxis() {
    KelaxesLibrary& lib = KelaxesLibrary::instance();
    lib.params.view = 0;
    const KelaxesLayout fit = Kelaxes(0, 100, 0, 1000, "x", "y", 1);
    QVERIFY(fit.drawn && fit.yTruncated && !fit.xTruncated);
    QVERIFY(fit.window.yMax > 0 && fit.window.yMax < 1000);
    // One scale on both axes: a world unit is as long across as up.
    const QPointF o = lib.view(0).toSurface(0, 0), e = lib.view(0).toSurface(10, 10);
    QVERIFY(std::abs((e.x() - o.x()) + (e.y() - o.y())) < 1e-9);
    const KelaxesLayout equal = Kelaxes(0, 100, 0, 1000, "x", "y", 0);
    QVERIFY(!equal.yTruncated && equal.window.yMax == 1000);
    QVERIFY(equal.frame.bottom() <= lib.view(0).size().height());
}

void KelaxesTest::printerHintDecidesThePageOrientation() {
    KelaxesLibrary& lib = KelaxesLibrary::instance();
    std::vector<std::string> asked;
    std::string reply;
    lib.setOrientationHint([&](const std::string& o) {
        asked.push_back(o);
        return reply;
    });
    lib.params.noPrint = 0;
    QCOMPARE(lib.printerOrientation(), std::string("Portrait"));
    // Timed out: the wide graph goes on the portrait page.
    KelaxesLayout l = Kelaxes(-100, 100, -50, 50, "AxeX", "AxeY", 0);
    QCOMPARE(asked, std::vector<std::string>{"Paysage"});
    QVERIFY(l.drawn && l.slot == kPrinterSlot);
    QCOMPARE(lib.printerOrientation(), std::string("Portrait"));
    // Acknowledged: the program turns its own page and lays the graph out on it.
    reply = "Reinitialiser";
    l = Kelaxes(-100, 100, -50, 50, "AxeX", "AxeY", 0);
    QCOMPARE(asked.size(), std::size_t(2));
    QCOMPARE(lib.printerOrientation(), std::string("Paysage"));
    QVERIFY(lib.printerPage().size().width() > lib.printerPage().size().height());
    QVERIFY(l.drawn && l.orientation == "Paysage");
    // Now the page suits: no hint. A picture (not the printer) never asks.
    Kelaxes(-100, 100, -50, 50, "AxeX", "AxeY", 0);
    lib.params.noPrint = 1;
    Kelaxes(-10, 10, -50, 50, "AxeX", "AxeY", 0);
    QCOMPARE(asked.size(), std::size_t(2));
}

void KelaxesTest::fontSearchKeepsTheLowestIndexAndFallsBack() {
    KelaxesLibrary& lib = KelaxesLibrary::instance();
    lib.setFontList([] {
        return QStringList{"Courier New",     "Arial Black", "Arial",
                           "Times New Roman", "Courier",     "Times"};
    });
    ListeFontes();
    QCOMPARE(lib.state.courierIndex, 0);
    QCOMPARE(lib.state.arialIndex, 1);
    QCOMPARE(lib.state.timesIndex, 3);
    QCOMPARE(lib.state.timesFamily, QStringLiteral("Times New Roman"));
    // A Linux machine: none of the three; stand-ins of the same kind, and no warning.
    lib.setFontList([] { return QStringList{"DejaVu Sans", "DejaVu Serif"}; });
    lib.state.fontsListed = false;
    Fontes(12, "times");
    QCOMPARE(lib.state.timesIndex, -1);
    QVERIFY(!lib.state.timesFamily.isEmpty() && !lib.state.courierFamily.isEmpty());
    QCOMPARE(lib.state.fontFamily, 'T');
    QCOMPARE(kelaxesFont().pixelSize(), 16); // 12 pt at 96 dpi
    Fontes(8, "xyz");                        // another letter keeps the family
    QCOMPARE(lib.state.fontFamily, 'T');
    QVERIFY(m_asker.questions.empty());
    Fontes(-4, "C"); // a size out of range is reported and the size kept
    QCOMPARE(m_asker.titles.at(0), std::string("Faute Fontes Kelaxes Avertissement Kelaxes"));
    QCOMPARE(lib.state.fontPoints, 8.0);
    QCOMPARE(lib.state.fontFamily, 'C');
}

void KelaxesTest::alerteKelaxesAnswers() {
    const std::string question = std::string("Faute Plot Kelaxes\r\n") +
                                 "Une petite erreur s'est produite dans Kelaxes. Changez les "
                                 "données ou essayez de ne plus imprimer   Tapez oui pour "
                                 "continuer, stop pour stopper ou non pour terminer";
    struct Step {
        std::vector<std::string> answers;
        std::string expectedDefault;
        int questions;
        int ends;
    };
    // One continuous session: each report's default is the previous report's last answer.
    const Step steps[] = {
        {{"oui, c'est noté!"}, "oui, c'est noté!", 1, 0},
        {{"Stop", "non"}, "oui, c'est noté!", 2, 0}, // capital S is not "stop"
        {{"non", "non"}, "non", 2, 0},
        {{""}, "non", 1, 0}, // Cancel continues
        {{"Oui"}, "", 2, 0}, // a capital O asks again; the script's Cancel continues
        {{"non", "oui"}, "", 2, 1},
        {{"stop"}, "oui", 1, 1},
    };
    for (const Step& step : steps) {
        m_asker = test::ScriptedAsker(step.answers);
        m_ends = 0;
        AlerteKelaxes("Faute Plot Kelaxes");
        QCOMPARE(int(m_asker.questions.size()), step.questions);
        QCOMPARE(m_asker.questions[0].defaultAnswer, step.expectedDefault);
        QCOMPARE(m_asker.questions[0].prompt, question);
        QCOMPARE(m_asker.questions[0].title,
                 std::string("Faute Plot Kelaxes Avertissement Kelaxes"));
        if (step.questions == 2) {
            QCOMPARE(m_asker.questions[1].prompt, std::string("Vous voulez réellement abandonner"));
            QCOMPARE(m_asker.questions[1].title, std::string("Re-Avertissement"));
            QCOMPARE(m_asker.questions[1].defaultAnswer, std::string("oui, pour abandonner"));
        }
        QCOMPARE(m_ends, step.ends);
    }
}

QTEST_MAIN(KelaxesTest)
#include "kelaxes_test.moc"
