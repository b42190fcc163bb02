#include "xgpart/xg_part_image.h"

#include <optional>

namespace kq505 {
namespace {

// A value of `size` bytes: one data byte, or 2 or 4 nibbles, highest first.
template <std::size_t N>
void Put(std::array<std::optional<std::uint8_t>, N>& bytes, const XgParamInfo& info,
         std::int32_t value) {
    if (info.size == 1) {
        bytes[info.low] = static_cast<std::uint8_t>(value & 0x7F);
        return;
    }
    for (int i = 0; i < info.size; ++i) {
        const int shift = 4 * (info.size - 1 - i);
        bytes[info.low + static_cast<std::size_t>(i)] =
            static_cast<std::uint8_t>((value >> shift) & 0x0F);
    }
}

template <std::size_t N>
std::optional<std::int32_t> Get(const std::array<std::optional<std::uint8_t>, N>& bytes,
                                const XgParamInfo& info) {
    if (info.size == 1) return bytes[info.low];
    std::int32_t value = 0;
    for (int i = 0; i < info.size; ++i) {
        const std::optional<std::uint8_t>& byte = bytes[info.low + static_cast<std::size_t>(i)];
        if (!byte) return std::nullopt;
        value = value * 16 + (*byte & 0x0F);
    }
    return value;
}

template <std::size_t N, std::size_t M, std::size_t P>
void Take(const std::array<std::optional<std::uint8_t>, N>& bytes,
          const std::array<XgParamInfo, M>& params, std::array<std::int32_t, P>& values) {
    for (std::size_t param = 0; param < M; ++param) {
        const std::optional<std::int32_t> value = Get(bytes, params[param]);
        if (value) values[param] = ClampXgValue(params[param], *value);
    }
}

}  // namespace

void XgPartsToImage(const XgPartValues& values, XgModuleImage& image) {
    for (std::size_t xg_part = 0; xg_part < values.parts.size(); ++xg_part) {
        for (std::size_t param = 0; param < XgPartParams().size(); ++param)
            Put(image.parts[xg_part].multi_part, XgPartParams()[param],
                values.parts[xg_part][param]);
    }
    for (std::size_t param = 0; param < XgSystemParams().size(); ++param)
        Put(image.system, XgSystemParams()[param], values.system[param]);
}

void ImageToXgParts(const XgModuleImage& image, std::span<const int> parts, XgPartValues& values) {
    for (const int part : parts) {
        if (part < 0 || part >= kPartCount) continue;
        for (const int xg_part : {part, part + kPartCount}) {
            const auto at = static_cast<std::size_t>(xg_part);
            Take(image.parts[at].multi_part, XgPartParams(), values.parts[at]);
        }
    }
    Take(image.system, XgSystemParams(), values.system);
}

}  // namespace kq505
