#pragma once

#include <QString>

#include <array>

// The three popularity thresholds of the Options dialog (index 0 low, 1 medium, 2 high), kept numeric and
// ordered while the user types. Setting a box runs the rule for it, and every change the rule makes runs
// the rule again for the box it changed, as a text box's change event would; the chains always end.
class ThresholdRule
{
public:
    const QString &text(int index) const { return m_boxes.at(std::size_t(index)); }

    // Sets box index to text (the user typed, pasted or the program assigned) and runs the rule.
    void setText(int index, const QString &text);
    // Appends one typed character to box index.
    void type(int index, QChar c) { setText(index, text(index) + c); }

    // How many times the rule has run (tests and the dialog's guard against surprises).
    int runs() const { return m_runs; }

private:
    void txtProfile_Change(int index, int depth);

    // The boxes' design state: the defaults, so that loading the stored values runs the rule on numbers.
    std::array<QString, 3> m_boxes{QStringLiteral("500"), QStringLiteral("1000"), QStringLiteral("1000")};
    int m_runs = 0;
};
