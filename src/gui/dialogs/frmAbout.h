#pragma once

#include <QDialog>

// "About Vantory": the product name, its major.minor version, the owner and the website.
class frmAbout : public QDialog
{
    Q_OBJECT

public:
    explicit frmAbout(QWidget *parent = nullptr);
    static QString versionText(int major, int minor);
};
