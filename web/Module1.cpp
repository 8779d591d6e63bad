#include "Module1.h"

#include "Platform.h"

#include <QEventLoop>
#include <QHostAddress>
#include <QNetworkAccessManager>
#include <QNetworkProxyFactory>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QScopeGuard>
#include <QSslConfiguration>
#include <QSslError>
#include <QSslSocket>
#include <QStringDecoder>
#include <QUrl>

#include <zlib.h>

#include <cstring>
#include <memory>
#include <utility>

namespace {

// Requests to this machine go direct whatever the proxy settings say: a proxy elsewhere cannot see
// our loopback (the demonstration's simulator, a local service). Every other host asks the platform,
// so a system proxy, or the usual environment variables with their no_proxy, applies as before.
bool isLoopbackHost(const QString &host)
{
    if (host.compare(QLatin1String("localhost"), Qt::CaseInsensitive) == 0 ||
        host.compare(QLatin1String("localhost."), Qt::CaseInsensitive) == 0)
        return true;
    const QHostAddress address(host);
    return !address.isNull() && address.isLoopback();
}

// Remembers whether a proxy was offered, because a 407 through a proxy is the proxy's demand and
// not the server's answer. The application-wide proxy settings stay untouched.
class ProxyFactory : public QNetworkProxyFactory
{
public:
    QList<QNetworkProxy> queryProxy(const QNetworkProxyQuery &query) override
    {
        QList<QNetworkProxy> proxies;
        if (isLoopbackHost(query.peerHostName()))
            proxies.append(QNetworkProxy(QNetworkProxy::NoProxy));
        else
            proxies = QNetworkProxyFactory::systemProxyForQuery(query);
        if (!proxies.isEmpty() && proxies.first().type() != QNetworkProxy::NoProxy)
            m_offeredProxy = true;
        return proxies;
    }

    bool offeredProxy() const { return m_offeredProxy; }

private:
    bool m_offeredProxy = false;
};

// OperationCanceledError is what Qt reports both for its own transfer timeout and for our abort of
// an oversized body, so the reason is recorded where the decision is taken.
enum class AbortReason
{
    None,
    TooLarge
};

// What the error code alone does not tell. Qt reports a failed TLS handshake the same way whether
// the server's certificate did not pass or the two ends found no common ground, so the refusal of a
// certificate is noted as it happens.
struct FailureFacts
{
    AbortReason abortReason = AbortReason::None;
    bool certificateRefused = false;
};

const QString CutOffMessage = QStringLiteral("连接中断");
const QString TooLargeMessage = QStringLiteral("数据过大");
const QString NetworkErrorMessage = QStringLiteral("网络错误");

QString describeFailure(QNetworkReply::NetworkError error, const FailureFacts &facts)
{
    if (facts.abortReason == AbortReason::TooLarge)
        return TooLargeMessage;
    if (facts.certificateRefused)
        return QStringLiteral("服务器证书验证失败");
    switch (error) {
    case QNetworkReply::ConnectionRefusedError:
        return QStringLiteral("无法连接到服务器");
    case QNetworkReply::HostNotFoundError:
        return QStringLiteral("找不到服务器");
    case QNetworkReply::TimeoutError:
    case QNetworkReply::OperationCanceledError: // only the transfer timeout cancels besides us
        return QStringLiteral("连接超时");
    case QNetworkReply::RemoteHostClosedError:
        return CutOffMessage;
    case QNetworkReply::TooManyRedirectsError:
        return QStringLiteral("重定向次数过多");
    case QNetworkReply::InsecureRedirectError:
        return QStringLiteral("不安全的重定向");
    case QNetworkReply::ProtocolUnknownError:
    case QNetworkReply::ProtocolInvalidOperationError:
        return QStringLiteral("网址无效");
    case QNetworkReply::ProxyAuthenticationRequiredError:
        return QStringLiteral("代理服务器要求验证身份");
    default:
        return NetworkErrorMessage;
    }
}

// Qt turns an HTTP error status into a NetworkError of its own (400 and 418 even into the one of an
// invalid operation), yet a response that arrived whole is the server's answer whatever its status
// line says. These are the errors that stand for a status; every other one means the transfer went
// wrong. A 407 that came through a proxy is the proxy asking for credentials: no answer at all.
bool isErrorStatusOnly(const QNetworkReply &reply, bool offeredProxy)
{
    const QVariant status = reply.attribute(QNetworkRequest::HttpStatusCodeAttribute);
    if (!status.isValid() || status.toInt() < 400)
        return false;
    const QNetworkReply::NetworkError error = reply.error();
    if (error == QNetworkReply::ProxyAuthenticationRequiredError)
        return !offeredProxy;
    return error == QNetworkReply::ProtocolInvalidOperationError ||
           (error >= QNetworkReply::ContentAccessDenied && error <= QNetworkReply::UnknownContentError) ||
           (error >= QNetworkReply::InternalServerError && error <= QNetworkReply::UnknownServerError);
}

// A compressed body is complete only when its stream reaches its own end marker and, for gzip and
// zlib, its checksum trailer agrees: a connection that closes half-way leaves a stream without one.
enum class Inflation
{
    Complete,
    CutOff,
    Corrupt,
    TooLarge
};

Inflation inflateStream(const QByteArray &wire, int windowBits, qint64 maxBytes, QByteArray &out)
{
    out.clear();
    z_stream stream{};
    if (inflateInit2(&stream, windowBits) != Z_OK)
        return Inflation::Corrupt;
    const auto end = qScopeGuard([&stream] { inflateEnd(&stream); });

    auto *next = reinterpret_cast<const Bytef *>(wire.constData());
    qsizetype remaining = wire.size();
    char chunk[64 * 1024];
    for (;;) {
        if (stream.avail_in == 0 && remaining > 0) {
            const auto take = uInt(qMin<qsizetype>(remaining, 1 << 30));
            stream.next_in = const_cast<Bytef *>(next);
            stream.avail_in = take;
            next += take;
            remaining -= take;
        }
        stream.next_out = reinterpret_cast<Bytef *>(chunk);
        stream.avail_out = sizeof chunk;
        const int status = inflate(&stream, Z_NO_FLUSH);
        out.append(chunk, qsizetype(sizeof chunk - stream.avail_out));
        // Before the end marker counts: a stream that ends in the chunk that crosses the limit is
        // too large all the same.
        if (out.size() > maxBytes)
            return Inflation::TooLarge;
        if (status == Z_STREAM_END)
            return Inflation::Complete;
        if (status == Z_BUF_ERROR && stream.avail_in == 0 && remaining == 0)
            return Inflation::CutOff; // all input used up, no end marker
        if (status != Z_OK && status != Z_BUF_ERROR)
            return Inflation::Corrupt;
    }
}

// "deflate" means the zlib format, but some servers send a bare deflate stream under that name.
Inflation inflateBody(const QByteArray &wire, qint64 maxBytes, QByteArray &out)
{
    constexpr int zlibOrGzip = MAX_WBITS + 32;
    constexpr int bareDeflate = -MAX_WBITS;
    const Inflation wrapped = inflateStream(wire, zlibOrGzip, maxBytes, out);
    if (wrapped != Inflation::Corrupt)
        return wrapped;
    const Inflation bare = inflateStream(wire, bareDeflate, maxBytes, out);
    return bare == Inflation::Corrupt ? wrapped : bare;
}

// Encoding names are case-insensitive; x-gzip is gzip's old name.
bool isCompressed(const QByteArray &contentEncoding)
{
    const QByteArray encoding = contentEncoding.trimmed().toLower();
    return encoding == "gzip" || encoding == "x-gzip" || encoding == "deflate";
}

bool isAsciiWord(quint64 word)
{
    return (word & 0x8080808080808080ull) == 0;
}

HttpGetResult failure(const QString &message)
{
    HttpGetResult result;
    result.error = message;
    return result;
}

HttpGetResult answer(const QByteArray &body)
{
    HttpGetResult result;
    result.text = DecodeBytes(body);
    return result;
}

std::function<void()> &beforeEachRequest()
{
    static std::function<void()> hook;
    return hook;
}

} // namespace

void setBeforeEachRequest(std::function<void()> hook)
{
    beforeEachRequest() = std::move(hook);
}

HttpGetResult HttpGetText(const QString &url, HttpGetOptions options)
{
    if (beforeEachRequest())
        beforeEachRequest()();
    QNetworkAccessManager manager;
    auto *proxyFactory = new ProxyFactory;
    manager.setProxyFactory(proxyFactory); // the manager owns it

    QNetworkRequest request{QUrl(url)};
    request.setTransferTimeout(options.transferTimeoutMs);
    // The encodings the platform's own request object announces. Asked for explicitly, Qt hands the
    // body over as it came instead of unpacking it itself, and an unpacked body no longer shows
    // whether all of it arrived: Qt drops the Content-Length and passes on a cut-off stream's start.
    request.setRawHeader("Accept-Encoding", "gzip, deflate");
    // Redirects are followed, but never from https to http: what came encrypted must not be
    // answered in the clear, where anyone on the way can read the number or rewrite the events.
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::NoLessSafeRedirectPolicy);
    // HTTP/1.1 over TLS as over plain TCP: the rules for cut-off and oversized bodies (see
    // DecodeResponseBody) are those of HTTP/1.1's framing, and Qt would otherwise pick HTTP/2
    // wherever a server offers it.
    request.setAttribute(QNetworkRequest::Http2AllowedAttribute, false);
    // The certificate is checked against the system's trust store, its dates and the host name,
    // whatever a default configuration may say, and a failure is never ignored: there is no one to
    // ask, and no way to accept a certificate that did not pass.
    QSslConfiguration tls = request.sslConfiguration();
    tls.setPeerVerifyMode(QSslSocket::VerifyPeer);
    request.setSslConfiguration(tls);

    // Released explicitly: a deleteLater() issued inside a nested event loop is not carried out
    // by that loop, so a reply left to it would outlive the call.
    std::unique_ptr<QNetworkReply> reply(manager.get(request));
    FailureFacts facts;
    QNetworkReply *const replyPointer = reply.get();
    const qint64 maxBodyBytes = options.maxBodyBytes;
    // The total is the Content-Length, so an announced oversized body fails with its first bytes.
    // (Aborting from metaDataChanged instead makes Qt report the error of an error page twice.)
    QObject::connect(replyPointer, &QNetworkReply::downloadProgress, replyPointer,
                     [replyPointer, &facts, maxBodyBytes](qint64 received, qint64 total) {
                         if (facts.abortReason == AbortReason::None &&
                             (received > maxBodyBytes || total > maxBodyBytes)) {
                             facts.abortReason = AbortReason::TooLarge;
                             replyPointer->abort();
                         }
                     });
    // Only noted: left unanswered (no ignoreSslErrors), the handshake fails and so does the request.
    QObject::connect(replyPointer, &QNetworkReply::sslErrors, replyPointer,
                     [&facts](const QList<QSslError> &) { facts.certificateRefused = true; });

    QEventLoop loop;
    QObject::connect(replyPointer, &QNetworkReply::finished, &loop, &QEventLoop::quit);
    if (!reply->isFinished())
        loop.exec();
    // QCoreApplication::exit() (also reached by closing the last window) ends every running event
    // loop of the thread, this one included, while the reply is still under way, and from then on
    // every exec() returns at once until the main loop has returned. Go on waiting by hand: a half
    // body must not pass for the answer, and the events must keep flowing meanwhile.
    while (!reply->isFinished())
        loop.processEvents(QEventLoop::WaitForMoreEvents);

    HttpGetResult result;
    if (facts.abortReason != AbortReason::None ||
        (reply->error() != QNetworkReply::NoError && !isErrorStatusOnly(*reply, proxyFactory->offeredProxy()))) {
        result.error = describeFailure(reply->error(), facts);
    } else {
        // Qt 6.4 at times reports a connection that breaks off in the middle of a body with a
        // Content-Length as a success with the part that arrived: the announced length tells.
        const QVariant announced = reply->header(QNetworkRequest::ContentLengthHeader);
        result = DecodeResponseBody(reply->rawHeader("Content-Encoding"),
                                    announced.isValid() ? announced.toLongLong() : -1, reply->readAll(), maxBodyBytes);
    }
    reply.reset(); // before the handlers above, which it still refers to, go out of scope
    return result;
}

HttpGetResult DecodeResponseBody(const QByteArray &contentEncoding, qint64 announcedLength, const QByteArray &wire,
                                 qint64 maxBodyBytes)
{
    if (announcedLength >= 0 && wire.size() < announcedLength)
        return failure(CutOffMessage);
    if (wire.size() > maxBodyBytes)
        return failure(TooLargeMessage);
    if (!isCompressed(contentEncoding) || wire.isEmpty()) // an empty body holds no stream to unpack
        return answer(wire);

    QByteArray body;
    switch (inflateBody(wire, maxBodyBytes, body)) {
    case Inflation::Complete:
        return answer(body);
    case Inflation::CutOff:
        return failure(CutOffMessage);
    case Inflation::TooLarge:
        return failure(TooLargeMessage);
    case Inflation::Corrupt:
        break;
    }
    return failure(NetworkErrorMessage);
}

QString DecodeBytes(const QByteArray &body)
{
    if (LooksLikeUtf8(body)) {
        // Stateless, because the default decoder keeps a sequence cut off at the end as pending
        // state and so silently drops it; stateless shows it as U+FFFD.
        QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
        return utf8.decode(body);
    }

    // GB18030 is the superset of GB2312 and GBK that decodes both right.
    return Platform::decodeGb18030(body);
}

bool LooksLikeUtf8(const QByteArray &body)
{
    const qsizetype n = body.size();
    if (n < 3)
        return false;
    const auto *b = reinterpret_cast<const unsigned char *>(body.constData());
    if (b[0] == 0xEF && b[1] == 0xBB && b[2] == 0xBF)
        return true;

    bool sawMultiByte = false;
    qsizetype i = 0;
    while (i < n) {
        // Most of an answer is ASCII (JSON syntax, digits, times): skip it eight bytes at a time.
        while (i + 8 <= n) {
            quint64 word;
            std::memcpy(&word, b + i, sizeof word);
            if (!isAsciiWord(word))
                break;
            i += 8;
        }
        if (i >= n)
            break;
        const unsigned char lead = b[i];
        if (lead < 0x80) {
            ++i;
        } else if (i + 1 < n && (lead & 0xE0) == 0xC0 && (b[i + 1] & 0xC0) == 0x80) {
            i += 2;
            sawMultiByte = true;
        } else if (i + 2 < n && (lead & 0xF0) == 0xE0 && (b[i + 1] & 0xC0) == 0x80 && (b[i + 2] & 0xC0) == 0x80) {
            i += 3;
            sawMultiByte = true;
        } else {
            return false;
        }
    }
    return sawMultiByte;
}
