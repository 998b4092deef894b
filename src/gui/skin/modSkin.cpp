#include "gui/skin/modSkin.h"

#include "core/ini/TextFile.h"
#include "core/ini/modINI.h"
#include "core/program/ProgramFolder.h"
#include "gui/skin/SkinLabel.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QGroupBox>
#include <QHash>
#include <QLineEdit>
#include <QListView>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QStyle>
#include <QStyleFactory>
#include <QTextEdit>
#include <QTreeView>

namespace modSkin {

namespace {

struct State
{
    Skin skin;
    SkinController controller;
    QPalette savedPalette;
    QString savedStyle;
};

State &state()
{
    static State s;
    return s;
}

QColor colorOf(const QString &text, const QColor &fallback)
{
    const QColor c(text.trimmed());
    return c.isValid() ? c : fallback;
}

} // namespace

namespace {

// The keys of a skin file's [Skin] section (names in lower case). Lines end at CR LF, LF or CR; names are
// matched without regard to case; the first of a repeated key wins.
QHash<QString, QString> skinKeys(const QString &text)
{
    QHash<QString, QString> keys;
    bool inSkin = false;
    for (QString line : text.split(QRegularExpression(QStringLiteral("\r\n|\r|\n")))) {
        line = line.trimmed();
        if (line.isEmpty() || line.startsWith(u';'))
            continue;
        if (line.startsWith(u'[')) {
            inSkin = line.section(u']', 0, 0)
                         .mid(1)
                         .trimmed()
                         .compare(QLatin1String("Skin"), Qt::CaseInsensitive) == 0;
            continue;
        }
        const qsizetype eq = line.indexOf(u'=');
        if (inSkin && eq > 0) {
            const QString name = line.left(eq).trimmed().toLower();
            if (!keys.contains(name))
                keys.insert(name, line.mid(eq + 1).trimmed());
        }
    }
    return keys;
}

// The largest style sheet a skin may bring; anything bigger is no style sheet.
constexpr qint64 MaxStyleSheetBytes = 1024 * 1024;

// The style sheet named by the skin: a regular file inside the skin's folder, of at most 1 MiB.
bool readStyleSheet(const QString &skinFolder, const QString &name, QString &sheet)
{
    const QDir folder(skinFolder);
    const QFileInfo info(folder.filePath(name));
    const QString inside = folder.canonicalPath() + u'/';
    if (!info.exists() || !info.isFile() || !info.canonicalFilePath().startsWith(inside) ||
        info.size() > MaxStyleSheetBytes)
        return false;
    QFile file(info.canonicalFilePath());
    if (!file.open(QIODevice::ReadOnly))
        return false;
    const QByteArray bytes = file.read(MaxStyleSheetBytes + 1);
    if (bytes.size() > MaxStyleSheetBytes)
        return false;
    sheet = QString::fromUtf8(bytes);
    return true;
}

} // namespace

bool Skin::load(const QString &file)
{
    *this = Skin();
    m_read = true;
    m_name = QFileInfo(file).completeBaseName();
    QString text;
    QFile in(file);
    if (!in.open(QIODevice::ReadOnly) || in.size() > MaxStyleSheetBytes) {
        qWarning("vantory: the skin %s cannot be read; the built-in look is used", qPrintable(file));
        return false;
    }
    text = QString::fromLatin1(in.readAll());
    const QHash<QString, QString> keys = skinKeys(text);
    m_back = colorOf(keys.value(QStringLiteral("2")), m_back);
    m_fore = colorOf(keys.value(QStringLiteral("3")), m_fore);
    m_picture = colorOf(keys.value(QStringLiteral("4")), m_picture);
    m_window = colorOf(keys.value(QStringLiteral("window")), m_window);
    m_accent = colorOf(keys.value(QStringLiteral("accent")), m_accent);
    const QString sheet = keys.value(QStringLiteral("stylesheet"));
    if (!sheet.isEmpty() && !readStyleSheet(QFileInfo(file).path(), sheet, m_styleSheet)) {
        qWarning("vantory: the skin's style sheet %s cannot be read; the built-in look is used",
                 qPrintable(sheet));
        m_styleSheet.clear();
    }
    // The style sheet is written with the skin's colours as names, so that every colour of the skin file
    // shows: @back, @fore, @picture, @window and @accent.
    const std::pair<const char *, QColor> names[] = {{"@window", m_window},
                                                     {"@accent", m_accent},
                                                     {"@picture", m_picture},
                                                     {"@back", m_back},
                                                     {"@fore", m_fore}};
    for (const auto &[name, colour] : names)
        m_styleSheet.replace(QLatin1String(name), colour.name());
    m_loaded = keys.size() > 0;
    return m_loaded;
}

QVariant Skin::property(int id) const
{
    switch (id) {
    case 2:
        return m_back.rgb() & 0xffffff;
    case 3:
        return m_fore.rgb() & 0xffffff;
    case 4:
        return m_picture.rgb() & 0xffffff;
    default:
        return QVariant();
    }
}

void Skin::attach(QWidget *window) const
{
    // The same sheet again would only polish every control of the window once more; controls made since
    // take it from the window as they are made.
    if (window->styleSheet() != m_styleSheet)
        window->setStyleSheet(m_styleSheet);
}

void SkinController::start()
{
    if (m_started || !m_skin || !qApp)
        return;
    State &s = state();
    s.savedPalette = QApplication::palette();
    s.savedStyle = QApplication::style()->name();
    QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
    QPalette palette = QApplication::palette();
    palette.setColor(QPalette::Window, m_skin->windowColor());
    palette.setColor(QPalette::Highlight, m_skin->accentColor());
    QApplication::setPalette(palette);
    m_started = true;
}

void SkinController::stop()
{
    if (!m_started || !qApp)
        return;
    State &s = state();
    if (QStyle *style = QStyleFactory::create(s.savedStyle))
        QApplication::setStyle(style);
    QApplication::setPalette(s.savedPalette);
    m_started = false;
}

bool skinSwitch()
{
    return true;
}

Skin *skinObject()
{
    return &state().skin;
}

SkinController *controller()
{
    return &state().controller;
}

QString skinFile()
{
    return programFolder::dataFile(QStringLiteral("skins/Standard.skin"));
}

void startSkin(QWidget *splash)
{
    if (!skinSwitch())
        return;
    skinObject()->load(skinFile());
    if (splash)
        ApplySkin(splash);
    controller()->attach(skinObject());
    controller()->start();
}

void stopSkin()
{
    if (skinSwitch())
        controller()->stop();
}

QString controlKind(const QWidget *w)
{
    if (qobject_cast<const SkinLabel *>(w))
        return QStringLiteral("SkinLabel");
    if (qobject_cast<const QLabel *>(w))
        return QStringLiteral("Label");
    if (qobject_cast<const QPushButton *>(w))
        return QStringLiteral("CommandButton");
    if (qobject_cast<const QCheckBox *>(w))
        return QStringLiteral("CheckBox");
    if (qobject_cast<const QLineEdit *>(w) || qobject_cast<const QTextEdit *>(w) ||
        qobject_cast<const QPlainTextEdit *>(w)) {
        // A combo box's own line edit belongs to the combo box.
        return qobject_cast<const QComboBox *>(w->parentWidget()) ? QString() : QStringLiteral("TextBox");
    }
    if (qobject_cast<const QComboBox *>(w))
        return QStringLiteral("ComboBox");
    if (qobject_cast<const QTreeView *>(w))
        return QStringLiteral("ListView");
    if (qobject_cast<const QListView *>(w))
        return qobject_cast<const QComboBox *>(w->parentWidget()) ? QString() : QStringLiteral("ListBox");
    if (qobject_cast<const QGroupBox *>(w))
        return QStringLiteral("Frame");
    if (w->property("controlKind").toString() == QLatin1String("PictureBox"))
        return QStringLiteral("PictureBox");
    return QString();
}

namespace {

// Sets a control's colours by name ("BackColor", "ForeColor") and in a style sheet of its own, which wins
// over the window's style sheet for this control only.
void setColors(QWidget *w, const QColor &back, const QColor &fore)
{
    w->setProperty("BackColor", back);
    if (fore.isValid())
        w->setProperty("ForeColor", fore);
    const QString selector = w->objectName().isEmpty() ? QString::fromLatin1(w->metaObject()->className())
                                                       : u'#' + w->objectName();
    QString rule = selector + QStringLiteral(" { background-color: ") + back.name();
    if (fore.isValid())
        rule += QStringLiteral("; color: ") + fore.name();
    // A control may keep declarations of its own ("border: none" for a view laid over another).
    if (const QString extra = w->property("styleExtra").toString(); !extra.isEmpty())
        rule += QStringLiteral("; ") + extra;
    rule += QStringLiteral(" }");
    // A style sheet set again costs a new polish of the control and its children (a window is skinned
    // twice at start-up).
    if (w->styleSheet() != rule)
        w->setStyleSheet(rule);
}

} // namespace

void SkinControls(QWidget *window, const QColor &back, const QColor &fore, const QColor &picture)
{
    const QList<QWidget *> controls = window->findChildren<QWidget *>();
    for (QWidget *w : controls) {
        const QString kind = controlKind(w);
        if (kind == QLatin1String("CommandButton")) {
            setColors(w, back, QColor());
        } else if (kind == QLatin1String("TextBox") || kind == QLatin1String("ComboBox") ||
                   kind == QLatin1String("ListBox") || kind == QLatin1String("ListView")) {
            setColors(w, back, fore);
        } else if (kind == QLatin1String("PictureBox")) {
            w->setAutoFillBackground(true);
            setColors(w, picture, QColor());
        }
    }
}

void ApplySkin(QWidget *window)
{
    if (!window)
        return;
    Skin *skin = skinObject();
    if (!skin->wasRead()) {
        // Recovery, once: set the skin up again, without a splash window that would open the main window.
        skin->load(skinFile());
        controller()->attach(skin);
    }
    const QColor back = QColor::fromRgb(QRgb(skin->property(2).toUInt()));
    const QColor fore = QColor::fromRgb(QRgb(skin->property(3).toUInt()));
    const QColor picture = QColor::fromRgb(QRgb(skin->property(4).toUInt()));
    SkinControls(window, back, fore, picture);
    skin->attach(window);
}

QList<QWidget *> substituteLabels(QWidget *window, const QList<LabelArray> &arrays, bool anyContainer)
{
    QList<QWidget *> made;
    if (!skinSwitch() || arrays.isEmpty())
        return made;
    QHash<QString, int> highest;
    for (const LabelArray &array : arrays) {
        int top = 0;
        for (SkinLabel *existing : window->findChildren<SkinLabel *>()) {
            if (existing->array() == array.name)
                top = std::max(top, existing->index());
        }
        highest.insert(array.name, top);
    }
    const QList<QLabel *> labels = window->findChildren<QLabel *>();
    for (QLabel *label : labels) {
        if (qobject_cast<SkinLabel *>(label) ||
            label->property("skinLabel").toString() == QLatin1String("false"))
            continue;
        if (qobject_cast<QWidget *>(label->parent()) && label->parentWidget()->inherits("QStatusBar"))
            continue;
        const LabelArray *target = nullptr;
        for (const LabelArray &array : arrays) {
            if (anyContainer || label->parentWidget() == array.container) {
                target = &array;
                break;
            }
        }
        if (!target)
            continue;
        const int index = highest.value(target->name) + 1;
        highest.insert(target->name, index);
        auto *copy =
            new SkinLabel(target->name, index, anyContainer ? label->parentWidget() : target->container);
        copy->move(copy->x(), label->y()); // top
        copy->move(label->x(), copy->y()); // left
        copy->resize(copy->width(), label->height());
        copy->resize(label->width(), copy->height());
        copy->setFont(label->font());
        copy->setText(label->text());
        copy->setAlignment(label->alignment());
        copy->setWordWrap(label->wordWrap());
        copy->setVisible(label->isVisibleTo(label->parentWidget()));
        copy->raise();
        made.append(copy);
    }
    return made;
}

} // namespace modSkin
