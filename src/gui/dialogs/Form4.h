#pragma once

#include <QDialog>

class QComboBox;

// "Load Saved Search": chooses the saved search whose history the Chart View draws.
class Form4 : public QDialog
{
    Q_OBJECT

public:
    explicit Form4(QWidget *parent = nullptr);

    void load();
    // "name.vty" of the chosen search after "Ok".
    QString chartFileName() const { return m_chartFileName; }

public slots:
    void Command1_Click(); // "Ok"
    void Command2_Click(); // "Cancel"

private:
    QComboBox *m_combo; // Combo1
    QString m_chartFileName;
};
