// Arbitrary numbers into the request URL: always a valid URL of the template's path and keys, none
// added by the number, which the service reads back as it was typed.

#include "FuzzCheck.h"
#include "TrackingProtocol.h"

#include <QUrl>
#include <QUrlQuery>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QString number = QString::fromUtf8(reinterpret_cast<const char *>(data), qsizetype(size));
    const QString urlTemplate = TrackingProtocol::requestUrlTemplate(QStringLiteral("https://track.example.test:8443"));
    const QString built = TrackingProtocol::requestUrl(urlTemplate, QStringLiteral("zhongtong"), number);

    const QUrl url(built, QUrl::StrictMode);
    const QUrl form(urlTemplate);
    FUZZ_CHECK(url.isValid());
    FUZZ_CHECK(url.scheme() == form.scheme() && url.path() == form.path());
    FUZZ_CHECK(!url.hasFragment());
    const auto keys = [](const QUrl &u) {
        QStringList names;
        for (const auto &item : QUrlQuery(u).queryItems(QUrl::FullyEncoded))
            names << item.first;
        return names;
    };
    FUZZ_CHECK(keys(url) == keys(form));
    const auto request = TrackingProtocol::readTrackingRequest(url.path(), url.query(QUrl::FullyEncoded));
    FUZZ_CHECK(request && request->courierCode == QLatin1String("zhongtong") && request->number == number &&
               request->key == TrackingProtocol::AccessKey);
    return 0;
}
