#include "gui/help/Form8.h"

#include "core/ini/UserSettings.h"
#include "core/program/ProgramFolder.h"
#include "core/program/xfileExists.h"
#include "gui/common/modOnTop.h"
#include "gui/help/RtfDocument.h"
#include "gui/skin/modSkin.h"

#include <QApplication>
#include <QCheckBox>
#include <QDialog>
#include <QDir>
#include <QFile>
#include <QHBoxLayout>
#include <QKeySequence>
#include <QPushButton>
#include <QShortcut>
#include <QTextBrowser>
#include <QVBoxLayout>

Form8::Form8(QWidget *parent)
    : QWidget(parent, Qt::Window), m_text(new QTextBrowser(this)),
      m_check(new QCheckBox(QStringLiteral("Show at Startup"), this))
{
    setObjectName(QStringLiteral("Form8"));
    setWindowTitle(QStringLiteral("Readme/Help"));
    setAttribute(Qt::WA_DeleteOnClose);
    resize(620, 560);
    m_text->setObjectName(QStringLiteral("rtf1"));
    m_text->setOpenExternalLinks(false);
    m_check->setObjectName(QStringLiteral("Check1"));
    auto *close = new QPushButton(QStringLiteral("Close"), this);
    close->setObjectName(QStringLiteral("cmdClose"));
    connect(close, &QPushButton::clicked, this, &QWidget::close);
    // Escape and Ctrl+W close it from the keyboard, as a dialog closes.
    for (const QKeySequence &key : {QKeySequence(Qt::Key_Escape), QKeySequence(Qt::CTRL | Qt::Key_W)}) {
        auto *shortcut = new QShortcut(key, this);
        connect(shortcut, &QShortcut::activated, this, &QWidget::close);
    }
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_text, 1);
    auto *row = new QHBoxLayout;
    row->addWidget(m_check);
    row->addStretch();
    row->addWidget(close);
    layout->addLayout(row);
    connect(m_check, &QCheckBox::stateChanged, this, &Form8::Check1_Click);
    qApp->installEventFilter(this);
}

void Form8::load()
{
    if (modSkin::skinSwitch())
        modSkin::ApplySkin(this);
    const QString file = programFolder::dataFile(QStringLiteral("Help.rtf"));
    if (xfileExists::FileExists(file)) {
        QFile in(file);
        // A read-me is small; what lies beyond 16 MiB is no read-me and is not read.
        if (in.open(QIODevice::ReadOnly))
            fillDocument(m_text->document(), rtf::parse(in.read(16 * 1024 * 1024)));
        m_text->moveCursor(QTextCursor::Start); // the read-me opens at its top
        m_wantsTopMost = true;
        modOnTop::SetTopMost(this, m_dialogs.isEmpty());
        bool ok = false;
        const int show = UserSettings::value(UserSettings::ShowHelp).trimmed().toInt(&ok);
        if (ok) {
            const QSignalBlocker quiet(m_check);
            m_check->setChecked(show != 0);
        }
    } else {
        setVisible(false);
    }
}

bool Form8::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::Show && watched != this && watched->isWidgetType()) {
        auto *widget = static_cast<QWidget *>(watched);
        if (widget->isWindow() && qobject_cast<QDialog *>(widget) && !m_dialogs.contains(widget)) {
            m_dialogs.append(widget);
            connect(widget, &QObject::destroyed, this, &Form8::dialogGone);
            modOnTop::SetTopMost(this, false);
        }
    } else if (event->type() == QEvent::Hide && m_dialogs.contains(watched)) {
        dialogGone(watched);
    }
    return QWidget::eventFilter(watched, event);
}

void Form8::dialogGone(QObject *dialog)
{
    if (!m_dialogs.removeOne(dialog))
        return;
    disconnect(dialog, &QObject::destroyed, this, &Form8::dialogGone);
    if (m_dialogs.isEmpty() && m_wantsTopMost)
        modOnTop::SetTopMost(this, true);
}

void Form8::Check1_Click()
{
    UserSettings::setValue(UserSettings::ShowHelp,
                           m_check->isChecked() ? QStringLiteral("1") : QStringLiteral("0"));
}
