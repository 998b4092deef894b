#pragma once

#include <QString>
#include <QStringList>

// Environment variables in an engine's definition: "${env:NAME}" in a request header's value, the suffix or
// the query address stands for the variable's value, read when the request is made, so that an API key never
// sits in a file. A definition may read only variables whose names begin with "VANTORY_": an engines.ini
// received from someone else cannot read any other secret of the user's. Values are never shown: reports,
// kept pages and exports show "${env:NAME}".
namespace engines {

// The most request headers one engine may send, and the most texts it may remove from a count or a check
// text: every one costs time on every page.
inline constexpr int MaxRequestHeaders = 32;
inline constexpr int MaxRemovals = 32;

// True for the name of a variable a definition may read.
bool mayReadVariable(const QString &name);

// The first variable that text refers to and may not read, or empty.
QString refusedVariable(const QString &text);

// How a value is written where it stands.
enum class Placement
{
    Header, // as it is (a request header's value)
    Url,    // percent-encoded (a query address)
    Json    // escaped for the inside of a JSON string (a JSON body)
};

// Text with every ${env:NAME} replaced by its value.
struct Substitution
{
    QString text;
    QString problem; // why the request cannot be made: a variable refused, not set, or unfit; else empty
    bool usesVariables = false;
    QStringList values; // the values put in (as placed), to be masked wherever text may be shown
    QStringList names;  // their names, in the same order
};
Substitution substituteVariables(const QString &text, Placement placement);

// text with every value that substitution put in replaced by its "${env:NAME}".
QString maskVariables(QString text, const Substitution &substitution);

} // namespace engines
