// The options window on its real controls: records of "miravop.set", angle bars, the preview
// drag, "lunaire hyperbolique" and long body names.
#include "numerics/errorreport.h"
#include "settings/recordstore.h"
#include "support/widgets.h"
#include "ui/options/frmoptions.h"
#include "ui/options/previewpicture.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QtTest>

#include <algorithm>
#include <memory>

using namespace gyro;

namespace {
std::string recordBytes(const OptionsRecord& r) {
    const auto b = SerializeRecord(r);
    return std::string(b.begin(), b.end());
}
} // namespace

class FrmOptionsTest : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void firstLoadCreatesRecordOne();
    void enregAppendsOrReplacesTheShownRecord();
    void dragAndBarsSetTheAngles();
    void lunaireGivesTheViewFromBelow();
    void longNameIsKeptButNotListed();
    void okHidesTheModalWindowAndLeavesTheSettings();

private:
    std::unique_ptr<FrmOptions> open();
    template <typename W> W* child(FrmOptions& w, const char* name) {
        return gyro::test::control<W>(&w, name);
    }
    QString label(FrmOptions& w, const char* name) { return child<QLabel>(w, name)->text(); }
    QString file() const { return m_dir->filePath("miravop.set"); }
    void writeRecords(const std::vector<OptionsRecord>& records);

    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<KelMirav> m_drawing;
};

void FrmOptionsTest::init() {
    ErrorReport::instance().reset();
    ResetRecordStore();
    m_dir = std::make_unique<QTemporaryDir>();
    SetRecordFolder(m_dir->path().toStdString());
    m_drawing = std::make_unique<KelMirav>();
}

void FrmOptionsTest::cleanup() {
    ResetRecordStore();
    ErrorReport::instance().reset();
}

std::unique_ptr<FrmOptions> FrmOptionsTest::open() {
    auto w = std::make_unique<FrmOptions>(*m_drawing);
    w->show();
    return w;
}

void FrmOptionsTest::writeRecords(const std::vector<OptionsRecord>& records) {
    QFile f(file());
    QVERIFY(f.open(QIODevice::WriteOnly));
    for (std::size_t i = 0; i < records.size(); ++i) {
        OptionsRecord r = records[i];
        r.number = std::int32_t(i + 1);
        const std::string bytes = recordBytes(r);
        f.write(bytes.data(), qint64(bytes.size()));
    }
}

void FrmOptionsTest::firstLoadCreatesRecordOne() {
    auto w = open();
    QCOMPARE(QFileInfo(file()).size(), qint64(kEnregOpSize));
    QCOMPARE(label(*w, "Etiquette1"), QString(" 1   sur  1 "));
    auto* bar = child<QScrollBar>(*w, "DefilementH4");
    QCOMPARE(bar->minimum(), 1);
    QCOMPARE(bar->maximum(), 1);
    QFile f(file());
    QVERIFY(f.open(QIODevice::ReadOnly));
    const QByteArray bytes = f.readAll();
    const OptionsRecord r = DeserializeRecord(reinterpret_cast<const unsigned char*>(bytes.data()));
    QCOMPARE(r.number, 1);
    QCOMPARE(r.ascension, 30.0);
    QCOMPARE(r.declination, 30.0);
    QCOMPARE(QString::fromStdString(r.bodyNameText()), QString("TERRE"));
    QCOMPARE(r.opaque, 0.0);
    QCOMPARE(label(*w, "Etiquette9"), QString("30."));
    QVERIFY(child<QPushButton>(*w, "Commande2")->isDefault());
}

void FrmOptionsTest::enregAppendsOrReplacesTheShownRecord() {
    OptionsRecord r;
    r.setBodyName("Mars");
    std::vector<OptionsRecord> four(4, r);
    for (int i = 0; i < 4; ++i) four[std::size_t(i)].ascension = 10.0 * (i + 1);
    writeRecords(four);
    auto w = open();
    QCOMPARE(label(*w, "Etiquette1"), QString(" 1   sur  4 "));

    // Appending: the counter moves to the new last record.
    QTest::mouseClick(child<QPushButton>(*w, "Commande1"), Qt::LeftButton);
    QCOMPARE(label(*w, "Etiquette1"), QString(" 5   sur  5 "));
    QCOMPARE(QFileInfo(file()).size(), qint64(5 * kEnregOpSize));

    // Replacing record 2 of 5.
    child<QScrollBar>(*w, "DefilementH4")->setValue(2);
    QCOMPARE(label(*w, "Etiquette1"), QString(" 2   sur  5 "));
    QCOMPARE(label(*w, "Etiquette9"), QString("20."));
    QCOMPARE(child<QComboBox>(*w, "ListeModifiable1")->currentText(), QString("MARS"));
    child<QScrollBar>(*w, "DefilementH1")->setValue(-45);
    child<QCheckBox>(*w, "Coche3")->setChecked(true);
    child<QCheckBox>(*w, "Coche1")->setChecked(true);
    QTest::mouseClick(child<QPushButton>(*w, "Commande1"), Qt::LeftButton);
    QCOMPARE(label(*w, "Etiquette1"), QString(" 2   sur  5 "));
    QCOMPARE(QFileInfo(file()).size(), qint64(5 * kEnregOpSize));
    QFile f(file());
    QVERIFY(f.open(QIODevice::ReadOnly));
    const QByteArray bytes = f.readAll();
    const auto* second = reinterpret_cast<const unsigned char*>(bytes.data()) + kEnregOpSize;
    const OptionsRecord back = DeserializeRecord(second);
    QCOMPARE(back.number, 2);
    QCOMPARE(back.ascension, -45.0);
    QCOMPARE(back.opaque, 1.0);
}

void FrmOptionsTest::dragAndBarsSetTheAngles() {
    auto w = open();
    auto* preview = child<PreviewPicture>(*w, "Image1");
    // (-180, 120) of the preview's -270..270 scale.
    const QPoint at(qRound((-180 + 270) * preview->width() / 540.0),
                    qRound((120 + 270) * preview->height() / 540.0));
    QCOMPARE(preview->toScale(at), QPointF(-180, 120));
    QTest::mousePress(preview, Qt::LeftButton, {}, at);
    QCOMPARE(label(*w, "Etiquette9"), QString("45."));
    QCOMPARE(label(*w, "Etiquette10"), QString("30."));
    QTest::mouseRelease(preview, Qt::LeftButton, {}, at);

    // A move with the right button does nothing.
    QTest::mousePress(preview, Qt::RightButton, {}, QPoint(1, 1));
    QCOMPARE(label(*w, "Etiquette9"), QString("45."));

    auto* ascension = child<QScrollBar>(*w, "DefilementH1");
    ascension->setValue(200);
    QCOMPARE(label(*w, "Etiquette9"), QString("-160."));
    QCOMPARE(ascension->value(), -160);
    QCOMPARE(w->options().ascension(), -160.0);
    auto* declination = child<QScrollBar>(*w, "DefilementH2");
    declination->setValue(-250);
    QCOMPARE(label(*w, "Etiquette10"), QString("110."));
    QCOMPARE(w->options().declination(), 110.0);
}

void FrmOptionsTest::lunaireGivesTheViewFromBelow() {
    auto w = open();
    ErrorReport::instance().reset();
    QTest::mouseClick(child<QCheckBox>(*w, "Coche2"), Qt::LeftButton);
    QCOMPARE(label(*w, "Etiquette9"), QString("90."));
    QCOMPARE(label(*w, "Etiquette10"), QString("-90."));
    const auto& log = ErrorReport::instance().lines();
    const auto petit = std::count_if(log.begin(), log.end(), [](const std::string& l) {
        return l.find("_PetitAngle ") != std::string::npos;
    });
    QCOMPARE(petit, 1);
    // The frame follows: seen from below, towards the viewer is -Z.
    QVERIFY(std::fabs(m_drawing->view.d(3) + 1) < 1e-12);
    QVERIFY(child<QCheckBox>(*w, "Coche2")->isChecked());
    // Other angles: the box no longer claims that view.
    child<QScrollBar>(*w, "DefilementH1")->setValue(45);
    QCOMPARE(label(*w, "Etiquette9"), QString("45."));
    QVERIFY(!child<QCheckBox>(*w, "Coche2")->isChecked());
}

void FrmOptionsTest::longNameIsKeptButNotListed() {
    OptionsRecord r;
    const std::string name31(31, 'A');
    r.setBodyName(name31);
    r.ascension = 12;
    writeRecords({r});
    auto w = open();
    QCOMPARE(QString::fromStdString(m_drawing->options.NomAstre), QString::fromStdString(name31));
    QCOMPARE(child<QComboBox>(*w, "ListeModifiable1")->currentText(), QString("Terre"));
    QCOMPARE(label(*w, "Etiquette9"), QString("12."));
}

void FrmOptionsTest::okHidesTheModalWindowAndLeavesTheSettings() {
    auto w = std::make_unique<FrmOptions>(*m_drawing);
    w->prepareForViewSetUp();
    auto* ok = child<QPushButton>(*w, "Commande3");
    QVERIFY(ok->isDefault());
    QTimer::singleShot(0, this, [&] {
        child<QScrollBar>(*w, "DefilementH2")->setValue(90);
        child<QComboBox>(*w, "ListeModifiable1")->setEditText(" lune ");
        QTest::mouseClick(ok, Qt::LeftButton);
    });
    QCOMPARE(w->exec(), int(QDialog::Accepted));
    QVERIFY(child<QPushButton>(*w, "Commande2")->isHidden());
    QVERIFY(!w->isVisible());
    QCOMPARE(ok->text(), QString("OK !"));
    QCOMPARE(QString::fromStdString(m_drawing->options.NomAstre), QString("LUNE"));
    QCOMPARE(m_drawing->view.declinationDeg, 90.0);
    QCOMPARE(QFileInfo(file()).size(), qint64(kEnregOpSize)); // nothing more written
}

QTEST_MAIN(FrmOptionsTest)
#include "frmoptions_test.moc"
