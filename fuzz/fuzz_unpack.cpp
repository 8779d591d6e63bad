// Whatever a server sends as a body: an encoding name, an announced length and the bytes. Never more
// than the limit comes back, and text only for a body that arrived whole: as long as announced, or,
// when packed, a stream that reaches its own end.

#include "FuzzCheck.h"
#include "Module1.h"

#include <zlib.h>

#include <cstdint>
#include <optional>

namespace {

constexpr qint64 Limit = 1024;

// One inflate call over all of the input with room for one byte past the limit: the stream is whole
// when zlib reports its end, and the output then is all of it.
std::optional<QByteArray> wholeStream(const QByteArray &wire, int windowBits)
{
    z_stream stream{};
    if (inflateInit2(&stream, windowBits) != Z_OK)
        return std::nullopt;
    QByteArray out(Limit + 1, Qt::Uninitialized);
    stream.next_in = reinterpret_cast<Bytef *>(const_cast<char *>(wire.constData()));
    stream.avail_in = uInt(wire.size());
    stream.next_out = reinterpret_cast<Bytef *>(out.data());
    stream.avail_out = uInt(out.size());
    const int status = inflate(&stream, Z_FINISH);
    const auto produced = qsizetype(stream.total_out);
    inflateEnd(&stream);
    if (status != Z_STREAM_END)
        return std::nullopt;
    out.resize(produced);
    return out;
}

} // namespace

// Input: one byte picks the encoding name, one byte how the length is announced (with a third as
// its offset), the rest is the body as it came over the wire.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static const QByteArray names[] = {"gzip", "x-gzip", "deflate", "GZIP", " Deflate ", "", "identity", "br"};
    if (size < 3)
        return 0;
    const QByteArray encoding = names[data[0] % (sizeof names / sizeof names[0])];
    const QByteArray wire(reinterpret_cast<const char *>(data + 3), qsizetype(size - 3));
    qint64 announced = -1;
    switch (data[1] % 4) {
    case 1:
        announced = wire.size();
        break;
    case 2:
        announced = wire.size() + 1 + data[2];
        break;
    case 3:
        announced = qMax<qint64>(0, wire.size() - 1 - data[2]);
        break;
    }

    const HttpGetResult result = DecodeResponseBody(encoding, announced, wire, Limit);

    FUZZ_CHECK(result.failed() == !result.error.isEmpty());
    FUZZ_CHECK(!result.failed() || result.text.isEmpty());
    if (result.failed())
        return 0;
    // A decoded byte gives at most one UTF-16 unit, four bytes at most two.
    FUZZ_CHECK(result.text.size() <= Limit);
    FUZZ_CHECK(announced < 0 || wire.size() >= announced);

    const QByteArray name = encoding.trimmed().toLower();
    const bool packed = name == "gzip" || name == "x-gzip" || name == "deflate";
    if (!packed || wire.isEmpty()) {
        FUZZ_CHECK(wire.size() <= Limit);
        FUZZ_CHECK(result.text == DecodeBytes(wire));
        return 0;
    }
    std::optional<QByteArray> body = wholeStream(wire, MAX_WBITS + 32); // zlib or gzip
    if (!body)
        body = wholeStream(wire, -MAX_WBITS); // a bare deflate stream
    FUZZ_CHECK(body.has_value());
    FUZZ_CHECK(body->size() <= Limit);
    FUZZ_CHECK(result.text == DecodeBytes(*body));
    return 0;
}
