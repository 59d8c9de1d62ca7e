// The frame of the field-map shape.
#include "ui/mainwindow/fieldmapframe.h"

#include "numerics/errorreport.h"
#include "simulation/casefieldmap.h"
#include "simulation/caseslots.h"
#include "simulation/fieldmap.h"

#include <QDir>
#include <QFileDialog>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace gyro {

FieldMapFrame::FieldMapFrame(CaseModel& model, QWidget* parent)
    : QGroupBox("Magnetic field from a map", parent), m_model(model) {
    setObjectName("CadreCarte");
    auto* grid = new QGridLayout(this);
    grid->addWidget(new QLabel("Map file", this), 0, 0);
    m_path = new QLineEdit(this);
    m_path->setObjectName("MapPath");
    m_path->setReadOnly(true);
    grid->addWidget(m_path, 0, 1);
    m_choose = new QPushButton("Choose…", this);
    m_choose->setObjectName("ChooseMap");
    m_choose->setToolTip("A CSV table x,y,z,Bx,By,Bz (optionally Ex,Ey,Ez) or r,z,Br,Bz on a "
                         "regular grid in SI units, or a VTK legacy file with a vector array B");
    grid->addWidget(m_choose, 0, 2);
    m_summary = new QLabel(this);
    m_summary->setObjectName("MapSummary");
    m_summary->setWordWrap(true);
    grid->addWidget(m_summary, 1, 0, 1, 3);
    m_problem = new QLabel(this);
    m_problem->setObjectName("MapProblem");
    m_problem->setWordWrap(true);
    m_problem->setStyleSheet("color: #b00000");
    m_problem->hide();
    grid->addWidget(m_problem, 2, 0, 1, 3);
    grid->setColumnStretch(1, 1);
    connect(m_choose, &QPushButton::clicked, this, &FieldMapFrame::choose);
    refresh();
}

QString FieldMapFrame::loadMap(const QString& path) {
    const std::string problem = loadCaseFieldMap(m_model, path.toStdString());
    m_problem->setText(QString::fromStdString(problem));
    m_problem->setVisible(!problem.empty());
    if (!problem.empty()) AlerteCalcul("_Cartefaute " + problem);
    refresh();
    return QString::fromStdString(problem);
}

void FieldMapFrame::refresh() {
    m_path->setText(QString::fromStdString(m_model.Texte3(slot::kFieldMapPath)));
    const auto& map = m_model.fieldMap();
    m_summary->setText(map ? QString::fromStdString(map->summary())
                           : QString("No map loaded: choose a file."));
}

void FieldMapFrame::choose() {
    const QString start = m_path->text().isEmpty() ? QDir::currentPath() : m_path->text();
    const QString path = QFileDialog::getOpenFileName(
        this, "Field map", start, "Field maps (*.csv *.vtk *.txt);;All files (*)");
    if (!path.isEmpty()) loadMap(path);
}

} // namespace gyro
