// A window test's start as on a fresh machine: its own current folder, no start-up files, an
// empty error report answered by the test's asker, the default case and integration method.
#pragma once

#include "numerics/errorreport.h"
#include "simulation/casemodel.h"
#include "simulation/integrationmethod.h"
#include "simulation/startup.h"

#include <QDir>
#include <QTemporaryDir>

namespace gyro::test {

/// Made in a test's init(), destroyed in its cleanup() after the windows: puts back the folder
/// and leaves the report, the case and the start-up as the next test expects them.
class FreshStart {
public:
    explicit FreshStart(Asker& asker) : m_previousFolder(QDir::currentPath()) {
        m_ready = m_dir.isValid() && QDir::setCurrent(m_dir.path());
        ResetStartup();
        ErrorReport& report = ErrorReport::instance();
        report.reset();
        report.setEndProgram([] {});
        report.stopFlag() = 0;
        report.setAsker(&asker);
        theCase().resetToDefaults();
        integrationChoice() = IntegrationChoice{};
    }
    ~FreshStart() {
        ErrorReport& report = ErrorReport::instance();
        report.setAsker(nullptr);
        report.setEndProgram({});
        report.reset();
        report.stopFlag() = 0;
        integrationChoice() = IntegrationChoice{};
        QDir::setCurrent(m_previousFolder);
        ResetStartup();
    }
    FreshStart(const FreshStart&) = delete;
    FreshStart& operator=(const FreshStart&) = delete;

    /// Whether the temporary folder was made and is the current folder.
    bool ready() const { return m_ready; }
    QString filePath(const QString& name) const { return m_dir.filePath(name); }

private:
    QString m_previousFolder;
    QTemporaryDir m_dir;
    bool m_ready = false;
};

} // namespace gyro::test
