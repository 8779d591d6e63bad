#pragma once

// Fetching a URL as text: one HTTP GET, waited for while the window keeps working, and the body
// decoded as UTF-8 or GB2312 after a look at its byte patterns.

#include <QByteArray>
#include <QString>

#include <functional>

struct HttpGetResult
{
    QString text;  // the decoded body, whatever the HTTP status; empty on failure
    QString error; // a short Chinese description of a transport failure; empty when an answer arrived

    bool failed() const { return !error.isEmpty(); }
};

struct HttpGetOptions
{
    int transferTimeoutMs = 30 * 1000;      // a request that makes no progress this long fails
    qint64 maxBodyBytes = 16 * 1024 * 1024; // a larger body fails
};

// Sends one GET and waits for the whole answer in a nested event loop: every window event keeps
// being handled meanwhile, a second call included. Never blocks forever (see HttpGetOptions).
// Any response that arrives whole is an answer, whatever its status line says; only a request that
// gets no whole response fails. Requests to this machine never go through a proxy. An https URL is
// answered only by a server whose certificate passes (the system's trust store, dates, host name),
// and never through a redirect to http.
// The options are copied: the caller (a window, say) may be gone before the wait ends.
HttpGetResult HttpGetText(const QString &url, HttpGetOptions options = {});

// Runs on the calling thread before HttpGetText sends each request (nothing by default): a
// demonstration build takes the loopback port over there once it is free, so that the request
// finds a server (app/LocalServices_demonstration.cpp).
void setBeforeEachRequest(std::function<void()> hook);

// What the bytes of a response that has ended mean to the caller. `wire` is the body as it came,
// still packed when `contentEncoding` names gzip or deflate; `announcedLength` its Content-Length,
// or -1. A body shorter than announced, or a packed stream without its end, was cut off; one that
// is or unpacks to more than `maxBodyBytes` is too large; otherwise the decoded text.
HttpGetResult DecodeResponseBody(const QByteArray &contentEncoding, qint64 announcedLength, const QByteArray &wire,
                                 qint64 maxBodyBytes);

// The body as text: UTF-8 when LooksLikeUtf8, otherwise GB2312 (decoded as GB18030, its superset).
QString DecodeBytes(const QByteArray &body);

// True when the body has at least 3 bytes and either starts with the UTF-8 byte-order mark or
// consists of ASCII and well-formed 2- and 3-byte sequences with at least one of the latter.
bool LooksLikeUtf8(const QByteArray &body);
