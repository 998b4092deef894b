#include "gui/dialogs/Form4.h"

#include "gui/common/Prompts.h"
#include "gui/common/Twips.h"
#include "gui/dialogs/SavedSearchList.h"

#include <QComboBox>
#include <QGroupBox>
#include <QPushButton>

using twips::box;

Form4::Form4(QWidget *parent) : QDialog(parent), m_combo(new QComboBox)
{
    setObjectName(QStringLiteral("Form4"));
    setWindowTitle(QStringLiteral("Load Saved Search"));
    setModal(true);
    setFixedSize(twips::px(4800), twips::px(2040));
    auto *frame = new QGroupBox(QStringLiteral("Select saved search to load"), this);
    frame->setObjectName(QStringLiteral("Frame1"));
    frame->setGeometry(box(120, 120, 4560, 1020));
    m_combo->setParent(frame);
    m_combo->setObjectName(QStringLiteral("Combo1"));
    m_combo->setGeometry(box(120, 420, 4320, 345));
    auto *ok = new QPushButton(QStringLiteral("Ok"), this);
    ok->setObjectName(QStringLiteral("Command1"));
    ok->setGeometry(box(2160, 1320, 1200, 405));
    auto *cancel = new QPushButton(QStringLiteral("Cancel"), this);
    cancel->setObjectName(QStringLiteral("Command2"));
    cancel->setGeometry(box(3480, 1320, 1200, 405));
    connect(ok, &QPushButton::clicked, this, &Form4::Command1_Click);
    connect(cancel, &QPushButton::clicked, this, &Form4::Command2_Click);
}

void Form4::load()
{
    listSavedSearches(m_combo, this);
}

void Form4::Command1_Click()
{
    if (m_combo->currentIndex() < 0 || m_combo->currentText().isEmpty()) {
        prompts::information(this, QStringLiteral("Select A Saved Search"),
                             QStringLiteral("Please choose a saved file in the dropdown box above"));
        return;
    }
    m_chartFileName = m_combo->currentText() + QStringLiteral(".vty");
    accept();
}

void Form4::Command2_Click()
{
    reject();
}
