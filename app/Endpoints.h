#pragma once

#include <QString>

// The services the program talks to and the contact number it shows. A build bakes in its own values
// (see the QUORVEL_* cache variables); tests hand the window a set of their own.
struct Endpoints
{
    // Base URLs: http:// or https://, host and optional port, nothing after it.
    QString trackingUrl; // the tracking service
    QString siteUrl;     // the maker's web site
    QString providerUrl; // the data provider's web site
    QString contactQq;   // the author's QQ number

    static Endpoints fromBuild();

    QString siteHost() const;              // host[:port], as the caption and the Label5 link show the site
    QString siteHomePageWithSlash() const; // opened at start-up
    QString siteHomePage() const;          // opened by the Label5 link
    QString updateFileUrl() const;
    QString providerHomePage() const;
};
