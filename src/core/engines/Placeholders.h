#pragma once

#include <QString>

// Placeholders in an engine's query address, suffix, request body and header values: "${target}" (the URL
// as the scan has it), "${host}" (its host, lower case), "${domain}" (its registrable domain under the
// Public Suffix List, else the host without "www.") and "${date}" (today, YYYY-MM-DD, for services that
// report as of a date). Each is written as the place it stands in needs:
// percent-encoded in an address, escaped inside a JSON string, as it is elsewhere. "${env:NAME}" is left for
// the request (see Variables.h). Any other "${...}" is an error of the definition.
namespace engines {

enum class Encoding
{
    Url,  // percent-encoded: a query address or a form body
    Json, // escaped for the inside of a JSON string
    Text  // as it is
};

// The first "${...}" of text that is neither a placeholder nor "${env:NAME}", whole ("${targte}"), or
// empty.
QString unknownPlaceholder(const QString &text);

// True when text places the target: ${target}, ${host}, ${domain} or a batch's ${targets}.
bool hasPlaceholders(const QString &text);

// text with ${target}, ${host} and ${domain} filled for target.
QString fillPlaceholders(const QString &text, const QString &target, Encoding encoding);

// The host of a target URL (lower case, without port) and its registrable domain.
QString targetHost(const QString &target);
QString targetDomain(const QString &target);

// A text as the inside of a JSON string: quotes, backslashes and control characters escaped.
QString jsonEscaped(const QString &text);

} // namespace engines
