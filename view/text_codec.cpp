#include "view/text_codec.h"

#include <QStringDecoder>
#include <QStringEncoder>
#include <array>
#include <utility>

namespace kq505 {
namespace {

// ICU's converter behind this name is the Windows Japanese code page's superset, so the
// NEC and IBM extensions that files from that system carry round-trip.
constexpr const char* kCodecName = "Shift_JIS";

// Linux input methods give the JIS forms of these marks; the Windows code page knows them
// only by their twins, which have the same Shift_JIS bytes.
constexpr std::array<std::pair<char16_t, char16_t>, 7> kJisToWindowsForms{{
    {u'\u301C', u'\uFF5E'},  // wave dash, 81 60
    {u'\u2016', u'\u2225'},  // double vertical line, 81 61
    {u'\u2014', u'\u2015'},  // em dash, 81 5C
    {u'\u2212', u'\uFF0D'},  // minus sign, 81 7C
    {u'\u00A2', u'\uFFE0'},  // cent sign, 81 91
    {u'\u00A3', u'\uFFE1'},  // pound sign, 81 92
    {u'\u00AC', u'\uFFE2'},  // not sign, 81 CA
}};

}  // namespace

QString FromShiftJis(std::string_view bytes) {
    QStringDecoder decoder(kCodecName);
    return decoder.decode(QByteArrayView(bytes.data(), static_cast<qsizetype>(bytes.size())));
}

std::optional<std::string> ToShiftJis(const QString& text) {
    QString windows_forms = text;
    for (const auto& [jis, windows] : kJisToWindowsForms)
        windows_forms.replace(QChar(jis), QChar(windows));
    QStringEncoder encoder(kCodecName);
    const QByteArray bytes = encoder.encode(windows_forms);
    if (encoder.hasError()) return std::nullopt;
    return bytes.toStdString();
}

}  // namespace kq505
