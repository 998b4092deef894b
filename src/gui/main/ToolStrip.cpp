#include "gui/main/ToolStrip.h"

#include "gui/common/Twips.h"

#include <QPushButton>

#include <cstdlib>

using twips::box;

ToolStrip::ToolStrip(QWidget *parent)
    : QWidget(parent), m_start(new QPushButton(QStringLiteral("Start"), this)),
      m_stop(new QPushButton(QStringLiteral("Stop"), this)),
      m_options(new QPushButton(QStringLiteral("Options"), this)), m_visit(new QPushButton(this)),
      m_webGraph(new QPushButton(QStringLiteral("Web Graph"), this))
{
    setObjectName(QStringLiteral("Picture1"));
    m_start->setObjectName(QStringLiteral("Command1"));
    m_stop->setObjectName(QStringLiteral("Command2"));
    m_options->setObjectName(QStringLiteral("Command6"));
    m_visit->setObjectName(QStringLiteral("Command3"));
    m_webGraph->setObjectName(QStringLiteral("cmdWebGraph"));
    m_webGraph->setToolTip(QStringLiteral("Web graph releases: import, remove"));
    setAutoFillBackground(true);
    m_start->setGeometry(box(60, 60, 1275, 975));
    m_stop->setGeometry(box(1380, 60, 1275, 975));
    m_options->setGeometry(box(2700, 60, 1275, 975));
    m_webGraph->setGeometry(box(4020, 60, 1275, 975));
    m_visit->setGeometry(box(5340, 60, 3000, 975));
    m_stop->setEnabled(false);
    connect(m_start, &QPushButton::clicked, this, &ToolStrip::startRequested);
    connect(m_stop, &QPushButton::clicked, this, &ToolStrip::stopRequested);
    connect(m_options, &QPushButton::clicked, this, &ToolStrip::optionsRequested);
    connect(m_visit, &QPushButton::clicked, this, &ToolStrip::visitRequested);
    connect(m_webGraph, &QPushButton::clicked, this, &ToolStrip::webGraphRequested);
    setTabOrder(m_options, m_webGraph);
    setTabOrder(m_webGraph, m_visit);
}

void ToolStrip::setRunning(bool running)
{
    m_start->setText(running ? QStringLiteral("Searching...") : QStringLiteral("Start"));
    m_start->setEnabled(!running);
    m_stop->setEnabled(running);
}

bool ToolStrip::idle() const
{
    return m_start->text() == QLatin1String("Start");
}

void ToolStrip::setWebsite(const QString &address)
{
    m_visit->setText(QStringLiteral("Visit ") + address);
}

void ToolStrip::fitTo(int width)
{
    m_visit->resize(std::abs(width - m_visit->x() - twips::px(100)), m_visit->height());
}
