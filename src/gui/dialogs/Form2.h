#pragma once

#include "core/ini/ThresholdRule.h"

#include <QDialog>

#include <array>

class EnginesPage;
class UpdatesPage;
class QCheckBox;
class QTabWidget;
class QLineEdit;
class QSpinBox;

// "Options": the six engine query prefixes of settings.ini, the popularity thresholds and the data options;
// on its "Engines" page the engine definitions of engines.ini. Nothing is written before "Ok", except
// "Reset", which writes the default prefixes at once.
class Form2 : public QDialog
{
    Q_OBJECT

public:
    explicit Form2(QWidget *parent = nullptr);

    // Fills every box from settings.ini and the settings store.
    void load();
    QLineEdit *prefixBox(int engine) const { return m_prefixes.at(std::size_t(engine - 1)); }
    QLineEdit *thresholdBox(int index) const { return m_thresholds.at(std::size_t(index)); }
    EnginesPage *enginesPage() const { return m_enginesPage; }
    UpdatesPage *updatesPage() const { return m_updatesPage; }
    QTabWidget *tabs() const { return m_tabs; }

signals:
    // "Ok" wrote another engines.ini: the engines in use have changed.
    void enginesChanged();

public slots:
    void Command1_Click(); // "Ok"
    void Command2_Click(); // "Cancel"
    void Command3_Click(); // "Reset"
    void txtProfile_Change(int index);

private:
    void showRule();

    std::array<QLineEdit *, 6> m_prefixes{};
    std::array<QLineEdit *, 3> m_thresholds{};
    QCheckBox *m_clear;
    QCheckBox *m_auto;
    QCheckBox *m_chartTime; // chkChartTime
    // How a scan asks the engines (settings of our own): at the same time, their pace, the time-out.
    QCheckBox *m_parallel = nullptr;
    QSpinBox *m_interval = nullptr;
    QCheckBox *m_jitter = nullptr;
    QSpinBox *m_timeout = nullptr;
    QTabWidget *m_tabs = nullptr;
    EnginesPage *m_enginesPage = nullptr;
    UpdatesPage *m_updatesPage = nullptr;
    ThresholdRule m_rule;
    bool m_showing = false;
};
