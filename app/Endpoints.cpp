#include "Endpoints.h"

#include "BuildEndpoints.h"
#include "TrackingProtocol.h"

Endpoints Endpoints::fromBuild()
{
    return {QStringLiteral(QUORVEL_TRACKING_URL), QStringLiteral(QUORVEL_SITE_URL),
            QStringLiteral(QUORVEL_PROVIDER_URL), QStringLiteral(QUORVEL_CONTACT_QQ)};
}

// Cut from the text as configured rather than rebuilt by QUrl, which would lower the host's case:
// the window shows the site as its maker wrote it.
QString Endpoints::siteHost() const
{
    const qsizetype schemeEnd = siteUrl.indexOf(QLatin1String("://"));
    return schemeEnd < 0 ? siteUrl : siteUrl.mid(schemeEnd + 3);
}

QString Endpoints::siteHomePageWithSlash() const
{
    return siteHomePage() + QLatin1Char('/');
}

QString Endpoints::siteHomePage() const
{
    return siteUrl;
}

QString Endpoints::updateFileUrl() const
{
    return siteHomePage() + TrackingProtocol::UpdateFilePath;
}

QString Endpoints::providerHomePage() const
{
    return providerUrl;
}
