#include "gui/dialogs/Form5.h"

#include "core/program/ProgramFolder.h"
#include "core/saved/SavedSearch.h"
#include "gui/common/Prompts.h"
#include "gui/common/Twips.h"
#include "gui/dialogs/SavedSearchList.h"
#include "gui/skin/SkinLabel.h"
#include "gui/skin/modSkin.h"

#include <QComboBox>
#include <QDate>
#include <QFileInfo>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

using twips::box;

Form5::Form5(const saved::SaveRow &row, QWidget *parent)
    : QDialog(parent), m_row(row), m_name(new QLineEdit), m_combo(new QComboBox)
{
    setObjectName(QStringLiteral("Form5"));
    setWindowTitle(QStringLiteral("Save Search Results"));
    setModal(true);
    setFixedSize(twips::px(5400), twips::px(4200));

    auto *create = new QGroupBox(QStringLiteral("Create New Save File"), this);
    create->setObjectName(QStringLiteral("Frame1"));
    create->setGeometry(box(120, 120, 5160, 1500));
    auto *nameLabel = new QLabel(QStringLiteral("Please choose a name for this search:"), create);
    nameLabel->setObjectName(QStringLiteral("Label1"));
    nameLabel->setGeometry(box(120, 300, 4900, 255));
    m_name->setParent(create);
    m_name->setObjectName(QStringLiteral("Text1"));
    m_name->setGeometry(box(120, 660, 3600, 345));
    auto *save = new QPushButton(QStringLiteral("Save"), create);
    save->setObjectName(QStringLiteral("Command3"));
    save->setGeometry(box(3840, 630, 1200, 405));

    auto *append = new QGroupBox(QStringLiteral("Save Into An Old Search Result"), this);
    append->setObjectName(QStringLiteral("Frame2"));
    append->setGeometry(box(120, 1740, 5160, 1500));
    auto *appendLabel = new QLabel(QStringLiteral("Append new results to this previous search:"), append);
    appendLabel->setObjectName(QStringLiteral("Label2"));
    appendLabel->setGeometry(box(120, 300, 4900, 255));
    m_combo->setParent(append);
    m_combo->setObjectName(QStringLiteral("Combo1"));
    m_combo->setGeometry(box(120, 660, 3600, 345));
    auto *ok = new QPushButton(QStringLiteral("Ok"), append);
    ok->setObjectName(QStringLiteral("Command1"));
    ok->setGeometry(box(3840, 630, 1200, 405));

    m_note = new QLabel(this);
    m_note->setObjectName(QStringLiteral("lblNoCount"));
    m_note->setProperty("skinLabel", QStringLiteral("false")); // its text changes with the row
    m_note->setGeometry(box(120, 3330, 3840, 600));
    m_note->setWordWrap(true);
    m_note->hide();

    auto *cancel = new QPushButton(QStringLiteral("Cancel"), this);
    cancel->setObjectName(QStringLiteral("Command2"));
    cancel->setGeometry(box(4080, 3420, 1200, 405));

    // Enter in the name box saves once: no button of the dialog is pressed by Enter as well.
    for (QPushButton *button : {save, ok, cancel})
        button->setAutoDefault(false);
    m_create = create;
    m_append = append;

    connect(save, &QPushButton::clicked, this, &Form5::Command3_Click);
    connect(ok, &QPushButton::clicked, this, &Form5::Command1_Click);
    connect(cancel, &QPushButton::clicked, this, &Form5::Command2_Click);
    connect(m_name, &QLineEdit::returnPressed, this, &Form5::Command3_Click);
}

void Form5::setNote(const QString &note)
{
    m_note->setText(note);
    m_note->setToolTip(note);
    m_note->setVisible(!note.isEmpty());
}

void Form5::load()
{
    if (modSkin::skinSwitch()) {
        // The skin label arrays: SkinLabel1 in "Save Into An Old Search Result", SkinLabel2 in "Create New
        // Save File"; then the skin.
        new SkinLabel(QStringLiteral("SkinLabel1"), 0, m_append);
        new SkinLabel(QStringLiteral("SkinLabel2"), 0, m_create);
        modSkin::substituteLabels(
            this, {{QStringLiteral("SkinLabel1"), m_append}, {QStringLiteral("SkinLabel2"), m_create}});
        modSkin::ApplySkin(this);
    }
    listSavedSearches(m_combo, this);
}

void Form5::Command3_Click()
{
    const QString name = m_name->text();
    QString why;
    if (!saved::isValidSearchName(name, &why)) {
        prompts::warning(this, QStringLiteral("Save Search Results"), why);
        m_name->setFocus();
        return;
    }
    const QString file = saved::searchFile(programFolder::savedFolder(), name);
    // Saving under an existing name discards that search's history: only after asking.
    if (QFileInfo::exists(file) &&
        !prompts::askYesNo(this, QStringLiteral("Save Search Results"),
                           QStringLiteral("\"%1\" already exists. Replace its history?").arg(name))) {
        m_name->setFocus();
        return;
    }
    const saved::SaveResult result =
        saved::saveResults(m_row, file, saved::SaveMode::CreateNew, QDate::currentDate());
    if (!result.ok) {
        prompts::warning(this, QStringLiteral("Save Search Results"), result.error);
        return;
    }
    m_savedFile = file;
    accept();
}

void Form5::Command1_Click()
{
    const QString name = m_combo->currentText();
    if (m_combo->currentIndex() < 0 || name.isNull()) {
        prompts::information(this, QStringLiteral("Select A Saved Search"),
                             QStringLiteral("Please choose a saved search in the dropdown box above"));
        return;
    }
    const QString file = saved::searchFile(programFolder::savedFolder(), name);
    const saved::SaveResult result =
        saved::saveResults(m_row, file, saved::SaveMode::Append, QDate::currentDate());
    if (!result.ok) {
        prompts::warning(this, QStringLiteral("Save Search Results"), result.error);
        load();
        return;
    }
    m_savedFile = file;
    accept();
}

void Form5::Command2_Click()
{
    reject();
}
