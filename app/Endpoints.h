#pragma once

#include <QString>

// The hosts the program talks to and the contact number it shows. A build bakes in its own values
// (see the QUORVEL_* cache variables); tests hand the window a set of their own.
struct Endpoints
{
    QString trackingHost; // host[:port] of the tracking service
    QString siteHost;     // host[:port] of the maker's web site
    QString providerHost; // host[:port] of the data provider's web site
    QString contactQq;    // the author's QQ number

    static Endpoints fromBuild();

    QString siteHomePageWithSlash() const; // opened at start-up
    QString siteHomePage() const;          // opened by the Label5 link
    QString updateFileUrl() const;
    QString providerHomePage() const;
};
