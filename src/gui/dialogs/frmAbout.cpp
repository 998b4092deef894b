#include "gui/dialogs/frmAbout.h"

#include "gui/common/Twips.h"
#include "gui/main/ProfileIcons.h"
#include "gui/skin/SkinLabel.h"
#include "gui/skin/modSkin.h"

#include <QLabel>
#include <QPainter>
#include <QPushButton>

#include "vantory_version.h"

using twips::box;

namespace {

QPixmap logo()
{
    QPixmap pixmap(72, 72);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.setBrush(QColor(24, 52, 86));
    p.setPen(Qt::NoPen);
    p.drawRoundedRect(QRectF(0, 0, 72, 72), 12, 12);
    const QColor bars[3] = {QColor(214, 48, 49), QColor(240, 196, 25), QColor(46, 160, 67)};
    for (int i = 0; i < 3; ++i) {
        const int h = 16 + i * 14;
        p.setBrush(bars[i]);
        p.drawRoundedRect(QRectF(12 + i * 17, 60 - h, 13, h), 3, 3);
    }
    return pixmap;
}

QLabel *label(QWidget *parent, const char *name, const QString &text, const QRect &where, bool bold = false)
{
    auto *l = new QLabel(text, parent);
    l->setObjectName(QString::fromLatin1(name));
    l->setGeometry(where);
    if (bold) {
        QFont f = l->font();
        f.setBold(true);
        l->setFont(f);
    }
    return l;
}

} // namespace

QString frmAbout::versionText(int major, int minor)
{
    return QString::number(major) + u'.' + QString::number(minor);
}

frmAbout::frmAbout(QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("frmAbout"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("About " VANTORY_PRODUCT_NAME));
    setFixedSize(twips::px(6300), twips::px(3300));
    auto *picture = new QLabel(this);
    picture->setObjectName(QStringLiteral("Picture1"));
    picture->setPixmap(logo());
    picture->setProperty("skinLabel", QStringLiteral("false"));
    picture->setProperty("controlKind", QStringLiteral("PictureBox"));
    picture->setGeometry(box(240, 240, 1100, 1100));
    // Label1 and the three value labels are skin labels; Label2-Label4 plain ones.
    auto skinned = [this](const char *name, const QString &text, const QRect &where, bool bold) {
        auto *l = new SkinLabel(QStringLiteral("About"), 0, this);
        l->setObjectName(QString::fromLatin1(name));
        l->setText(text);
        l->setGeometry(where);
        l->show();
        QFont f = l->font();
        f.setBold(bold);
        if (bold)
            f.setPointSizeF(f.pointSizeF() * 1.6);
        l->setFont(f);
        return l;
    };
    skinned("Label1", QStringLiteral(VANTORY_PRODUCT_NAME), box(1560, 240, 4500, 480), true);
    label(this, "Label2", QStringLiteral("Version:"), box(1560, 900, 1300, 255), true);
    skinned("lblVersion", versionText(VANTORY_VERSION_MAJOR, VANTORY_VERSION_MINOR),
            box(2900, 900, 3200, 255), false);
    label(this, "Label3", QStringLiteral("Owned By:"), box(1560, 1260, 1300, 255), true);
    skinned("lblCompany", QStringLiteral(VANTORY_COMPANY_NAME), box(2900, 1260, 3200, 255), false);
    label(this, "Label4", QStringLiteral("Website:"), box(1560, 1620, 1300, 255), true);
    skinned("lblWebsite", QStringLiteral(VANTORY_WEBSITE), box(2900, 1620, 3200, 255), false);
    // A window that only shows something closes with "Close", as the help window does.
    auto *close = new QPushButton(QStringLiteral("Close"), this);
    close->setObjectName(QStringLiteral("cmdClose"));
    close->setGeometry(box(4860, 2580, 1200, 450));
    close->setDefault(true);
    connect(close, &QPushButton::clicked, this, &QDialog::accept);

    new SkinLabel(QStringLiteral("SkinLabel1"), 0, this);
    modSkin::substituteLabels(this, {{QStringLiteral("SkinLabel1"), this}}, true);
    modSkin::ApplySkin(this);
}
