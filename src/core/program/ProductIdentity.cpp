#include "core/program/ProductIdentity.h"

#include "vantory_version.h"

namespace productIdentity {

namespace {
QString &websiteOverride()
{
    static QString url;
    return url;
}
} // namespace

QString productName()
{
    return QStringLiteral(VANTORY_PRODUCT_NAME);
}

QString companyName()
{
    return QStringLiteral(VANTORY_COMPANY_NAME);
}

QString version()
{
    return QStringLiteral(VANTORY_VERSION);
}

QString website()
{
    return websiteOverride().isEmpty() ? QStringLiteral(VANTORY_WEBSITE) : websiteOverride();
}

void setWebsite(const QString &url)
{
    websiteOverride() = url;
}

} // namespace productIdentity
