#include "gui/main/ToolStrip.h"

#include "gui/common/Twips.h"

#include <QPushButton>

using twips::box;

ToolStrip::ToolStrip(QWidget *parent)
    : QWidget(parent), start(new QPushButton(QStringLiteral("Start"), this)),
      stop(new QPushButton(QStringLiteral("Stop"), this)),
      options(new QPushButton(QStringLiteral("Options"), this)), visit(new QPushButton(this))
{
    setObjectName(QStringLiteral("Picture1"));
    start->setObjectName(QStringLiteral("Command1"));
    stop->setObjectName(QStringLiteral("Command2"));
    options->setObjectName(QStringLiteral("Command6"));
    visit->setObjectName(QStringLiteral("Command3"));
    setAutoFillBackground(true);
    start->setGeometry(box(60, 60, 1275, 975));
    stop->setGeometry(box(1380, 60, 1275, 975));
    options->setGeometry(box(2700, 60, 1275, 975));
    visit->setGeometry(box(4020, 60, 3000, 975));
    stop->setEnabled(false);
}
