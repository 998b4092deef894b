#pragma once

#include <QDialog>
#include <QElapsedTimer>
#include <QStringList>

#include <memory>

class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QTreeWidget;

namespace webgraph {
class OfferedReleases;
class ReleaseImport;
} // namespace webgraph

// "Web Graph": the releases the source offers and those imported (date, domains, links, disk), an import of
// the selected one with its progress and a Cancel that leaves nothing half made, and the removal of an
// imported one. The import runs off the window's thread; the window stays usable, and closing it while an
// import runs asks whether to stop it.
class frmWebGraph : public QDialog
{
    Q_OBJECT

public:
    // releasesFolder: where the indexes live; watchedUrls: the sites whose linking domains an import keeps.
    frmWebGraph(const QString &releasesFolder, const QString &source, const QStringList &watchedUrls,
                QWidget *parent = nullptr);
    ~frmWebGraph() override;

    bool isImporting() const { return m_import != nullptr; }
    QTreeWidget *releaseList() const { return m_list; }
    // Selects a release's row; false when it is not listed.
    bool selectRelease(const QString &release);

public slots:
    void cmdImport_Click();
    void cmdCancelImport_Click();
    void cmdRemove_Click();
    // Lists the imported releases again and asks the source for its list.
    void refresh();

signals:
    // An import ended well or a release was removed: what the web graph engine counts may have changed.
    void releasesChanged();
    // The source's list came (or could not be had).
    void offersListed();
    // An import ended (ok or not); message: what the window showed.
    void importEnded(bool ok, const QString &message);

protected:
    void closeEvent(QCloseEvent *event) override;
    void reject() override;

private:
    void showReleases();
    void updateButtons();
    void importProgress(qint64 done, qint64 known);
    void importFinished(bool ok, const QString &message);
    bool mayClose();
    QString selectedRelease() const;
    QString releaseToImport() const;

    QString m_folder;
    QString m_source;
    QStringList m_watched;
    webgraph::OfferedReleases *m_offered;
    QStringList m_offers;
    QString m_offerProblem;
    std::unique_ptr<webgraph::ReleaseImport> m_import;
    QString m_importing; // the release being imported
    QElapsedTimer m_clock;
    QLabel *m_sourceLabel;
    QTreeWidget *m_list;
    QLineEdit *m_name; // the release to import: the selected one, or one typed when the list is not to be had
    QProgressBar *m_progress;
    QLabel *m_state;
    QPushButton *m_importButton;
    QPushButton *m_cancelButton;
    QPushButton *m_removeButton;
    QPushButton *m_closeButton;
};
