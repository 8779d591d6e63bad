#include "Platform.h"

#include <QStringDecoder>

namespace Platform {

// ICU's converter, in Debian's Qt. Its "GB2312" passes GBK-only bytes through as C1 control
// characters and its "GBK" misreads 0xFF: GB18030 reads both right.
QString decodeGb18030(const QByteArray &bytes)
{
    QStringDecoder gb18030("GB18030", QStringDecoder::Flag::Stateless);
    QString text = gb18030.decode(bytes);
    if (!gb18030.hasError())
        return text;

    // ICU drops a multi-byte character cut off at the end without a trace even when stateless.
    // A NUL sentinel is never a trail byte, so with it the cut-off lead bytes turn into U+FFFD
    // like any other bad byte, and the sentinel's own U+0000 comes off again.
    QStringDecoder withSentinel("GB18030", QStringDecoder::Flag::Stateless);
    QString sentinelText = withSentinel.decode(bytes + QByteArray(1, '\0'));
    if (sentinelText.endsWith(QChar(0))) {
        sentinelText.chop(1);
        return sentinelText;
    }
    return text;
}

} // namespace Platform
