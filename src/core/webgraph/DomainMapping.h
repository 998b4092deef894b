#pragma once

#include <QString>
#include <QStringList>

#include <string>
#include <vector>

// Which node of a web graph release a URL is: the graph's nodes are domains written in reverse
// ("com.example", "uk.co.example", "io.github.alice").
namespace webgraph {

// The URL's host: lower case, internationalized names in their ASCII form, no port, no final dot; empty for
// a URL without a host and for an IP address (no node is an address).
QString hostOf(const QString &url);

// "www.example.com" -> "com.example.www"
std::string reversed(const QString &host);
// "com.example" -> "example.com"
QString forward(const std::string &node);

// The nodes the URL may be, in the order they are tried: its registrable domain under the whole Public
// Suffix List (private section included), under its ICANN section only, then the host itself; each once,
// reversed. Empty when hostOf() is.
std::vector<std::string> candidateNodes(const QString &url);

// The registrable domain of a host under the whole list ("alice.github.io"), or empty for a host that is a
// public suffix itself.
QString registrableDomain(const QString &host);

} // namespace webgraph
