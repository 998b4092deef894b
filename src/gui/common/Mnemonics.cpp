#include "gui/common/Mnemonics.h"

#include <QAction>
#include <QMenu>
#include <QMenuBar>
#include <QSet>

namespace mnemonics {

namespace {

// The letter after a single "&" ("&&" is a literal ampersand), or a null character.
QChar mnemonicOf(const QString &text)
{
    for (qsizetype i = 0; i + 1 < text.size(); ++i) {
        if (text.at(i) != u'&')
            continue;
        if (text.at(i + 1) == u'&') {
            ++i;
            continue;
        }
        return text.at(i + 1).toLower();
    }
    return QChar();
}

// The place of the first character of text (by its shown form) that is a letter or digit not in taken,
// preferring the start of a word; -1 when there is none.
qsizetype choose(const QString &text, const QSet<QChar> &taken)
{
    qsizetype fallback = -1;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (!c.isLetterOrNumber() || c.unicode() > 127 || taken.contains(c.toLower()))
            continue;
        const bool wordStart = i == 0 || !text.at(i - 1).isLetterOrNumber();
        if (wordStart)
            return i;
        if (fallback < 0)
            fallback = i;
    }
    return fallback;
}

} // namespace

void assign(QWidget *menuOrBar)
{
    QSet<QChar> taken;
    const QList<QAction *> actions = menuOrBar->actions();
    for (QAction *action : actions) {
        if (const QChar c = mnemonicOf(action->text()); !c.isNull())
            taken.insert(c);
    }
    for (QAction *action : actions) {
        const QString text = action->text();
        if (action->isSeparator() || text.isEmpty() || !mnemonicOf(text).isNull())
            continue;
        // Literal ampersands are doubled in the text; they are never chosen.
        const qsizetype at = choose(text, taken);
        if (at < 0)
            continue;
        taken.insert(text.at(at).toLower());
        action->setText(text.left(at) + u'&' + text.mid(at));
    }
}

void assignAll(QWidget *window)
{
    QList<QWidget *> menus;
    for (QMenuBar *bar : window->findChildren<QMenuBar *>())
        menus.append(bar);
    for (QMenu *menu : window->findChildren<QMenu *>())
        menus.append(menu);
    for (QWidget *menu : std::as_const(menus)) {
        assign(menu);
        if (auto *popup = qobject_cast<QMenu *>(menu))
            QObject::connect(popup, &QMenu::aboutToShow, popup, [popup] { assign(popup); });
    }
}

} // namespace mnemonics
