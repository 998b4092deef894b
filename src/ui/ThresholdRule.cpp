#include "ui/ThresholdRule.h"

#include "scan/SortKeys.h"

#include <cmath>
#include <limits>

namespace {

// The text as a 32-bit whole number, fractions rounded; false for anything else.
bool toLong(const QString &text, qint64 *value)
{
    double number = 0;
    if (!scan::cellNumber(text, &number))
        return false;
    const double rounded = std::nearbyint(number);
    if (rounded < std::numeric_limits<qint32>::min() || rounded > std::numeric_limits<qint32>::max())
        return false;
    *value = qint64(rounded);
    return true;
}

// The chains end after a few steps; this bound only guards against a rule that never would.
constexpr int MaxDepth = 1000;

} // namespace

void ThresholdRule::setText(int index, const QString &text)
{
    if (index < 0 || index > 2 || m_boxes[std::size_t(index)] == text)
        return; // setting a box to the text it has raises nothing
    m_boxes[std::size_t(index)] = text;
    txtProfile_Change(index, 0);
}

void ThresholdRule::txtProfile_Change(int index, int depth)
{
    ++m_runs;
    if (depth > MaxDepth)
        return;
    const QString &changed = m_boxes[std::size_t(index)];
    if (changed.isEmpty() || changed == QLatin1String(" "))
        return;
    auto assign = [this, depth](int box, const QString &text) {
        if (m_boxes[std::size_t(box)] == text)
            return;
        m_boxes[std::size_t(box)] = text;
        txtProfile_Change(box, depth + 1);
    };
    qint64 low = 0, medium = 0, high = 0;
    if (!toLong(m_boxes[0], &low) || !toLong(m_boxes[1], &medium) || !toLong(m_boxes[2], &high)) {
        assign(index, changed.left(changed.size() - 1));
        return;
    }
    switch (index) {
    case 0:
        if (low >= medium)
            assign(1, QString::number(low + low));
        break;
    case 1:
        if (low >= medium)
            assign(0, QString::number(medium - 1));
        assign(2, QString::number(medium));
        break;
    case 2:
        assign(1, QString::number(high));
        break;
    default:
        break;
    }
}
