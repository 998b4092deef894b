#pragma once

#include <QDialog>

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QSortFilterProxyModel;
class QStandardItemModel;
class QTabWidget;
class QTableView;

// "Linking Domains": the domains that link to a URL in an imported release (its own harmonic position
// beside each), sortable by each column, filtered by a text, exported as CSV; and on the "Changes" tab the
// domains that started and stopped linking between two releases. A URL whose list was not kept says so and
// offers to watch it; a URL that is not in the graph says so.
class frmLinkingDomains : public QDialog
{
    Q_OBJECT

public:
    frmLinkingDomains(const QString &url, const QString &releasesFolder, const QString &programFolder,
                      QWidget *parent = nullptr);

    QTableView *domainsView() const { return m_view; }
    QTableView *changesView() const { return m_changesView; }

public slots:
    void cmdExport_Click();
    void cmdWatch_Click();
    // Reads the chosen release (and the two of the Changes tab) again.
    void showDomains();
    void showChanges();

private:
    QString m_url;
    QString m_folder;
    QString m_programFolder;
    QComboBox *m_release;
    QLabel *m_state;
    QLineEdit *m_filter;
    QStandardItemModel *m_domains;
    QSortFilterProxyModel *m_shown;
    QTableView *m_view;
    QPushButton *m_export;
    QPushButton *m_watch;
    QTabWidget *m_tabs;
    QComboBox *m_old;
    QComboBox *m_new;
    QLabel *m_changesState;
    QStandardItemModel *m_changes;
    QTableView *m_changesView;
};
