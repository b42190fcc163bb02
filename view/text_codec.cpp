#include "view/text_codec.h"

#include <QStringDecoder>
#include <QStringEncoder>

namespace kq505 {
namespace {

// ICU's converter behind this name is the Windows Japanese code page's superset, so the
// NEC and IBM extensions that files from that system carry round-trip.
constexpr const char* kCodecName = "Shift_JIS";

}  // namespace

QString FromShiftJis(std::string_view bytes) {
    QStringDecoder decoder(kCodecName);
    return decoder.decode(QByteArrayView(bytes.data(), static_cast<qsizetype>(bytes.size())));
}

std::optional<std::string> ToShiftJis(const QString& text) {
    QStringEncoder encoder(kCodecName);
    const QByteArray bytes = encoder.encode(text);
    if (encoder.hasError()) return std::nullopt;
    return bytes.toStdString();
}

}  // namespace kq505
