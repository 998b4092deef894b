#include "gui/main/UrlPanel.h"

#include "core/lists/UrlListFile.h"
#include "core/program/ProgramFolder.h"
#include "gui/common/Prompts.h"
#include "gui/common/Twips.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QFileInfo>
#include <QListWidget>
#include <QMenu>
#include <QMouseEvent>
#include <QPushButton>

using twips::box;

UrlPanel::UrlPanel(QWidget *parent)
    : QGroupBox(QStringLiteral("URLs"), parent), m_add(new QPushButton(QStringLiteral("Add"), this)),
      m_delete(new QPushButton(QStringLiteral("Delete"), this)),
      m_open(new QPushButton(QStringLiteral("Load"), this)),
      m_save(new QPushButton(QStringLiteral("Save"), this)), m_list(new QListWidget(this)),
      m_popup(new QMenu(QStringLiteral("URL"), this))
{
    setObjectName(QStringLiteral("Frame1"));
    m_add->setObjectName(QStringLiteral("cmdAdd"));
    m_delete->setObjectName(QStringLiteral("cmdDel"));
    m_open->setObjectName(QStringLiteral("cmdOpen"));
    m_save->setObjectName(QStringLiteral("cmdSave"));
    m_list->setObjectName(QStringLiteral("List1"));
    m_add->setGeometry(box(120, 240, 795, 735));
    m_delete->setGeometry(box(900, 240, 855, 735));
    m_open->setGeometry(box(1740, 240, 855, 735));
    m_save->setGeometry(box(2580, 240, 855, 735));
    m_list->setGeometry(box(120, 1020, 3255, 3000));
    m_list->setSelectionMode(QAbstractItemView::SingleSelection);
    // Every entry is one line of text: with uniform sizes a list of 100,000 entries loads and scrolls at
    // once.
    m_list->setUniformItemSizes(true);
    m_list->setTextElideMode(Qt::ElideRight);
    m_list->viewport()->installEventFilter(this);
    connect(m_add, &QPushButton::clicked, this, &UrlPanel::cmdAdd_Click);
    connect(m_delete, &QPushButton::clicked, this, &UrlPanel::cmdDel_Click);
    connect(m_open, &QPushButton::clicked, this, &UrlPanel::cmdOpen_Click);
    connect(m_save, &QPushButton::clicked, this, &UrlPanel::cmdSave_Click);

    m_popup->setObjectName(QStringLiteral("mnuURL"));
    popupAction("mnuURLNewURL", QStringLiteral("New URL"), &UrlPanel::mnuURLNewURL_Click);
    m_popup->addSeparator();
    m_popupDelete = popupAction("mnuDeleteSelect", QStringLiteral("Delete Selected"),
                                &UrlPanel::mnuDeleteSelect_Click, QKeySequence(Qt::Key_Delete));
    popupAction("mnuClearList", QStringLiteral("C&lear list"), &UrlPanel::mnuClearList_Click,
                QKeySequence(Qt::SHIFT | Qt::Key_Delete));
    m_popup->addSeparator();
    popupAction("mnuURLLoadUrlList", QStringLiteral("Load URL List from File"),
                &UrlPanel::mnuURLLoadUrlList_Click);
    popupAction("mnuLoadClipboard", QStringLiteral("Load URL List from Clipboard"),
                &UrlPanel::mnuLoadClipboard_Click);
    m_popupSave = popupAction("mnuURLSaveUrlList", QStringLiteral("Save URL List to File"),
                              &UrlPanel::mnuURLSaveUrlList_Click);
}

QAction *UrlPanel::popupAction(const char *name, const QString &text, void (UrlPanel::*slot)(),
                               const QKeySequence &shortcut)
{
    QAction *action = m_popup->addAction(text);
    action->setObjectName(QString::fromLatin1(name));
    connect(action, &QAction::triggered, this, slot);
    if (!shortcut.isEmpty()) {
        // The popup shows the key; a twin action on the list makes the key act while the list has the focus,
        // whatever the popup's enabled states were left at by the last right-click.
        action->setShortcut(shortcut);
        action->setShortcutContext(Qt::WidgetShortcut);
        auto *key = new QAction(m_list);
        key->setObjectName(QString::fromLatin1(name) + QStringLiteral("Key"));
        key->setShortcut(shortcut);
        key->setShortcutContext(Qt::WidgetShortcut);
        connect(key, &QAction::triggered, this, slot);
        m_list->addAction(key);
    }
    return action;
}

void UrlPanel::fitList(int bottomMargin)
{
    m_list->resize(m_list->width(), std::abs(height() - m_list->y() - bottomMargin));
}

QStringList UrlPanel::entries() const
{
    QStringList out;
    out.reserve(m_list->count());
    for (int i = 0; i < m_list->count(); ++i)
        out.append(m_list->item(i)->text());
    return out;
}

namespace {

QString countText(qsizetype n)
{
    return n == 1 ? QStringLiteral("1 URL") : QStringLiteral("%1 URLs").arg(n);
}

} // namespace

void UrlPanel::addEntries(const QStringList &entries)
{
    m_list->addItems(entries);
}

void UrlPanel::mnuNewURL_Click()
{
    const QString url = prompts::inputText(window(), QStringLiteral("New URL"),
                                           QStringLiteral("Please enter a URL"), QStringLiteral("http://"));
    if (url.size() <= 7)
        return;
    // Typed as pasted: an entry without "http://" gets it (and "www." when it has none).
    m_list->addItem(urlList::normaliseClipboardEntry(url));
    m_list->setCurrentRow(m_list->count() - 1);
    m_list->scrollToBottom();
}

void UrlPanel::mnuDeleteSelect_Click()
{
    const QList<QListWidgetItem *> selected = m_list->selectedItems();
    if (selected.isEmpty())
        return;
    const int index = m_list->row(selected.first());
    delete m_list->takeItem(index);
    if (index < m_list->count())
        m_list->setCurrentRow(index);
    else
        m_list->clearSelection();
}

void UrlPanel::mnuClearList_Click()
{
    if (prompts::askYesNo(window(), QStringLiteral("Warning"),
                          QStringLiteral("This will delete all the URLs, Continue?")))
        m_list->clear();
}

void UrlPanel::mnuOpenURLList_Click()
{
    const QString path =
        prompts::openFile(window(), QStringLiteral("Select a file"), programFolder::listsFolder(),
                          QStringLiteral("Text Files (*.txt *.TXT)"));
    if (path.isEmpty())
        return;
    QStringList loaded;
    const urlList::LoadStatus status = urlList::loadFile(path, loaded);
    if (status != urlList::LoadStatus::Ok) {
        prompts::warning(window(), QStringLiteral("Load URL List"), urlList::loadError(status, path));
        return;
    }
    addEntries(loaded);
    emit this->loaded(QStringLiteral("%1 added to the list from %2.")
                          .arg(countText(loaded.size()), QFileInfo(path).fileName()));
}

void UrlPanel::mnuOpenClipboard_Click()
{
    const QStringList pasted = urlList::clipboardEntries(QApplication::clipboard()->text());
    addEntries(pasted);
    emit loaded(QStringLiteral("%1 added to the list from the clipboard.").arg(countText(pasted.size())));
}

void UrlPanel::mnuSaveUrlList_Click()
{
    const QString chosen =
        prompts::saveFile(window(), QStringLiteral("Save URL List"), programFolder::listsFolder(),
                          QStringLiteral("Text Files (*.txt *.TXT);;All Files (*)"));
    if (chosen.isEmpty())
        return;
    const QString path = urlList::withTxtExtension(chosen);
    // The dialog asked about the name it was given; a name that gained ".txt" may hit another file.
    if (path != chosen && QFileInfo::exists(path) &&
        !prompts::askYesNo(
            window(), QStringLiteral("Save URL List"),
            QStringLiteral("%1 already exists. Do you want to replace it?").arg(QFileInfo(path).fileName())))
        return;
    if (!urlList::saveFile(path, entries()))
        prompts::warning(
            window(), QStringLiteral("Save URL List"),
            QStringLiteral("The list could not be saved to %1.").arg(QDir::toNativeSeparators(path)));
}

void UrlPanel::mnuURLNewURL_Click()
{
    mnuNewURL_Click();
}

void UrlPanel::mnuURLLoadUrlList_Click()
{
    mnuOpenURLList_Click();
}

void UrlPanel::mnuLoadClipboard_Click()
{
    mnuOpenClipboard_Click();
}

void UrlPanel::mnuURLSaveUrlList_Click()
{
    mnuSaveUrlList_Click();
}

void UrlPanel::cmdAdd_Click()
{
    mnuNewURL_Click();
}

void UrlPanel::cmdDel_Click()
{
    mnuDeleteSelect_Click();
}

void UrlPanel::cmdOpen_Click()
{
    mnuOpenURLList_Click();
}

void UrlPanel::cmdSave_Click()
{
    mnuSaveUrlList_Click();
}

void UrlPanel::List1_MouseDown(const QPoint &pos)
{
    if (QListWidgetItem *item = m_list->itemAt(pos))
        m_list->setCurrentItem(item); // the menu's "Delete Selected" acts on the entry clicked
    m_popupDelete->setEnabled(!m_list->selectedItems().isEmpty());
    m_popupSave->setEnabled(m_list->count() > 0);
    m_popup->popup(m_list->viewport()->mapToGlobal(pos));
}

bool UrlPanel::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_list->viewport() && event->type() == QEvent::MouseButtonPress) {
        auto *mouse = static_cast<QMouseEvent *>(event);
        if (mouse->button() == Qt::RightButton) {
            List1_MouseDown(mouse->position().toPoint());
            return true; // the press is the menu's; it selects the entry under it
        }
    }
    return QGroupBox::eventFilter(watched, event);
}

void UrlPanel::addMenuEntries(QMenu *file)
{
    auto urlEntry = [this, file](const char *name, const QString &text, void (UrlPanel::*slot)(),
                                 const QKeySequence &key) {
        QAction *action = file->addAction(text);
        action->setObjectName(QString::fromLatin1(name));
        action->setShortcut(key);
        connect(action, &QAction::triggered, this, slot);
    };
    urlEntry("mnuNewURL", QStringLiteral("Add URL"), &UrlPanel::mnuNewURL_Click,
             QKeySequence(Qt::CTRL | Qt::Key_N));
    file->addSeparator()->setObjectName(QStringLiteral("mnuFileSplit1"));
    urlEntry("mnuSaveUrlList", QStringLiteral("Save URL List to File"), &UrlPanel::mnuSaveUrlList_Click,
             QKeySequence(Qt::CTRL | Qt::Key_S));
    urlEntry("mnuOpenURLList", QStringLiteral("Load URL List from File"), &UrlPanel::mnuOpenURLList_Click,
             QKeySequence(Qt::CTRL | Qt::Key_O));
    urlEntry("mnuOpenClipboard", QStringLiteral("Load URL List from Clipboard"),
             &UrlPanel::mnuOpenClipboard_Click, QKeySequence(Qt::CTRL | Qt::Key_V));
}
