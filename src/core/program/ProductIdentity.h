#pragma once

#include <QString>

// The product identity the windows show: product name, company, website and version.
namespace productIdentity {

QString productName();
QString companyName();
QString version();
// The product's website; the demo and the tests point it at a loopback server.
QString website();
void setWebsite(const QString &url);

} // namespace productIdentity
