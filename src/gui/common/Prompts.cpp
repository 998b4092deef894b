#include "gui/common/Prompts.h"

#include <QFileDialog>
#include <QInputDialog>
#include <QQueue>
#include <QRegularExpression>

namespace prompts {

namespace {

struct Queues
{
    QQueue<bool> yesNo;
    QQueue<QString> texts;
    QQueue<QString> files;
    QStringList shown;
    bool testMode = false;
};

Queues &queues()
{
    static Queues q;
    return q;
}

void record(const QString &title, const QString &text)
{
    queues().shown.append(title + u'|' + text);
}

} // namespace

bool askYesNo(QWidget *parent, const QString &title, const QString &text, Stakes stakes)
{
    record(title, text);
    if (!queues().yesNo.isEmpty())
        return queues().yesNo.dequeue();
    if (queues().testMode)
        return false;
    const auto icon = stakes == Stakes::Loss ? QMessageBox::Warning : QMessageBox::Question;
    QMessageBox box(icon, title, text, QMessageBox::Yes | QMessageBox::No, parent);
    box.setDefaultButton(QMessageBox::No);
    return box.exec() == QMessageBox::Yes;
}

void information(QWidget *parent, const QString &title, const QString &text)
{
    record(title, text);
    if (queues().testMode)
        return;
    QMessageBox::information(parent, title, text);
}

void warning(QWidget *parent, const QString &title, const QString &text)
{
    record(title, text);
    if (queues().testMode)
        return;
    QMessageBox::warning(parent, title, text);
}

QString inputText(QWidget *parent, const QString &title, const QString &prompt, const QString &defaultText)
{
    if (!queues().texts.isEmpty())
        return queues().texts.dequeue();
    if (queues().testMode)
        return QString();
    bool ok = false;
    const QString text = QInputDialog::getText(parent, title, prompt, QLineEdit::Normal, defaultText, &ok);
    return ok ? text : QString();
}

QString openFile(QWidget *parent, const QString &title, const QString &folder, const QString &filter)
{
    if (!queues().files.isEmpty())
        return queues().files.dequeue();
    if (queues().testMode)
        return QString();
    return QFileDialog::getOpenFileName(parent, title, folder, filter);
}

QString saveFile(QWidget *parent, const QString &title, const QString &folder, const QString &filter,
                 QString *chosenFilter)
{
    if (chosenFilter)
        *chosenFilter = filter.section(QStringLiteral(";;"), 0, 0);
    if (!queues().files.isEmpty())
        return queues().files.dequeue();
    if (queues().testMode)
        return QString();
    return QFileDialog::getSaveFileName(parent, title, folder, filter, chosenFilter);
}

QString withExtension(const QString &typed, const QString &filter, const QString &chosenFilter)
{
    static const QRegularExpression pattern(QStringLiteral("\\*(\\.[A-Za-z0-9]+)"));
    for (const auto &match : pattern.globalMatch(filter)) {
        if (typed.endsWith(match.captured(1), Qt::CaseInsensitive))
            return typed;
    }
    const QRegularExpressionMatch chosen = pattern.match(chosenFilter);
    return chosen.hasMatch() ? typed + chosen.captured(1) : typed;
}

void queueYesNo(bool yes)
{
    queues().yesNo.enqueue(yes);
}

void queueText(const QString &text)
{
    queues().texts.enqueue(text);
}

void queueFile(const QString &path)
{
    queues().files.enqueue(path);
}

QStringList takeShown()
{
    return std::exchange(queues().shown, QStringList());
}

void setTestMode(bool on)
{
    queues().testMode = on;
}

void reset()
{
    const bool testMode = queues().testMode;
    queues() = Queues();
    queues().testMode = testMode;
}

} // namespace prompts
