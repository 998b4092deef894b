#pragma once

#include <QLabel>

// A label drawn in the skin's style. Windows keep arrays of them (SkinLabel1, SkinLabel2): member 0 is a
// hidden template placed in the container whose plain labels the array serves; members 1, 2, ... are the
// copies made when the window loads.
class SkinLabel : public QLabel
{
    Q_OBJECT

public:
    SkinLabel(const QString &array, int index, QWidget *container);
    QString array() const { return m_array; }
    int index() const { return m_index; }

private:
    QString m_array;
    int m_index;
};
