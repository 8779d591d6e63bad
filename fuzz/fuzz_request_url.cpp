// Arbitrary numbers into the request URL: always a valid URL with exactly the keys com, nu and id,
// whose nu decodes back to the number, as the service reads it too.

#include "FuzzCheck.h"
#include "TrackingProtocol.h"

#include <QUrl>
#include <QUrlQuery>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QString number = QString::fromUtf8(reinterpret_cast<const char *>(data), qsizetype(size));
    const QString built = TrackingProtocol::requestUrl(
        TrackingProtocol::requestUrlTemplate(QStringLiteral("127.0.0.1:80")), QStringLiteral("zhongtong"), number);

    const QUrl url(built, QUrl::StrictMode);
    FUZZ_CHECK(url.isValid());
    FUZZ_CHECK(url.scheme() == QLatin1String("http") && url.path() == QLatin1String("/"));
    FUZZ_CHECK(!url.hasFragment());
    const QUrlQuery query(url);
    const auto items = query.queryItems(QUrl::FullyEncoded);
    FUZZ_CHECK(items.size() == 3);
    FUZZ_CHECK(items.at(0) == qMakePair(QStringLiteral("com"), QStringLiteral("zhongtong")));
    FUZZ_CHECK(items.at(1).first == QLatin1String("nu"));
    FUZZ_CHECK(QUrl::fromPercentEncoding(items.at(1).second.toUtf8()) == number);
    FUZZ_CHECK(items.at(2) == qMakePair(QStringLiteral("id"), TrackingProtocol::AccessKey));
    const auto request = TrackingProtocol::readTrackingRequest(url.path(), url.query(QUrl::FullyEncoded));
    FUZZ_CHECK(request && request->courierCode == QLatin1String("zhongtong") && request->number == number &&
               request->key == TrackingProtocol::AccessKey);
    return 0;
}
