#include "gui/skin/SkinLabel.h"

SkinLabel::SkinLabel(const QString &array, int index, QWidget *container)
    : QLabel(container), m_array(array), m_index(index)
{
    setObjectName(array + u'_' + QString::number(index));
    if (index == 0)
        hide();
}
