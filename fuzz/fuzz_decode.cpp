// Arbitrary bytes as a response body: the charset test and the decoding.

#include "FuzzCheck.h"
#include "Module1.h"

#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray body(reinterpret_cast<const char *>(data), qsizetype(size));
    const bool utf8 = LooksLikeUtf8(body);
    const QString text = DecodeBytes(body);

    FUZZ_CHECK(!utf8 || size >= 3);
    FUZZ_CHECK(QStringView(text).isValidUtf16());
    // Every byte below 0x80 outside a multi-byte sequence is a character of its own in both charsets,
    // so a non-empty body never decodes to nothing.
    FUZZ_CHECK(size == 0 || !text.isEmpty() || (utf8 && size == 3));
    return 0;
}
