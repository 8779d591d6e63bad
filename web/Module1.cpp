#include "Module1.h"

#include <QEventLoop>
#include <QNetworkAccessManager>
#include <QNetworkProxyFactory>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QScopeGuard>
#include <QStringDecoder>
#include <QUrl>

#include <zlib.h>

#include <cstring>
#include <memory>

#ifdef Q_OS_WIN
#include "Gb18030Windows.h"
#endif

namespace {

// Asks the platform for every request, so a proxy configured on the system (or in the usual
// environment variables) is used without touching the application-wide proxy settings.
class SystemProxyFactory : public QNetworkProxyFactory
{
public:
    QList<QNetworkProxy> queryProxy(const QNetworkProxyQuery &query) override
    {
        return QNetworkProxyFactory::systemProxyForQuery(query);
    }
};

// OperationCanceledError is what Qt reports both for its own transfer timeout and for our abort of
// an oversized body, so the reason is recorded where the decision is taken.
enum class AbortReason
{
    None,
    TooLarge
};

QString describeFailure(QNetworkReply::NetworkError error, AbortReason abortReason)
{
    if (abortReason == AbortReason::TooLarge)
        return QStringLiteral("数据过大");
    switch (error) {
    case QNetworkReply::ConnectionRefusedError:
        return QStringLiteral("无法连接到服务器");
    case QNetworkReply::HostNotFoundError:
        return QStringLiteral("找不到服务器");
    case QNetworkReply::TimeoutError:
    case QNetworkReply::OperationCanceledError: // only the transfer timeout cancels besides us
        return QStringLiteral("连接超时");
    case QNetworkReply::RemoteHostClosedError:
        return QStringLiteral("连接中断");
    case QNetworkReply::TooManyRedirectsError:
        return QStringLiteral("重定向次数过多");
    case QNetworkReply::ProtocolUnknownError:
    case QNetworkReply::ProtocolInvalidOperationError:
        return QStringLiteral("网址无效");
    default:
        return QStringLiteral("网络错误");
    }
}

// Qt turns an HTTP error status into a NetworkError as well, but a server that answered with an
// error page has still delivered a body, which the callers want to see like any other.
bool isTransportFailure(const QNetworkReply &reply)
{
    const QNetworkReply::NetworkError error = reply.error();
    if (error == QNetworkReply::NoError)
        return false;
    // Only an error status counts as answered: a content error under a success status (a body
    // that cannot be decompressed, say) leaves no body worth handing on.
    const bool errorStatus = reply.attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt() >= 400;
    const bool isStatusError =
        (error >= QNetworkReply::ContentAccessDenied && error <= QNetworkReply::UnknownContentError) ||
        (error >= QNetworkReply::InternalServerError && error <= QNetworkReply::UnknownServerError);
    return !(errorStatus && isStatusError);
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

bool isCompressed(const QNetworkReply &reply)
{
    const QByteArray encoding = reply.rawHeader("Content-Encoding").trimmed().toLower();
    return encoding == "gzip" || encoding == "x-gzip" || encoding == "deflate";
}

bool isAsciiWord(quint64 word)
{
    return (word & 0x8080808080808080ull) == 0;
}

} // namespace

HttpGetResult HttpGetText(const QString &url, const HttpGetOptions &options)
{
    QNetworkAccessManager manager;
    manager.setProxyFactory(new SystemProxyFactory); // the manager owns it

    QNetworkRequest request{QUrl(url)};
    request.setTransferTimeout(options.transferTimeoutMs);
    // The encodings the platform's own request object announces. Asked for explicitly, Qt hands the
    // body over as it came instead of unpacking it itself, and an unpacked body no longer shows
    // whether all of it arrived: Qt drops the Content-Length and passes on a cut-off stream's start.
    request.setRawHeader("Accept-Encoding", "gzip, deflate");

    // Released explicitly: a deleteLater() issued inside a nested event loop is not carried out
    // by that loop, so a reply left to it would outlive the call.
    std::unique_ptr<QNetworkReply> reply(manager.get(request));
    AbortReason abortReason = AbortReason::None;
    QNetworkReply *const replyPointer = reply.get();
    const auto abortIfTooLarge = [replyPointer, &abortReason, &options](qint64 received, qint64 total) {
        if (abortReason == AbortReason::None && (received > options.maxBodyBytes || total > options.maxBodyBytes)) {
            abortReason = AbortReason::TooLarge;
            replyPointer->abort();
        }
    };
    // The total is the Content-Length, so an announced oversized body fails with its first bytes.
    // (Aborting from metaDataChanged instead makes Qt report the error of an error page twice.)
    QObject::connect(replyPointer, &QNetworkReply::downloadProgress, replyPointer, abortIfTooLarge);
    // Qt 6.4 reports a connection that breaks off in the middle of a body with a Content-Length as
    // a success with the part that arrived; the last progress report still tells the sizes apart.
    qint64 bodyReceived = 0;
    qint64 bodyExpected = -1;
    QObject::connect(replyPointer, &QNetworkReply::downloadProgress, replyPointer,
                     [&bodyReceived, &bodyExpected](qint64 received, qint64 total) {
                         bodyReceived = received;
                         bodyExpected = total;
                     });

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
    if (abortReason != AbortReason::None || isTransportFailure(*reply))
        result.error = describeFailure(reply->error(), abortReason);
    else if (bodyExpected >= 0 && bodyReceived < bodyExpected)
        result.error = QStringLiteral("连接中断");
    else if (const QByteArray wire = reply->readAll(); !isCompressed(*reply) || wire.isEmpty())
        result.text = DecodeBytes(wire);
    else {
        QByteArray body;
        switch (inflateBody(wire, options.maxBodyBytes, body)) {
        case Inflation::Complete:
            result.text = DecodeBytes(body);
            break;
        case Inflation::CutOff:
            result.error = QStringLiteral("连接中断");
            break;
        case Inflation::Corrupt:
            result.error = QStringLiteral("网络错误");
            break;
        case Inflation::TooLarge:
            result.error = QStringLiteral("数据过大");
            break;
        }
    }
    reply.reset(); // before the handlers above, which it still refers to, go out of scope
    return result;
}

QString DecodeBytes(const QByteArray &body)
{
    if (LooksLikeUtf8(body)) {
        // Stateless, because the default decoder keeps a sequence cut off at the end as pending
        // state and so silently drops it; stateless shows it as U+FFFD.
        QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
        return utf8.decode(body);
    }

#ifdef Q_OS_WIN
    return decodeGb18030ThroughWindows(body);
#else
    // GB18030 is the superset of GB2312 and GBK that decodes both right; ICU's "GB2312" passes
    // GBK-only bytes through as C1 control characters, and its "GBK" misreads 0xFF.
    QStringDecoder gb18030("GB18030", QStringDecoder::Flag::Stateless);
    QString text = gb18030.decode(body);
    if (!gb18030.hasError())
        return text;

    // ICU drops a multi-byte character cut off at the end without a trace even when stateless.
    // A NUL sentinel is never a trail byte, so with it the cut-off lead bytes turn into U+FFFD
    // like any other bad byte, and the sentinel's own U+0000 comes off again.
    QStringDecoder withSentinel("GB18030", QStringDecoder::Flag::Stateless);
    QString sentinelText = withSentinel.decode(body + QByteArray(1, '\0'));
    if (sentinelText.endsWith(QChar(0))) {
        sentinelText.chop(1);
        return sentinelText;
    }
    return text;
#endif
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
