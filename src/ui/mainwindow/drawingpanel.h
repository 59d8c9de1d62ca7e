// The drawing options of the case: what the scene shows, the arrow amplifiers, the colours.
#pragma once

#include "simulation/casemodel.h"

#include <QGroupBox>

#include <array>

class QLabel;

namespace gyro {

class CaseBoxes;

/// The "Drawing" group: check boxes of the scene, circle radius and plot points, and the
/// "Options and Colors" frame (shown while Coche1(kOptionsColours) is ticked) with the arrow
/// amplifiers and the colour table, each colour beside a swatch of it; "New window" asks for
/// the run to be redrawn in the 3D graph window.
class DrawingPanel : public QGroupBox {
    Q_OBJECT
public:
    DrawingPanel(CaseModel& model, CaseBoxes& boxes, QWidget* parent = nullptr);

    /// Hides "No print" while a run that copied it goes on; unticking it shows it again.
    void hideNoPrint();

signals:
    /// "New window" (Coche2) was clicked: the run is to be redrawn in the 3D graph window.
    void newWindowClicked();

private:
    void caseChanged(BoxFamily family, int index);
    void updateSwatches();

    CaseModel& m_model;
    CaseBoxes& m_boxes;
    QGroupBox* m_cadre8 = nullptr;
    std::array<QLabel*, 4> m_swatches{};
    bool m_noPrintHidden = false;
};

} // namespace gyro
