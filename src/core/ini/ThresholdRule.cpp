#include "core/ini/ThresholdRule.h"

#include "core/ini/UserSettings.h"

#include <algorithm>
#include <limits>

namespace {

// The text as a 32-bit whole number by the settings' threshold rule; false for anything else.
bool toLong(const QString &text, qint64 *value)
{
    int number = 0;
    if (!UserSettings::thresholdNumber(text, &number))
        return false;
    *value = number;
    return true;
}

// A threshold the rule computes stays within the 32-bit range, so that doubling a large low threshold never
// produces a text the rule then cuts down digit by digit.
QString clamped(qint64 value)
{
    return QString::number(
        std::clamp<qint64>(value, std::numeric_limits<qint32>::min(), std::numeric_limits<qint32>::max()));
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
            assign(1, clamped(low + low));
        break;
    case 1:
        if (low >= medium)
            assign(0, clamped(medium - 1));
        assign(2, clamped(medium));
        break;
    case 2:
        assign(1, clamped(high));
        break;
    default:
        break;
    }
}
