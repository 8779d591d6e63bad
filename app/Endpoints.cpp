#include "Endpoints.h"

#include "BuildEndpoints.h"
#include "TrackingProtocol.h"

Endpoints Endpoints::fromBuild()
{
    return {QStringLiteral(QUORVEL_TRACKING_HOST), QStringLiteral(QUORVEL_SITE_HOST),
            QStringLiteral(QUORVEL_PROVIDER_HOST), QStringLiteral(QUORVEL_CONTACT_QQ)};
}

QString Endpoints::siteHomePageWithSlash() const
{
    return siteHomePage() + QLatin1Char('/');
}

QString Endpoints::siteHomePage() const
{
    return QStringLiteral("http://") + siteHost;
}

QString Endpoints::updateFileUrl() const
{
    return siteHomePage() + TrackingProtocol::UpdateFilePath;
}

QString Endpoints::providerHomePage() const
{
    return QStringLiteral("http://") + providerHost;
}
