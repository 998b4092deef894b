#include "gui/dialogs/Form2.h"

#include "core/engines/EngineSet.h"
#include "core/ini/TextFile.h"
#include "core/ini/UserSettings.h"
#include "core/ini/privateProfile.h"
#include "core/program/ProgramFolder.h"
#include "core/scan/EngineTable.h"
#include "gui/common/Prompts.h"
#include "gui/common/Twips.h"
#include "gui/dialogs/EnginesPage.h"
#include "gui/dialogs/UpdatesPage.h"
#include "gui/skin/SkinLabel.h"
#include "gui/skin/modSkin.h"

#include <QCheckBox>
#include <QDir>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QVBoxLayout>

using twips::box;

namespace {

Qt::CheckState checkState(UserSettings::Key key)
{
    // A stored value that is not 0, 1 or 2 shows the default state.
    bool ok = false;
    int value = UserSettings::value(key).trimmed().toInt(&ok);
    if (!ok || value < 0 || value > 2)
        value = UserSettings::defaultValue(key).toInt();
    return value == 0 ? Qt::Unchecked : value == 2 ? Qt::PartiallyChecked : Qt::Checked;
}

QString stateText(const QCheckBox *box)
{
    return QString::number(box->checkState() == Qt::Unchecked ? 0 : box->checkState() == Qt::Checked ? 1 : 2);
}

} // namespace

Form2::Form2(QWidget *parent)
    : QDialog(parent), m_clear(new QCheckBox(QStringLiteral("Clear results after each search"))),
      m_auto(new QCheckBox(QStringLiteral("Auto-sort data by popularity")))
{
    setObjectName(QStringLiteral("Form2"));
    setWindowTitle(QStringLiteral("Options"));
    // The designed size at least (the General page is laid out for it); larger gives the other pages room.
    setMinimumSize(twips::px(9560), twips::px(7980));
    resize(twips::px(10800), twips::px(7980));
    QFont verdana(QStringLiteral("Verdana"));
    verdana.setPointSizeF(8.25);
    setFont(verdana);
    QFont trebuchet(QStringLiteral("Trebuchet MS"));
    trebuchet.setPointSizeF(8.25);

    // Two pages: the options as they always were, and the engine definitions.
    m_tabs = new QTabWidget(this);
    m_tabs->setObjectName(QStringLiteral("tabOptions"));
    auto *general = new QWidget;
    general->setObjectName(QStringLiteral("pageGeneral"));
    m_tabs->addTab(general, QStringLiteral("General"));
    m_enginesPage = new EnginesPage;
    m_tabs->addTab(m_enginesPage, QStringLiteral("Engines"));
    m_updatesPage = new UpdatesPage;
    m_tabs->addTab(m_updatesPage, QStringLiteral("Updates"));

    auto *engines = new QGroupBox(QStringLiteral("Edit Search Engine URLs"), general);
    engines->setObjectName(QStringLiteral("Frame1"));
    engines->setGeometry(box(120, 120, 5400, 6000));
    const char *labels[6] = {"Google:", "Altavista:", "Yahoo!:", "Teoma:", "MSN:", "AllTheWeb:"};
    for (int n = 0; n < 6; ++n) {
        auto *label = new QLabel(QString::fromLatin1(labels[n]), engines);
        label->setObjectName(QStringLiteral("lblEngine%1").arg(n + 1));
        label->setGeometry(box(180, 300 + n * 940, 5000, 255));
        auto *edit = new QLineEdit(engines);
        edit->setObjectName(QStringLiteral("Text%1").arg(n + 1));
        edit->setGeometry(box(180, 570 + n * 940, 5040, 330));
        edit->setFont(trebuchet);
        m_prefixes[std::size_t(n)] = edit;
        // The Engines page shows the same addresses.
        connect(edit, &QLineEdit::textChanged, this,
                [this, n](const QString &text) { m_enginesPage->setAddress(scan::engineKey(n + 1), text); });
    }
    connect(m_enginesPage, &EnginesPage::addressEdited, this,
            [this](const QString &key, const QString &text) {
                for (int n = 1; n <= 6; ++n) {
                    if (scan::engineKey(n).compare(key, Qt::CaseInsensitive) == 0)
                        prefixBox(n)->setText(text);
                }
            });

    auto *ranks = new QGroupBox(QStringLiteral("Define Popularity Ranks"), general);
    ranks->setObjectName(QStringLiteral("Frame2"));
    ranks->setGeometry(box(5640, 120, 3540, 2700));
    const char *rankLabels[3] = {
        "High Profile if total is greater than: ", "Medium Profile if total is less than: ",
        "Low Profile if total is less than:"};
    for (int row = 0; row < 3; ++row) {
        const int index = 2 - row; // the rows show boxes 2, 1, 0
        auto *label = new QLabel(QString::fromLatin1(rankLabels[row]), ranks);
        label->setObjectName(QStringLiteral("lblProfile%1").arg(index));
        label->setGeometry(box(120, 300 + row * 900, 3300, 255));
        auto *edit = new QLineEdit(m_rule.text(index), ranks);
        edit->setObjectName(QStringLiteral("txtProfile_%1").arg(index));
        edit->setGeometry(box(120, 570 + row * 900, 1800, 330));
        m_thresholds[std::size_t(index)] = edit;
        connect(edit, &QLineEdit::textChanged, this, [this, index] { txtProfile_Change(index); });
    }

    auto *options = new QGroupBox(QStringLiteral("Data Options"), general);
    options->setObjectName(QStringLiteral("Frame3"));
    options->setGeometry(box(5640, 2940, 3540, 1620));
    m_clear->setParent(options);
    m_clear->setObjectName(QStringLiteral("chkClear"));
    m_clear->setGeometry(box(120, 330, 3300, 300));
    m_auto->setParent(options);
    m_auto->setObjectName(QStringLiteral("chkAuto"));
    m_auto->setGeometry(box(120, 750, 3300, 300));
    m_chartTime = new QCheckBox(QStringLiteral("Time runs left to right"), options);
    m_chartTime->setObjectName(QStringLiteral("chkChartTime"));
    m_chartTime->setGeometry(box(120, 1170, 3300, 300));
    m_chartTime->setToolTip(QStringLiteral(
        "History charts put the oldest date on the left and space the dates by the time between them."));
    // Two-state boxes: a click toggles 0 and 1. A stored "2" shows greyed until the first click.
    for (QCheckBox *check : {m_clear, m_auto}) {
        connect(check, &QCheckBox::stateChanged, check, [check](int state) {
            if (state != Qt::PartiallyChecked)
                check->setTristate(false);
        });
    }

    auto *pace = new QGroupBox(QStringLiteral("Scan Pace"), general);
    pace->setObjectName(QStringLiteral("Frame4"));
    pace->setGeometry(box(5640, 4680, 3540, 2100));
    m_parallel = new QCheckBox(QStringLiteral("Ask the engines at once"), pace);
    m_parallel->setObjectName(QStringLiteral("chkParallel"));
    m_parallel->setGeometry(box(120, 330, 3300, 300));
    auto *intervalLabel = new QLabel(QStringLiteral("Pause per engine (ms):"), pace);
    intervalLabel->setObjectName(QStringLiteral("lblInterval"));
    intervalLabel->setGeometry(box(120, 780, 2200, 255));
    m_interval = new QSpinBox(pace);
    m_interval->setObjectName(QStringLiteral("spnInterval"));
    m_interval->setRange(0, 600000);
    m_interval->setSingleStep(500);
    m_interval->setGeometry(box(2340, 720, 1080, 345));
    m_jitter = new QCheckBox(QStringLiteral("Add a random extra pause"), pace);
    m_jitter->setObjectName(QStringLiteral("chkJitter"));
    m_jitter->setGeometry(box(120, 1170, 3300, 300));
    auto *timeoutLabel = new QLabel(QStringLiteral("Page time-out (s):"), pace);
    timeoutLabel->setObjectName(QStringLiteral("lblTimeout"));
    timeoutLabel->setGeometry(box(120, 1620, 2200, 255));
    m_timeout = new QSpinBox(pace);
    m_timeout->setObjectName(QStringLiteral("spnTimeout"));
    m_timeout->setRange(1, 600);
    m_timeout->setGeometry(box(2340, 1560, 1080, 345));

    // The pages take what the dialog has; the buttons stay at its bottom right.
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(twips::px(60), twips::px(60), twips::px(60), twips::px(90));
    layout->addWidget(m_tabs, 1);
    auto *buttonRow = new QHBoxLayout;
    buttonRow->addStretch();
    layout->addLayout(buttonRow);
    const char *buttons[3][2] = {{"Command1", "Ok"}, {"Command2", "Cancel"}, {"Command3", "Reset"}};
    for (int i = 0; i < 3; ++i) {
        auto *button = new QPushButton(QString::fromLatin1(buttons[i][1]), this);
        button->setObjectName(QString::fromLatin1(buttons[i][0]));
        button->setFixedSize(twips::px(1140), twips::px(450));
        QFont bold = verdana;
        bold.setBold(true);
        button->setFont(bold);
        buttonRow->addWidget(button);
        if (i == 0) {
            button->setDefault(true); // Enter in any box presses Ok, as in every dialog
            connect(button, &QPushButton::clicked, this, &Form2::Command1_Click);
        } else if (i == 1)
            connect(button, &QPushButton::clicked, this, &Form2::Command2_Click);
        else
            connect(button, &QPushButton::clicked, this, &Form2::Command3_Click);
    }
    for (QGroupBox *frame : {engines, ranks, options, pace}) {
        QFont bold = verdana;
        bold.setBold(true);
        frame->setFont(bold);
        for (QWidget *child : frame->findChildren<QWidget *>())
            child->setFont(qobject_cast<QLineEdit *>(child) && frame == engines ? trebuchet : verdana);
    }

    // The skin: label arrays SkinLabel1 in Frame1 and SkinLabel2 in Frame2, made afresh at every load.
    new SkinLabel(QStringLiteral("SkinLabel1"), 0, engines);
    new SkinLabel(QStringLiteral("SkinLabel2"), 0, ranks);
    modSkin::substituteLabels(
        this, {{QStringLiteral("SkinLabel1"), engines}, {QStringLiteral("SkinLabel2"), ranks}});
    modSkin::ApplySkin(this);
}

void Form2::load()
{
    const QString ini = programFolder::settingsIni();
    const engines::LoadResult loaded = engines::loadForProgram();
    m_enginesPage->load(loaded.all, ini);
    QStringList keys;
    for (const engines::Definition &d : loaded.all) {
        if (!d.isWebGraph()) // it sends no request, so no proxy is its own
            keys.append(d.key);
    }
    m_updatesPage->load(keys);
    for (int n = 1; n <= 6; ++n) {
        prefixBox(n)->setText(scan::readPrefix(n, ini));
        prefixBox(n)->setCursorPosition(0); // long addresses show from their start
    }
    thresholdBox(0)->setText(UserSettings::value(UserSettings::TxtProfile0));
    thresholdBox(1)->setText(UserSettings::value(UserSettings::TxtProfile1));
    thresholdBox(2)->setText(UserSettings::value(UserSettings::TxtProfile2));
    m_auto->setCheckState(checkState(UserSettings::ChkAutoSort));
    m_clear->setCheckState(checkState(UserSettings::ChkClear));
    m_chartTime->setChecked(UserSettings::chartTimeLeftToRight());
    m_parallel->setChecked(UserSettings::parallelEngines());
    m_interval->setValue(UserSettings::engineIntervalMs());
    m_jitter->setChecked(UserSettings::engineJitter());
    m_timeout->setValue(UserSettings::fetchTimeoutSeconds());
}

void Form2::txtProfile_Change(int index)
{
    if (m_showing)
        return;
    m_rule.setText(index, thresholdBox(index)->text());
    showRule();
}

void Form2::showRule()
{
    m_showing = true;
    for (int i = 0; i < 3; ++i) {
        if (thresholdBox(i)->text() != m_rule.text(i))
            thresholdBox(i)->setText(m_rule.text(i));
    }
    m_showing = false;
}

void Form2::Command1_Click()
{
    const QString ini = programFolder::settingsIni();
    if (const QStringList problems = m_enginesPage->problems(); !problems.isEmpty()) {
        m_tabs->setCurrentWidget(m_enginesPage);
        prompts::warning(this, QStringLiteral("Options"),
                         QStringLiteral("These engines cannot be used; change or remove them first:\n") +
                             problems.join(u'\n'));
        return;
    }
    if (const QString why = m_updatesPage->problem(); !why.isEmpty()) {
        m_tabs->setCurrentWidget(m_updatesPage);
        prompts::warning(this, QStringLiteral("Options"), why);
        return;
    }
    // The addresses land together or not at all: the six boxes, then the other engines' addresses.
    textFile::Transaction transaction;
    bool written = true;
    QStringList keys;
    for (int n = 1; n <= 6; ++n) {
        keys.append(scan::engineKey(n));
        written = privateProfile::WriteString(scan::enginesSection(), scan::engineKey(n),
                                              prefixBox(n)->text(), ini) &&
                  written;
    }
    const QHash<QString, QString> addresses = m_enginesPage->addresses();
    for (auto it = addresses.cbegin(); it != addresses.cend(); ++it) {
        if (!keys.contains(it.key(), Qt::CaseInsensitive) &&
            (!it.value().isEmpty() || !scan::readPrefix(it.key(), ini).isEmpty()))
            written =
                privateProfile::WriteString(scan::enginesSection(), it.key(), it.value(), ini) && written;
    }
    if (!written || !transaction.commit()) {
        prompts::warning(this, QStringLiteral("Options"),
                         QStringLiteral("The engine addresses could not be saved to %1. Nothing was changed.")
                             .arg(QDir::toNativeSeparators(ini)));
        return;
    }
    if (m_enginesPage->changed()) {
        QString error;
        if (!engines::saveFile(engines::ownFile(), m_enginesPage->definitions(), &error)) {
            prompts::warning(this, QStringLiteral("Options"),
                             QStringLiteral("The engines could not be saved to %1: %2")
                                 .arg(QDir::toNativeSeparators(engines::ownFile()), error));
            return;
        }
        engines::EngineSet::setCurrent(engines::loadForProgram().set);
        emit enginesChanged();
    }
    const QList<std::pair<UserSettings::Key, QString>> values{
        {UserSettings::TxtProfile0, thresholdBox(0)->text()},
        {UserSettings::TxtProfile1, thresholdBox(1)->text()},
        {UserSettings::TxtProfile2, thresholdBox(2)->text()},
        {UserSettings::ChkAutoSort, stateText(m_auto)},
        {UserSettings::ChkClear, stateText(m_clear)},
        {UserSettings::ChartTime, m_chartTime->isChecked() ? QStringLiteral("1") : QStringLiteral("0")},
        {UserSettings::ParallelEngines, m_parallel->isChecked() ? QStringLiteral("1") : QStringLiteral("0")},
        {UserSettings::EngineInterval, QString::number(m_interval->value())},
        {UserSettings::EngineJitter, m_jitter->isChecked() ? QStringLiteral("1") : QStringLiteral("0")},
        {UserSettings::FetchTimeout, QString::number(m_timeout->value())},
    };
    bool ok = true;
    for (const auto &[key, value] : values)
        ok = UserSettings::setValue(key, value) && ok;
    ok = m_updatesPage->save() && ok;
    if (!ok) {
        // The dialog stays open: nothing the user set is lost without a word.
        prompts::warning(
            this, QStringLiteral("Options"),
            QStringLiteral("The options could not be saved: %1.").arg(UserSettings::lastWriteError()));
        return;
    }
    accept();
}

void Form2::Command2_Click()
{
    reject();
}

void Form2::Command3_Click()
{
    if (prompts::askYesNo(this, QStringLiteral("Warning"),
                          QStringLiteral("This will reset all engines, Continue?"))) {
        const QString ini = programFolder::settingsIni();
        for (int n = 1; n <= 6; ++n) {
            prefixBox(n)->setText(scan::defaultPrefix(n));
            prefixBox(n)->setCursorPosition(0);
        }
        // The other engines' addresses too, where their definitions give one.
        QList<engines::Definition> others;
        for (const engines::Definition &d : m_enginesPage->definitions()) {
            if (!d.address.isEmpty() && engines::EngineSet::builtin().numberOfKey(d.key) == 0) {
                others.append(d);
                m_enginesPage->setAddress(d.key, d.address);
            }
        }
        if (!scan::resetPrefixes(ini) || !scan::resetPrefixes(ini, engines::EngineSet(others)))
            prompts::warning(this, QStringLiteral("Options"),
                             QStringLiteral("The standard engine addresses could not be written to %1.")
                                 .arg(QDir::toNativeSeparators(ini)));
    }
    thresholdBox(0)->setText(QStringLiteral("500"));
    thresholdBox(1)->setText(QStringLiteral("1000"));
    thresholdBox(2)->setText(QStringLiteral("1000"));
}
