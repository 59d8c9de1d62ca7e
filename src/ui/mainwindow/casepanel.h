// The case panels of the main window: particle, fields, integration, examples, drawing, thrust.
#pragma once

#include "simulation/casemodel.h"

#include <QWidget>

#include <array>

class QGridLayout;
class QGroupBox;
class QLabel;
class QRadioButton;
class QScrollBar;

namespace gyro {

class CaseBoxes;
class DrawingPanel;
class FieldMapFrame;

/// The panels that edit the case, top to bottom: the particle and its initial state, the
/// fields and their shape (with the frame of the selected shape's parameters), the integration,
/// the examples of the memo, the drawing options and the thrust of the orbital computations.
class CasePanel : public QWidget {
    Q_OBJECT
public:
    CasePanel(CaseModel& model, CaseBoxes& boxes, QWidget* parent = nullptr);

    /// The integration choice of Option1: 0 "Runge Rapide", 1 "Runge Précis".
    int rungeChoice() const;
    /// The example scroll bar.
    QScrollBar* exampleBar() const { return m_defilementH1; }
    /// Sets the example scroll bar's range 1..maximum and position without loading the example.
    void showExampleSelector(double maximum, double value);
    /// Places two rows in the Integration group, below the error-limit box and above the Runge
    /// options, each across the group: the accuracy hint, then the integration method.
    void addIntegrationRows(QWidget* hint, QWidget* method);
    /// The drawing panel.
    DrawingPanel* drawing() const { return m_drawing; }
    /// The frame of the field-map shape.
    FieldMapFrame* mapFrame() const { return m_mapFrame; }

signals:
    /// The user (or the program, outside showExampleSelector) moved the example scroll bar.
    void exampleChosen();

private:
    QWidget* buildParticleGroup();
    QWidget* buildFieldGroup();
    void buildShapeFrames(QWidget* box);
    QWidget* buildIntegrationGroup();
    QWidget* buildExamplesGroup();
    QWidget* buildOrbitalGroup();
    void updateShapeFrames();
    void updateEnergyCaption();

    CaseModel& m_model;
    CaseBoxes& m_boxes;
    bool m_selecting = false; // the scroll bar is being set: no load
    std::array<QRadioButton*, 2> m_option1{};
    QScrollBar* m_defilementH1 = nullptr;
    QGridLayout* m_integrationGrid = nullptr;
    QLabel* m_labelB0 = nullptr;
    QLabel* m_energyLabel = nullptr;
    QGroupBox* m_cadre3 = nullptr;
    QGroupBox* m_cadre4 = nullptr;
    QGroupBox* m_cadre5 = nullptr;
    FieldMapFrame* m_mapFrame = nullptr;
    DrawingPanel* m_drawing = nullptr;
};

} // namespace gyro
