#include "model/xg_sysex.h"

#include <gtest/gtest.h>

#include <vector>

#include "files/syx_file.h"

namespace kq505 {
namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes ToBytes(std::span<const std::uint8_t> bytes) {
    return {bytes.begin(), bytes.end()};
}

TEST(XgSysEx, RequestsAndDumpsHaveTheirBytes) {
    EXPECT_EQ(ToBytes(XgDumpRequest({0x08, 0x11, 0x30})),
              (Bytes{0xF0, 0x43, 0x20, 0x4C, 0x08, 0x11, 0x30, 0xF7}));
    EXPECT_EQ(ToBytes(XgParameterRequest({0x0A, 0x1F, 0x20}, 3)),
              (Bytes{0xF0, 0x43, 0x33, 0x4C, 0x0A, 0x1F, 0x20, 0xF7}));
    // 02 + 08 + 01 + 02 = 13, and 13 + 73h = 80h.
    EXPECT_EQ(
        XgBulkDump({0x08, 0x00, 0x00}, Bytes{0x01, 0x02}),
        (Bytes{0xF0, 0x43, 0x00, 0x4C, 0x00, 0x02, 0x08, 0x00, 0x00, 0x01, 0x02, 0x73, 0xF7}));
    // A count over 127 takes both bytes, and the sum wraps.
    const Bytes data(0x3F, 0x7F);
    const Bytes dump = XgBulkDump({0x08, 0x1F, 0x30}, data);
    EXPECT_EQ(dump[4], 0x00);
    EXPECT_EQ(dump[5], 0x3F);
    EXPECT_EQ(XgBulkDump({}, Bytes(200, 1))[4], 0x01);
    EXPECT_TRUE(XgBulkDump({}, Bytes(kXgMaxDumpData + 1, 0)).empty());

    const std::optional<XgMessage> read = ReadXgMessage(dump);
    ASSERT_TRUE(read);
    EXPECT_EQ(read->kind, XgMessageKind::bulk_dump);
    EXPECT_EQ(read->address, (XgAddress{0x08, 0x1F, 0x30}));
    EXPECT_EQ(ToBytes(read->data), data);
}

TEST(XgSysEx, OnlyWholeXgMessagesWithTheRightCountAndChecksumAreRead) {
    const Bytes good = XgBulkDump({0x02, 0x01, 0x00}, Bytes{0x01, 0x10, 0x7F});
    const Bytes change{0xF0, 0x43, 0x15, 0x4C, 0x08, 0x03, 0x0E, 0x40, 0xF7};
    const std::optional<XgMessage> parameter = ReadXgMessage(change);
    ASSERT_TRUE(parameter);
    EXPECT_EQ(parameter->kind, XgMessageKind::parameter_change);
    EXPECT_EQ(parameter->device, 5);
    EXPECT_EQ(parameter->address, (XgAddress{0x08, 0x03, 0x0E}));
    EXPECT_EQ(ToBytes(parameter->data), Bytes{0x40});

    auto with = [](Bytes bytes, std::size_t at, std::uint8_t value) {
        bytes[at] = value;
        return bytes;
    };
    const Bytes refused[] = {
        with(good, good.size() - 2, good[good.size() - 2] ^ 1),  // checksum
        with(good, 5, 4),                                        // count says more
        with(good, 5, 2),                                        // count says less
        with(good, 3, 0x4B),                                     // another model
        with(good, 1, 0x41),                                     // another maker
        with(change, 7, 0xC0),                                   // a status byte inside
        with(change, 2, 0x25),                                   // a request, not a change
        with(change, 8, 0xF0),                                   // no F7
        Bytes{0xF0, 0x43, 0x10, 0x4C, 0x08, 0x03, 0xF7},         // no data
        Bytes{0xF0, 0x43, 0x00, 0x4C, 0x00, 0x00, 0x08, 0xF7},   // a dump cut short
    };
    for (const Bytes& bytes : refused)
        EXPECT_FALSE(ReadXgMessage(bytes)) << testing::PrintToString(bytes);
}

TEST(SyxFile, SplitsWholeMessagesAndRefusesAnythingElse) {
    const Bytes a = XgBulkDump({0x08, 0x00, 0x00}, Bytes{1, 2, 3});
    const Bytes b{0xF0, 0x7E, 0x7F, 0x09, 0x01, 0xF7};
    const Bytes file = SyxFileBytes(std::vector<Bytes>{a, b});
    std::vector<std::span<const std::uint8_t>> messages;
    ASSERT_EQ(SplitSyxMessages(file, messages), SyxFileError::none);
    ASSERT_EQ(messages.size(), 2u);
    EXPECT_EQ(ToBytes(messages[0]), a);
    EXPECT_EQ(ToBytes(messages[1]), b);

    const std::pair<Bytes, SyxFileError> cases[] = {
        {{}, SyxFileError::not_sysex},
        {{0x90, 0x3C, 0x40}, SyxFileError::not_sysex},
        {{0xF0, 0x01, 0xF7, 0x00}, SyxFileError::not_sysex},
        {{0xF0, 0x01, 0x02}, SyxFileError::truncated},
        {{0xF0, 0x01, 0xF0, 0x02, 0xF7}, SyxFileError::truncated},
        {Bytes(kSyxFileMaxSize + 1, 0xF0), SyxFileError::too_large},
    };
    for (const auto& [bytes, error] : cases) {
        EXPECT_EQ(SplitSyxMessages(bytes, messages), error);
        EXPECT_TRUE(messages.empty());
    }
}

}  // namespace
}  // namespace kq505
