// The command row under the case panels.
#include "ui/mainwindow/commandrow.h"

#include "ui/mainwindow/widgetkit.h"

#include <QCoreApplication>
#include <QHBoxLayout>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace gyro {

CommandRow::CommandRow(QWidget* parent) : QWidget(parent) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    auto* row = new QHBoxLayout;
    auto* config = new QPushButton("Config. Data", this);
    config->setObjectName("CmdConfig");
    config->setToolTip("Show the working folder and the working files");
    connect(config, &QPushButton::clicked, this, &CommandRow::configClicked);
    auto* kelaxes = new QPushButton("kelaxes", this);
    kelaxes->setObjectName("Commande11");
    kelaxes->setEnabled(false);
    kelaxes->setToolTip("The axes library test is not available yet in this version.");
    auto* print = new QPushButton("Impression tout", this);
    print->setObjectName("CmdImprime");
    print->setEnabled(false);
    print->setToolTip("Printing everything is not available in this version; save the "
                      "scene as an image from the Vue menu.");
    m_cmdFinMirav = new QPushButton("Quit", this);
    m_cmdFinMirav->setObjectName("CmdFinMirav");
    connect(m_cmdFinMirav, &QPushButton::clicked, this, &CommandRow::quitClicked);
    row->addWidget(config);
    row->addWidget(kelaxes);
    row->addWidget(print);
    row->addStretch(1);
    row->addWidget(m_cmdFinMirav);
    layout->addLayout(row);

    QPlainTextEdit* txtVer = fixedPitchBox("TxtVer", this);
    const QString version = QCoreApplication::applicationVersion();
    txtVer->setPlainText(QString("Gyrotrace %1  (Qt %2)")
                             .arg(version.isEmpty() ? QString("-") : version, qVersion()));
    txtVer->setFixedHeight(txtVer->fontMetrics().lineSpacing() + 12);
    txtVer->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    layout->addWidget(txtVer);
}

} // namespace gyro
