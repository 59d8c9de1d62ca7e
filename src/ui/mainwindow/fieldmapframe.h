// The main window's frame of the field-map shape: the map file, its grid, extent and |B| range.
#pragma once

#include "simulation/casemodel.h"

#include <QGroupBox>

class QLabel;
class QLineEdit;
class QPushButton;

namespace gyro {

/// Shows the case's field map (the file, its grid, extent and |B| range) and lets the user
/// choose another file. A refused file is told beside the map and in the warning log
/// ("_Cartefaute <reason>"); the case keeps its map.
class FieldMapFrame : public QGroupBox {
    Q_OBJECT
public:
    explicit FieldMapFrame(CaseModel& model, QWidget* parent = nullptr);

    /// Reads the file and makes it the case's map. Returns the reason of a refusal, empty when
    /// the map was taken.
    QString loadMap(const QString& path);
    /// Shows the map the case holds.
    void refresh();

private:
    void choose();

    CaseModel& m_model;
    QLineEdit* m_path = nullptr;
    QPushButton* m_choose = nullptr;
    QLabel* m_summary = nullptr;
    QLabel* m_problem = nullptr;
};

} // namespace gyro
