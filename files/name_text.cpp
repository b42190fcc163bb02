#include "files/name_text.h"

#include <iconv.h>

#include <array>
#include <cstdint>

#include "files/name_field.h"

namespace kq505 {
namespace {

// The Windows Japanese code page, with its NEC and IBM extensions, as the files hold names.
constexpr const char* kShiftJis = "CP932";
constexpr const char* kUtf8 = "UTF-8";

class Converter {
  public:
    Converter(const char* to, const char* from) : cd_(iconv_open(to, from)) {}
    ~Converter() {
        if (ok()) iconv_close(cd_);
    }
    Converter(const Converter&) = delete;
    Converter& operator=(const Converter&) = delete;

    bool ok() const { return cd_ != reinterpret_cast<iconv_t>(-1); }

    // The whole input converted, or none when any of it does not convert.
    std::optional<std::string> Convert(std::string_view in) {
        if (!ok()) return std::nullopt;
        iconv(cd_, nullptr, nullptr, nullptr, nullptr);
        std::string out(in.size() * 4 + 8, '\0');
        char* in_ptr = const_cast<char*>(in.data());
        std::size_t in_left = in.size();
        char* out_ptr = out.data();
        std::size_t out_left = out.size();
        if (iconv(cd_, &in_ptr, &in_left, &out_ptr, &out_left) == static_cast<std::size_t>(-1) ||
            iconv(cd_, nullptr, nullptr, &out_ptr, &out_left) == static_cast<std::size_t>(-1))
            return std::nullopt;
        out.resize(out.size() - out_left);
        return out;
    }

  private:
    iconv_t cd_;
};

bool IsControl(std::uint8_t byte) {
    return byte < 0x20 || byte == 0x7F;
}

void AppendEscape(std::string& text, std::uint8_t byte) {
    constexpr std::string_view kHex = "0123456789ABCDEF";
    text += "\\x";
    text += kHex[byte >> 4];
    text += kHex[byte & 0x0F];
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

}  // namespace

struct NameTextCodec::Converters {
    Converter decode{kUtf8, kShiftJis};
    Converter encode{kShiftJis, kUtf8};
};

NameTextCodec::NameTextCodec() : converters_(std::make_unique<Converters>()) {}
NameTextCodec::~NameTextCodec() = default;

std::string ShiftJisToText(std::string_view bytes) {
    return NameTextCodec().ToText(bytes);
}

std::optional<std::string> TextToShiftJis(std::string_view text) {
    return NameTextCodec().ToShiftJis(text);
}

std::string NameTextCodec::ToText(std::string_view bytes) {
    Converter& decode = converters_->decode;
    Converter& encode = converters_->encode;
    std::string text;
    std::size_t i = 0;
    while (i < bytes.size()) {
        const auto byte = static_cast<std::uint8_t>(bytes[i]);
        if (byte == '\\') {
            text += "\\\\";
            ++i;
            continue;
        }
        if (IsControl(byte)) {
            AppendEscape(text, byte);
            ++i;
            continue;
        }
        const std::size_t length = IsShiftJisLeadByte(byte) && i + 1 < bytes.size() ? 2 : 1;
        const std::string_view character = bytes.substr(i, length);
        // A character counts only when it converts back to the same bytes: the code page
        // has a few codes that share one character, and only one of them would come back.
        const std::optional<std::string> utf8 = decode.Convert(character);
        if (utf8 && encode.Convert(*utf8) == std::string(character)) {
            text += *utf8;
            i += length;
        } else {
            AppendEscape(text, byte);
            ++i;
        }
    }
    return text;
}

std::optional<std::string> NameTextCodec::ToShiftJis(std::string_view text) {
    Converter& encode = converters_->encode;
    std::string bytes;
    std::string run;  // characters waiting to be converted
    const auto flush = [&] {
        if (run.empty()) return true;
        const std::optional<std::string> converted = encode.Convert(run);
        if (!converted) return false;
        bytes += *converted;
        run.clear();
        return true;
    };
    std::size_t i = 0;
    while (i < text.size()) {
        if (text[i] == '\\' && i + 1 < text.size() && text[i + 1] == '\\') {
            if (!flush()) return std::nullopt;
            bytes += '\\';
            i += 2;
        } else if (text[i] == '\\' && i + 3 < text.size() && text[i + 1] == 'x' &&
                   HexDigit(text[i + 2]) >= 0 && HexDigit(text[i + 3]) >= 0) {
            if (!flush()) return std::nullopt;
            bytes += static_cast<char>(HexDigit(text[i + 2]) * 16 + HexDigit(text[i + 3]));
            i += 4;
        } else {
            run += text[i];
            ++i;
        }
    }
    if (!flush()) return std::nullopt;
    return bytes;
}

}  // namespace kq505
