#include "gui/webgraph/frmLinkingDomains.h"

#include "core/ini/UserSettings.h"
#include "core/webgraph/DomainMapping.h"
#include "core/webgraph/LinkingDomains.h"
#include "core/webgraph/ReleaseStore.h"
#include "gui/common/Prompts.h"

#include <QComboBox>
#include <QDir>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSaveFile>
#include <QSortFilterProxyModel>
#include <QStandardItemModel>
#include <QTabWidget>
#include <QTableView>
#include <QUrl>
#include <QVBoxLayout>

namespace {

const QString Title = QStringLiteral("Linking Domains");

QTableView *tableOf(QAbstractItemModel *model, QWidget *parent, const char *name)
{
    auto *view = new QTableView(parent);
    view->setObjectName(QString::fromLatin1(name));
    view->setModel(model);
    view->setSortingEnabled(true);
    view->setSelectionBehavior(QAbstractItemView::SelectRows);
    view->setEditTriggers(QAbstractItemView::NoEditTriggers);
    view->verticalHeader()->hide();
    view->horizontalHeader()->setStretchLastSection(false);
    return view;
}

// A domain's harmonic position: sorted as a number, empty when not ranked (and then after every ranked one).
QStandardItem *positionItem(std::uint32_t position)
{
    auto *item = new QStandardItem(position ? QLocale().toString(position) : QString());
    item->setData(position ? qulonglong(position) : qulonglong(UINT32_MAX) + 1, Qt::UserRole);
    item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
    return item;
}

QString csvField(const QString &text)
{
    return text.contains(u',') || text.contains(u'"')
               ? u'"' + QString(text).replace(u'"', QLatin1String("\"\"")) + u'"'
               : text;
}

} // namespace

frmLinkingDomains::frmLinkingDomains(const QString &url, const QString &releasesFolder,
                                     const QString &programFolder, QWidget *parent)
    : QDialog(parent), m_url(url), m_folder(releasesFolder), m_programFolder(programFolder),
      m_release(new QComboBox(this)), m_state(new QLabel(this)), m_filter(new QLineEdit(this)),
      m_domains(new QStandardItemModel(0, 2, this)), m_shown(new QSortFilterProxyModel(this)),
      m_view(tableOf(m_shown, this, "lstLinking")),
      m_export(new QPushButton(QStringLiteral("&Export..."), this)),
      m_watch(new QPushButton(QStringLiteral("&Watch..."), this)), m_tabs(new QTabWidget(this)),
      m_old(new QComboBox(this)), m_new(new QComboBox(this)), m_changesState(new QLabel(this)),
      m_changes(new QStandardItemModel(0, 3, this)), m_changesView(tableOf(m_changes, this, "lstChanges"))
{
    setObjectName(QStringLiteral("frmLinkingDomains"));
    setWindowTitle(Title + QStringLiteral(" - ") + url);
    m_release->setObjectName(QStringLiteral("cmbRelease"));
    m_state->setObjectName(QStringLiteral("lblLinking"));
    m_state->setWordWrap(true);
    m_filter->setObjectName(QStringLiteral("txtFilter"));
    m_filter->setPlaceholderText(QStringLiteral("Show the domains that hold this text"));
    m_filter->setClearButtonEnabled(true);
    m_export->setObjectName(QStringLiteral("cmdExport"));
    m_watch->setObjectName(QStringLiteral("cmdWatch"));
    m_old->setObjectName(QStringLiteral("cmbOld"));
    m_new->setObjectName(QStringLiteral("cmbNew"));
    m_changesState->setObjectName(QStringLiteral("lblChanges"));
    m_changesState->setWordWrap(true);
    m_domains->setHorizontalHeaderLabels({QStringLiteral("Domain"), QStringLiteral("Harmonic position")});
    m_changes->setHorizontalHeaderLabels(
        {QStringLiteral("Domain"), QStringLiteral("Change"), QStringLiteral("Harmonic position")});
    m_shown->setSourceModel(m_domains);
    m_shown->setSortRole(Qt::UserRole);
    m_shown->setFilterKeyColumn(0);
    m_shown->setFilterCaseSensitivity(Qt::CaseInsensitive);
    auto *changesSort = new QSortFilterProxyModel(this);
    changesSort->setSourceModel(m_changes);
    changesSort->setSortRole(Qt::UserRole);
    m_changesView->setModel(changesSort);
    for (QTableView *view : {m_view, m_changesView}) {
        view->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
        view->horizontalHeader()->setSectionResizeMode(0, QHeaderView::Stretch);
    }

    const QStringList releases = webgraph::importedReleases(releasesFolder);
    m_release->addItems(releases);
    m_new->addItems(releases);
    m_old->addItems(releases);
    if (releases.size() > 1)
        m_old->setCurrentIndex(1);

    auto *domainsPage = new QWidget;
    auto *domainsLayout = new QVBoxLayout(domainsPage);
    auto *filterRow = new QHBoxLayout;
    auto *filterLabel = new QLabel(QStringLiteral("&Filter:"));
    filterLabel->setBuddy(m_filter);
    filterRow->addWidget(filterLabel);
    filterRow->addWidget(m_filter, 1);
    domainsLayout->addLayout(filterRow);
    domainsLayout->addWidget(m_view, 1);
    auto *changesPage = new QWidget;
    auto *changesLayout = new QVBoxLayout(changesPage);
    auto *pair = new QFormLayout;
    pair->addRow(QStringLiteral("&From the release:"), m_old);
    pair->addRow(QStringLiteral("&To the release:"), m_new);
    changesLayout->addLayout(pair);
    changesLayout->addWidget(m_changesState);
    changesLayout->addWidget(m_changesView, 1);
    m_tabs->addTab(domainsPage, QStringLiteral("Domains"));
    m_tabs->addTab(changesPage, QStringLiteral("Changes"));

    auto *close = new QPushButton(QStringLiteral("Close"), this);
    close->setObjectName(QStringLiteral("cmdClose"));
    close->setDefault(true); // Enter closes, as Escape does; Export is asked for by name
    m_export->setAutoDefault(false);
    m_watch->setAutoDefault(false);
    auto *top = new QFormLayout;
    top->addRow(QStringLiteral("&Release:"), m_release);
    auto *buttons = new QHBoxLayout;
    buttons->addWidget(m_export);
    buttons->addWidget(m_watch);
    buttons->addStretch(1);
    buttons->addWidget(close);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(m_state);
    layout->addWidget(m_tabs, 1);
    layout->addLayout(buttons);

    connect(m_release, &QComboBox::currentIndexChanged, this, &frmLinkingDomains::showDomains);
    connect(m_old, &QComboBox::currentIndexChanged, this, &frmLinkingDomains::showChanges);
    connect(m_new, &QComboBox::currentIndexChanged, this, &frmLinkingDomains::showChanges);
    connect(m_filter, &QLineEdit::textChanged, m_shown, &QSortFilterProxyModel::setFilterFixedString);
    connect(m_export, &QPushButton::clicked, this, &frmLinkingDomains::cmdExport_Click);
    connect(m_watch, &QPushButton::clicked, this, &frmLinkingDomains::cmdWatch_Click);
    connect(close, &QPushButton::clicked, this, &QDialog::accept);
    resize(560, 520);
    showDomains();
    showChanges();
}

void frmLinkingDomains::showDomains()
{
    m_domains->removeRows(0, m_domains->rowCount());
    m_watch->hide();
    const QString release = m_release->currentText();
    if (release.isEmpty()) {
        m_state->setText(
            QStringLiteral("No web graph release is imported: import one with Scan > Web Graph."));
        m_export->setEnabled(false);
        return;
    }
    const webgraph::LinkingList list = webgraph::linkingDomainsOf(m_folder, release, m_url);
    if (list.state != webgraph::LinkingList::State::Ok) {
        m_state->setText(list.message);
        m_watch->setVisible(list.state == webgraph::LinkingList::State::NotKept && !list.node.empty());
        m_export->setEnabled(false);
        return;
    }
    for (const webgraph::LinkingDomain &d : list.domains) {
        auto *name = new QStandardItem(webgraph::forward(d.node));
        name->setData(name->text(), Qt::UserRole);
        m_domains->appendRow({name, positionItem(d.harmonicPosition)});
    }
    m_view->sortByColumn(1, Qt::AscendingOrder);
    m_state->setText(
        QStringLiteral("%1 domains link to %2 in the release %3.")
            .arg(QLocale().toString(qulonglong(list.domains.size())), webgraph::forward(list.node), release));
    m_export->setEnabled(!list.domains.empty());
}

void frmLinkingDomains::showChanges()
{
    m_changes->removeRows(0, m_changes->rowCount());
    const QString from = m_old->currentText(), to = m_new->currentText();
    if (from.isEmpty() || to.isEmpty() || from == to) {
        m_changesState->setText(QStringLiteral("Choose two different imported releases."));
        return;
    }
    const webgraph::LinkingList before = webgraph::linkingDomainsOf(m_folder, from, m_url);
    const webgraph::LinkingList after = webgraph::linkingDomainsOf(m_folder, to, m_url);
    for (const webgraph::LinkingList *list : {&before, &after}) {
        if (list->state != webgraph::LinkingList::State::Ok) {
            m_changesState->setText(list->message);
            return;
        }
    }
    int added = 0, lost = 0;
    for (const webgraph::LinkingChange &change : webgraph::linkingChanges(before.domains, after.domains)) {
        auto *name = new QStandardItem(webgraph::forward(change.node));
        name->setData(name->text(), Qt::UserRole);
        auto *kind = new QStandardItem(change.added ? QStringLiteral("new") : QStringLiteral("lost"));
        kind->setData(kind->text(), Qt::UserRole);
        m_changes->appendRow({name, kind, positionItem(change.harmonicPosition)});
        ++(change.added ? added : lost);
    }
    m_changesState->setText(QStringLiteral("From %1 to %2: %3 new and %4 lost linking domains.")
                                .arg(from, to)
                                .arg(added)
                                .arg(lost));
}

void frmLinkingDomains::cmdExport_Click()
{
    const QString file = prompts::saveFile(this, Title, QDir::homePath(),
                                           QStringLiteral("CSV Files (*.csv *.CSV);;All Files (*)"));
    if (file.isEmpty())
        return;
    // The rows as shown: filtered and sorted.
    QString text = QStringLiteral("Domain,Harmonic position\r\n");
    for (int row = 0; row < m_shown->rowCount(); ++row) {
        const QString position = m_shown->index(row, 1).data(Qt::UserRole).toULongLong() > UINT32_MAX
                                     ? QString()
                                     : m_shown->index(row, 1).data(Qt::UserRole).toString();
        text += csvField(m_shown->index(row, 0).data().toString()) + u',' + position + QStringLiteral("\r\n");
    }
    QSaveFile out(file);
    const QByteArray bytes = text.toUtf8();
    if (!out.open(QIODevice::WriteOnly) || out.write(bytes) != bytes.size() || !out.commit())
        prompts::warning(
            this, Title,
            QStringLiteral("%1 could not be written (%2). Choose another folder, or free some disk "
                           "space.")
                .arg(file, out.errorString()));
}

void frmLinkingDomains::cmdWatch_Click()
{
    QString host = QUrl::fromUserInput(m_url).host();
    if (host.startsWith(QLatin1String("www.")))
        host.remove(0, 4);
    const QString name =
        prompts::inputText(this, Title, QStringLiteral("Watch %1 as the saved search:").arg(m_url), host);
    if (name.isNull() || name.trimmed().isEmpty())
        return;
    if (!UserSettings::watch(m_programFolder, name.trimmed(), m_url)) {
        prompts::warning(
            this, Title,
            QStringLiteral("%1 could not be watched: %2").arg(m_url, UserSettings::lastWriteError()));
        return;
    }
    prompts::information(
        this, Title,
        QStringLiteral("%1 is watched now. Import the release again (Scan > Web Graph) to keep "
                       "its linking domains.")
            .arg(m_url));
}
