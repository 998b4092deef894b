#pragma once

#include <QGroupBox>
#include <QStringList>

class QAction;
class QListWidget;
class QMenu;
class QPushButton;

// The URL panel (Frame1 "URLs"): the URL list List1 and its four buttons, the URL popup menu mnuURL, and
// the work of the File menu's URL entries, which the main window routes here.
class UrlPanel : public QGroupBox
{
    Q_OBJECT

public:
    // The File menu's entries for the list: Add URL, then Save and Load (file, clipboard).
    void addMenuEntries(QMenu *file);

    explicit UrlPanel(QWidget *parent = nullptr);

    QStringList entries() const;
    void addEntries(const QStringList &entries);
    // The list's height follows the panel's: it ends bottomMargin pixels above the panel's bottom.
    void fitList(int bottomMargin);
    QMenu *popup() const { return m_popup; }

public slots:
    // File menu entries: they do the work.
    void mnuNewURL_Click();
    void mnuOpenURLList_Click();
    void mnuOpenClipboard_Click();
    void mnuSaveUrlList_Click();
    // Popup entries.
    void mnuURLNewURL_Click();
    void mnuDeleteSelect_Click();
    void mnuClearList_Click();
    void mnuURLLoadUrlList_Click();
    void mnuLoadClipboard_Click();
    void mnuURLSaveUrlList_Click();
    // Buttons.
    void cmdAdd_Click();
    void cmdDel_Click();
    void cmdOpen_Click();
    void cmdSave_Click();

    // Right button on the list: selects the entry under pos (list coordinates), enables the popup's entries
    // and shows it there.
    void List1_MouseDown(const QPoint &pos);

signals:
    // What a load did, for the status bar.
    void loaded(const QString &text);

private:
    bool eventFilter(QObject *watched, QEvent *event) override;
    QAction *popupAction(const char *name, const QString &text, void (UrlPanel::*slot)(),
                         const QKeySequence &shortcut = QKeySequence());

    QPushButton *m_add;
    QPushButton *m_delete;
    QPushButton *m_open;
    QPushButton *m_save;
    QListWidget *m_list;
    QMenu *m_popup;
    QAction *m_popupDelete = nullptr;
    QAction *m_popupSave = nullptr;
};
