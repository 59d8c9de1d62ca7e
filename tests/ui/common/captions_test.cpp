// The captions of every window as they open (titles, buttons, groups, named labels, menus and
// their entries) against one snapshot file, tests/ui/common/captions.txt. A caption changed on
// purpose: run this test with GYRO_UPDATE_CAPTIONS=1 to rewrite the file, and review its diff.
#include "numerics/errorreport.h"
#include "scene/kelmirav.h"
#include "settings/recordstore.h"
#include "simulation/programstate.h"
#include "simulation/startup.h"
#include "support/scriptedasker.h"
#include "ui/dialogs/frmabout.h"
#include "ui/dialogs/frmdemonstration.h"
#include "ui/dialogs/frmdialog.h"
#include "ui/dialogs/frmhelp.h"
#include "ui/graphwindow/frmgraphes.h"
#include "ui/mainwindow/frmdessin.h"
#include "ui/options/frmoptions.h"
#include "ui/orbit/frmdessin8.h"

#include <QAbstractButton>
#include <QAction>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QMenu>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

using namespace gyro;

namespace {

// Labels that show a computed value rather than a caption.
const QStringList kReadouts = {"AccuracyHintText", "SpeedLabel"};

// One line per caption: "window/control<TAB>caption", line breaks written as \n; controls
// without a caption are left out.
void addCaptions(const QWidget& window, QStringList& lines) {
    const QString name = window.objectName();
    const auto add = [&](const QString& control, QString caption) {
        if (!caption.isEmpty()) lines << name + '/' + control + '\t' + caption.replace('\n', "\\n");
    };
    add("", window.windowTitle());
    for (const QObject* child : window.findChildren<QObject*>()) {
        const QString control = child->objectName();
        if (control.isEmpty() || control.startsWith("qt_") || kReadouts.contains(control)) continue;
        if (const auto* b = qobject_cast<const QAbstractButton*>(child)) add(control, b->text());
        if (const auto* g = qobject_cast<const QGroupBox*>(child)) add(control, g->title());
        if (const auto* m = qobject_cast<const QMenu*>(child)) add(control, m->title());
        if (const auto* a = qobject_cast<const QAction*>(child)) add(control, a->text());
        if (const auto* l = qobject_cast<const QLabel*>(child)) {
            if (l->pixmap().isNull()) add(control, l->text());
        }
    }
}

} // namespace

class CaptionsTest : public QObject {
    Q_OBJECT
private slots:
    void windowsOpenWithTheirCaptions();
};

void CaptionsTest::windowsOpenWithTheirCaptions() {
    QTemporaryDir dir;
    const QString previous = QDir::currentPath();
    QVERIFY(QDir::setCurrent(dir.path()));
    ScopedProgramState state;
    test::ScriptedAsker asker;
    ErrorReport::instance().setAsker(&asker);
    ErrorReport::instance().setEndProgram([] {});
    SetRecordFolder(dir.path().toStdString());

    QStringList lines;
    {
        FrmDessin main;
        addCaptions(main, lines);
        FrmDessin8 orbit;
        addCaptions(orbit, lines);
        KelMirav drawing;
        FrmOptions options(drawing);
        addCaptions(options, lines);
        addCaptions(graphWindow(), lines);
        FrmDemonstration demonstration;
        addCaptions(demonstration, lines);
        addCaptions(FrmDialog::instance(), lines);
        FrmHelp help;
        addCaptions(help, lines);
        FrmAbout about;
        addCaptions(about, lines);
    }
    lines.sort();
    lines.removeDuplicates();
    const QString actual = lines.join('\n') + '\n';

    QFile snapshot(GYRO_CAPTIONS_FILE);
    if (qEnvironmentVariableIsSet("GYRO_UPDATE_CAPTIONS")) {
        QVERIFY(snapshot.open(QIODevice::WriteOnly | QIODevice::Truncate));
        snapshot.write(actual.toUtf8());
    } else {
        QVERIFY2(snapshot.open(QIODevice::ReadOnly), GYRO_CAPTIONS_FILE);
        const QStringList expected = QString::fromUtf8(snapshot.readAll()).split('\n');
        QStringList changes;
        for (const QString& line : lines)
            if (!expected.contains(line)) changes << "+ " + line;
        for (const QString& line : expected)
            if (!line.isEmpty() && !lines.contains(line)) changes << "- " + line;
        QVERIFY2(changes.isEmpty(),
                 qPrintable("captions differ from the snapshot:\n" + changes.join('\n')));
    }
    ErrorReport::instance().setAsker(nullptr);
    ErrorReport::instance().setEndProgram({});
    ResetRecordStore();
    QDir::setCurrent(previous);
}

QTEST_MAIN(CaptionsTest)
#include "captions_test.moc"
