#include "gui/webgraph/frmWebGraph.h"

#include "core/webgraph/ReleaseCatalog.h"
#include "core/webgraph/ReleaseImport.h"
#include "core/webgraph/ReleaseStore.h"
#include "gui/common/Prompts.h"

#include <QCloseEvent>
#include <QDialogButtonBox>
#include <QDir>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <algorithm>

namespace {

const QString Title = QStringLiteral("Web Graph");

enum Column
{
    ReleaseColumn,
    DateColumn,
    ImportedColumn,
    DomainsColumn,
    LinksColumn,
    DiskColumn,
};

} // namespace

frmWebGraph::frmWebGraph(const QString &releasesFolder, const QString &source, const QStringList &watchedUrls,
                         QWidget *parent)
    : QDialog(parent), m_folder(releasesFolder), m_source(source), m_watched(watchedUrls),
      m_offered(new webgraph::OfferedReleases(this)), m_sourceLabel(new QLabel(this)),
      m_list(new QTreeWidget(this)), m_name(new QLineEdit(this)), m_progress(new QProgressBar(this)),
      m_state(new QLabel(this)), m_importButton(new QPushButton(QStringLiteral("&Import"), this)),
      m_cancelButton(new QPushButton(QStringLiteral("&Cancel"), this)),
      m_removeButton(new QPushButton(QStringLiteral("&Remove"), this)),
      m_closeButton(new QPushButton(QStringLiteral("Close"), this))
{
    setObjectName(QStringLiteral("frmWebGraph"));
    setWindowTitle(Title);
    m_sourceLabel->setObjectName(QStringLiteral("lblGraphSource"));
    m_sourceLabel->setWordWrap(true);
    m_sourceLabel->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_list->setObjectName(QStringLiteral("lstReleases"));
    m_list->setRootIsDecorated(false);
    m_list->setAllColumnsShowFocus(true);
    m_list->setHeaderLabels({QStringLiteral("Release"), QStringLiteral("Date"), QStringLiteral("Imported"),
                             QStringLiteral("Domains"), QStringLiteral("Links"), QStringLiteral("On disk")});
    m_list->header()->setSectionResizeMode(QHeaderView::ResizeToContents);
    m_list->header()->setSectionResizeMode(ReleaseColumn, QHeaderView::Stretch);
    m_list->header()->setStretchLastSection(false);
    m_name->setObjectName(QStringLiteral("txtRelease"));
    m_name->setPlaceholderText(QStringLiteral("cc-main-2025-sep-oct-nov"));
    m_name->setToolTip(QStringLiteral("The release to import: the one selected above, or a name typed here"));
    m_progress->setObjectName(QStringLiteral("prgImport"));
    m_progress->setRange(0, 1000);
    m_progress->setTextVisible(false);
    m_progress->hide();
    m_state->setObjectName(QStringLiteral("lblImport"));
    m_state->setWordWrap(true);
    m_importButton->setObjectName(QStringLiteral("cmdImport"));
    m_cancelButton->setObjectName(QStringLiteral("cmdCancelImport"));
    m_removeButton->setObjectName(QStringLiteral("cmdRemove"));
    m_closeButton->setObjectName(QStringLiteral("cmdClose"));
    m_importButton->setDefault(true);
    m_importButton->setToolTip(QStringLiteral("Download the selected release and index it"));
    m_cancelButton->setToolTip(QStringLiteral("Stop the import; nothing of it is kept"));
    m_removeButton->setToolTip(QStringLiteral("Delete the selected release's index"));

    auto *buttons = new QHBoxLayout;
    buttons->addWidget(m_importButton);
    buttons->addWidget(m_cancelButton);
    buttons->addWidget(m_removeButton);
    buttons->addStretch(1);
    buttons->addWidget(m_closeButton);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_sourceLabel);
    layout->addWidget(m_list, 1);
    auto *nameRow = new QHBoxLayout;
    auto *nameLabel = new QLabel(QStringLiteral("Re&lease:"), this);
    nameLabel->setBuddy(m_name);
    nameRow->addWidget(nameLabel);
    nameRow->addWidget(m_name, 1);
    layout->addLayout(nameRow);
    layout->addWidget(m_progress);
    layout->addWidget(m_state);
    layout->addLayout(buttons);
    setTabOrder(m_list, m_name);
    setTabOrder(m_name, m_importButton);
    setTabOrder(m_importButton, m_cancelButton);
    setTabOrder(m_cancelButton, m_removeButton);
    setTabOrder(m_removeButton, m_closeButton);

    connect(m_importButton, &QPushButton::clicked, this, &frmWebGraph::cmdImport_Click);
    connect(m_cancelButton, &QPushButton::clicked, this, &frmWebGraph::cmdCancelImport_Click);
    connect(m_removeButton, &QPushButton::clicked, this, &frmWebGraph::cmdRemove_Click);
    connect(m_closeButton, &QPushButton::clicked, this, &frmWebGraph::close);
    connect(m_list, &QTreeWidget::itemSelectionChanged, this, [this] {
        if (!selectedRelease().isEmpty())
            m_name->setText(selectedRelease());
        updateButtons();
    });
    connect(m_name, &QLineEdit::textChanged, this, &frmWebGraph::updateButtons);
    connect(m_name, &QLineEdit::returnPressed, this, [this] {
        if (m_importButton->isEnabled())
            cmdImport_Click();
    });
    connect(m_list, &QTreeWidget::itemActivated, this, [this] {
        if (m_importButton->isEnabled())
            cmdImport_Click();
    });
    connect(m_offered, &webgraph::OfferedReleases::listed, this,
            [this](const QStringList &releases, const QString &problem) {
                m_offers = releases;
                m_offerProblem = problem;
                showReleases();
                emit offersListed();
            });
    resize(720, 420);
    refresh();
}

frmWebGraph::~frmWebGraph() = default;

void frmWebGraph::refresh()
{
    showReleases();
    m_sourceLabel->setText(QStringLiteral("Releases at %1 (the source is set on the Options dialog's Updates "
                                          "page). Asking for its list...")
                               .arg(QDir::toNativeSeparators(m_source)));
    m_offered->ask(m_source);
}

QString frmWebGraph::selectedRelease() const
{
    const QList<QTreeWidgetItem *> selected = m_list->selectedItems();
    return selected.isEmpty() ? QString() : selected.first()->text(ReleaseColumn);
}

QString frmWebGraph::releaseToImport() const
{
    return m_name->text().trimmed();
}

bool frmWebGraph::selectRelease(const QString &release)
{
    const QList<QTreeWidgetItem *> found = m_list->findItems(release, Qt::MatchExactly, ReleaseColumn);
    if (found.isEmpty())
        return false;
    m_list->setCurrentItem(found.first());
    return true;
}

void frmWebGraph::showReleases()
{
    const QString selected = selectedRelease();
    const QList<webgraph::ImportedRelease> imported = webgraph::importedReleaseList(m_folder);
    QStringList names = m_offers;
    for (const webgraph::ImportedRelease &r : imported) {
        if (!names.contains(r.release))
            names.append(r.release);
    }
    std::stable_sort(names.begin(), names.end(), [](const QString &a, const QString &b) {
        return webgraph::releaseDate(a) > webgraph::releaseDate(b);
    });
    m_list->clear();
    for (const QString &name : std::as_const(names)) {
        auto *item = new QTreeWidgetItem(m_list);
        item->setText(ReleaseColumn, name);
        item->setText(DateColumn, webgraph::releaseDate(name).toString(Qt::ISODate));
        const auto entry =
            std::find_if(imported.begin(), imported.end(),
                         [&name](const webgraph::ImportedRelease &r) { return r.release == name; });
        if (entry != imported.end()) {
            item->setText(ImportedColumn, entry->limited ? QStringLiteral("%1 domains only").arg(entry->kept)
                                                         : QStringLiteral("yes"));
            item->setText(DomainsColumn, QLocale().toString(entry->domains));
            item->setText(LinksColumn, QLocale().toString(entry->links));
            item->setText(DiskColumn, webgraph::byteSize(entry->diskBytes));
        } else {
            item->setText(ImportedColumn, name == m_importing ? QStringLiteral("importing...") : QString());
        }
        for (const int column : {DomainsColumn, LinksColumn, DiskColumn})
            item->setTextAlignment(column, Qt::AlignRight | Qt::AlignVCenter);
    }
    if (!selectRelease(selected) && m_list->topLevelItemCount() > 0)
        m_list->setCurrentItem(m_list->topLevelItem(0));
    const QString where = QDir::toNativeSeparators(m_source);
    m_sourceLabel->setText(
        m_offerProblem.isEmpty()
            ? QStringLiteral("Releases at %1 (the source is set on the Options dialog's Updates page).")
                  .arg(where)
            : QStringLiteral("The list of releases at %1 could not be had (%2). Check the network connection "
                             "and the source on the Options dialog's Updates page, or type the name of a "
                             "release below.")
                  .arg(where, m_offerProblem));
    updateButtons();
}

void frmWebGraph::updateButtons()
{
    const QString release = releaseToImport();
    const bool imported =
        webgraph::isReleaseName(release) && QFileInfo::exists(webgraph::indexFile(m_folder, release));
    m_importButton->setEnabled(webgraph::isReleaseName(release) && !isImporting());
    m_importButton->setText(imported ? QStringLiteral("Re-&import") : QStringLiteral("&Import"));
    m_cancelButton->setEnabled(isImporting());
    m_removeButton->setEnabled(imported && release != m_importing);
}

void frmWebGraph::cmdImport_Click()
{
    const QString release = releaseToImport();
    if (!webgraph::isReleaseName(release) || isImporting())
        return;
    webgraph::ImportSettings settings;
    settings.release = release;
    settings.source = m_source;
    settings.folder = m_folder;
    m_import = std::make_unique<webgraph::ReleaseImport>(settings);
    m_import->keepLinkingOf(m_watched);
    m_importing = release;
    connect(m_import.get(), &webgraph::ReleaseImport::progress, this, &frmWebGraph::importProgress);
    connect(m_import.get(), &webgraph::ReleaseImport::notice, m_state, &QLabel::setText);
    connect(m_import.get(), &webgraph::ReleaseImport::finished, this, &frmWebGraph::importFinished,
            Qt::QueuedConnection);
    m_progress->setValue(0);
    m_progress->show();
    m_state->setText(QStringLiteral("Importing %1...").arg(release));
    m_clock.start();
    showReleases();
    m_import->start();
}

void frmWebGraph::importProgress(qint64 done, qint64 known)
{
    if (known > 0)
        m_progress->setValue(int(std::min<qint64>(1000, done * 1000 / known)));
    m_state->setText(QStringLiteral("Importing %1: %2")
                         .arg(m_importing, webgraph::progressText(done, known, m_clock.elapsed())));
}

void frmWebGraph::importFinished(bool ok, const QString &message)
{
    if (!m_import)
        return;
    m_import.release()->deleteLater();
    const QString release = m_importing;
    m_importing.clear();
    m_progress->hide();
    showReleases();
    if (ok) {
        m_state->setText(message);
        emit releasesChanged();
    } else if (message.contains(QLatin1String("was cancelled"))) {
        m_state->setText(
            QStringLiteral("The import of %1 was stopped; nothing of it was kept.").arg(release));
    } else {
        m_state->setText(QStringLiteral("The import of %1 failed.").arg(release));
        const QString advice = webgraph::importAdvice(message);
        prompts::warning(
            this, Title,
            QStringLiteral("The release %1 could not be imported:\n\n%2%3")
                .arg(release, message, advice.isEmpty() ? QString() : QStringLiteral("\n\n") + advice));
    }
    emit importEnded(ok, m_state->text());
}

void frmWebGraph::cmdCancelImport_Click()
{
    if (m_import)
        m_import->cancel();
}

void frmWebGraph::cmdRemove_Click()
{
    const QString release = releaseToImport();
    const QString file = webgraph::indexFile(m_folder, release);
    if (release.isEmpty() || release == m_importing || !QFileInfo::exists(file))
        return;
    if (!prompts::askYesNo(this, Title,
                           QStringLiteral("Remove the release %1 (%2 on disk)? Its figures are no longer "
                                          "counted; what saved searches hold of it stays.")
                               .arg(release, webgraph::byteSize(QFileInfo(file).size()))))
        return;
    QString why;
    if (!webgraph::removeRelease(m_folder, release, &why)) {
        prompts::warning(this, Title,
                         QStringLiteral("The release %1 could not be removed: %2. Check that its folder can "
                                        "be written.")
                             .arg(release, why));
        return;
    }
    m_state->setText(QStringLiteral("Removed %1.").arg(release));
    showReleases();
    emit releasesChanged();
}

bool frmWebGraph::mayClose()
{
    if (!isImporting())
        return true;
    if (!prompts::askYesNo(
            this, Title,
            QStringLiteral("The import of %1 is still running. Stop it? Nothing of it is kept.")
                .arg(m_importing)))
        return false;
    m_import->cancel();
    return true;
}

void frmWebGraph::closeEvent(QCloseEvent *event)
{
    if (mayClose())
        event->accept();
    else
        event->ignore();
}

void frmWebGraph::reject()
{
    if (mayClose())
        QDialog::reject();
}
