#pragma once

#include <QColor>
#include <QList>
#include <QString>
#include <QVariant>

class QWidget;

// The program's skin engine: a skin object read from a skin definition shipped with the program, the
// application skin controller, and the operations every window uses to wear the skin.
namespace modSkin {

// A skin definition: colours by property number (2 button and list back colour, 3 list text colour, 4 picture
// box back colour) and the style sheet the windows are drawn with.
class Skin
{
public:
    bool load(const QString &file);
    bool isLoaded() const { return m_loaded; }
    // True once load() has run, whatever it found: a skin is read once per run.
    bool wasRead() const { return m_read; }
    QString name() const { return m_name; }
    // Property 2, 3 or 4 as a colour value (0xRRGGBB); an invalid QVariant for any other.
    QVariant property(int id) const;
    QString styleSheet() const { return m_styleSheet; }
    QColor windowColor() const { return m_window; }
    QColor accentColor() const { return m_accent; }
    // Draws the window with the skin from now on.
    void attach(QWidget *window) const;

private:
    bool m_loaded = false;
    bool m_read = false;
    QString m_name;
    // The built-in look, kept where the skin file says nothing or cannot be read.
    QColor m_back{0xf4, 0xf7, 0xfb};
    QColor m_fore{0x1c, 0x27, 0x33};
    QColor m_picture{0x24, 0x44, 0x6b};
    QColor m_window{0xe9, 0xee, 0xf4};
    QColor m_accent{0x2f, 0x6f, 0xb2};
    QString m_styleSheet;
};

// Makes the standard controls of all windows follow the skin while started.
class SkinController
{
public:
    void attach(const Skin *skin) { m_skin = skin; }
    void start();
    void stop();
    bool isStarted() const { return m_started; }

private:
    const Skin *m_skin = nullptr;
    bool m_started = false;
};

// The skin switch: on in this program.
bool skinSwitch();
Skin *skinObject();
SkinController *controller();

// Where the skin definition is read from: "skins/Standard.skin" in the program folder, else the one built in.
QString skinFile();

// Start-up at the splash window: the skin object, ApplySkin on the splash window, then the controller's
// attach and start. Shut-down at program end: the controller's stop.
void startSkin(QWidget *splash);
void stopSkin();

// The kind of control a widget stands for: "CommandButton", "TextBox", "ComboBox", "ListBox", "ListView",
// "PictureBox", "Label", "SkinLabel", "Frame", "CheckBox", or "" for the rest.
QString controlKind(const QWidget *widget);

// Colours the window's controls by kind: buttons get B as back colour; text, combo and list controls B and F;
// picture boxes P.
void SkinControls(QWidget *window, const QColor &back, const QColor &fore, const QColor &picture);

// Colours B, F, P from the skin, SkinControls, then the window handed to the skin. Recovers once when the
// skin object is not ready, by setting it up again.
void ApplySkin(QWidget *window);

// Copies every plain label of window onto a new member of the skin label array whose template (member 0)
// stands in the label's container; a label in any other container is skipped. With anyContainer, every
// plain label goes to the first array. Labels whose property "skinLabel" is false are left alone (their text
// changes at run time). Returns the members made, in order.
struct LabelArray
{
    QString name;
    QWidget *container;
};
QList<QWidget *> substituteLabels(QWidget *window, const QList<LabelArray> &arrays,
                                  bool anyContainer = false);

} // namespace modSkin
