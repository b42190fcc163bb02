#include "model/module_read.h"

#include "model/module_session.h"
#include "model/module_take.h"
#include "tests/support/recording_app.h"
#include "xgpart/xg_part_image.h"

#include <gtest/gtest.h>

#include <map>
#include <vector>

namespace kq505 {
namespace {

using Bytes = std::vector<std::uint8_t>;

// A module that holds what a table and effect blocks leave in it, and answers requests.
struct FakeModule {
    // Beside the table's bytes, what XG System On leaves.
    FakeModule() { XgPartsToImage(XgPartValues{}, image); }
    XgModuleImage image;
    std::map<std::uint8_t, int> silent_parts;  // XG part → requests left unanswered
    std::optional<XgAddress> silent_block;     // never answered
    bool bad_checksum_once = false;

    std::optional<Bytes> Answer(const ModuleRequest& request) {
        const XgAddress& at = request.address;
        if (silent_block == at) return std::nullopt;
        if (at.high >= 0x30) {
            Bytes data;
            for (const std::optional<std::uint8_t>& b : image.drums[at.high - 0x30][at.mid - 13])
                data.push_back(b.value_or(0));
            return XgBulkDump(at, data);
        }
        if (at.high != 0x02 && silent_parts[at.mid]-- > 0) return std::nullopt;
        const auto byte = [&](std::uint8_t low) -> std::uint8_t {
            const std::optional<std::uint8_t>& b = at.high == 0x02 ? image.effect[low]
                                                   : at.high == 0x0A
                                                       ? image.parts[at.mid].hpf
                                                       : image.parts[at.mid].multi_part[low];
            return b.value_or(0);
        };
        if (request.kind == ModuleRequest::parameter)
            return Bytes{0xF0, 0x43, 0x10, 0x4C, at.high, at.mid, at.low, byte(at.low), 0xF7};
        const std::map<std::uint8_t, std::uint8_t> sizes{{0x00, 0x0E}, {0x10, 6},    {0x20, 0x0F},
                                                         {0x30, 6},    {0x40, 0x21}, {0x70, 6}};
        const std::size_t size = at.high == 0x02 ? sizes.at(at.low) : at.low == 0 ? 0x29 : 0x3F;
        Bytes data;
        for (std::size_t i = 0; i < size; ++i)
            data.push_back(byte(static_cast<std::uint8_t>(at.low + i)));
        Bytes dump = XgBulkDump(at, data);
        if (std::exchange(bad_checksum_once, false)) dump[dump.size() - 2] ^= 1;
        return dump;
    }
};

// Runs a read as its owner does: send, then a reply or a time-out.
void ReadAll(ModuleReader& reader, FakeModule& module) {
    while (!reader.Done()) {
        const std::optional<Bytes> reply = module.Answer(reader.Current());
        if (!reply || !reader.OnMessage(*reply)) reader.OnTimeout();
    }
}

TEST(ModuleRead, AReadTakesEveryBlockRetriesTheSilentAndListsTheMissing) {
    const std::vector<ModuleRequest> requests = ModuleRequests(true, {0, 15});
    EXPECT_EQ(requests.size(), 6u + 2 * 2 * 7);
    EXPECT_EQ(ModuleRequestMessage(requests[6]),
              (std::array<std::uint8_t, 8>{0xF0, 0x43, 0x20, 0x4C, 0x08, 0x00, 0x00, 0xF7}));
    EXPECT_EQ(ModuleRequestMessage(requests[8]),
              (std::array<std::uint8_t, 8>{0xF0, 0x43, 0x30, 0x4C, 0x08, 0x00, 0x72, 0xF7}));
    EXPECT_EQ(ModuleRequestLabel(requests.back()), "ﾊﾟｰﾄ 16 B");
    EXPECT_EQ(ModuleRequestLabel(requests[5]), "ﾊﾞﾘｴｰｼｮﾝ");

    PartTable table{};
    ResetPartParameters(table);
    table[reverb_b][15] = 99;
    table[eq_bass_gain_a][0] = 70;
    table[hpf_b][0] = 12;
    FakeModule module;
    PartToModule(table, 0, module.image.parts);
    PartToModule(table, 15, module.image.parts);
    EffectBlocks effects;
    ResetEffectBlocks(effects);
    effects[EffectBlock::variation].params[0] = 3333;
    EffectsToImage(effects, module.image);
    module.silent_parts[16] = 2;   // answered at the last try
    module.silent_parts[31] = 99;  // never answers
    module.bad_checksum_once = true;

    ModuleReader reader(true, {0, 15});
    ReadAll(reader, module);
    // Part 16's B layer: 7 requests given up after three tries each.
    EXPECT_EQ(reader.Missing().size(), 7u);
    EXPECT_EQ(reader.Missing().front().address, (XgAddress{0x08, 31, 0x00}));
    EXPECT_EQ(reader.Timeouts(), 1u + 2u + 7u * 3u);  // the bad checksum, part 1 B, part 16 B
    EXPECT_EQ(reader.Ignored(), 1u);

    PartTable read{};
    ResetPartParameters(read);
    std::vector<ModuleDifference> differences;
    ModuleToPart(reader.Image().parts, 0, read, differences);
    EXPECT_EQ(read[eq_bass_gain_a][0], 70);
    EXPECT_EQ(read[hpf_b][0], 12);
    EXPECT_EQ(read[reverb_b][15], 40);  // missing: the default stays
    EffectBlocks read_effects;
    ResetEffectBlocks(read_effects);
    ImageToEffects(reader.Image(), read_effects);
    EXPECT_EQ(read_effects, effects);
}

TEST(ModuleRead, CancelKeepsWhatWasReadAndLateRepliesAreStillKept) {
    ModuleReader reader(false, {3});
    const Bytes late_b{0xF0, 0x43, 0x10, 0x4C, 0x08, 0x13, 0x72, 0x50, 0xF7};
    EXPECT_FALSE(reader.OnMessage(late_b));  // not what is asked for now, but kept
    Bytes part3(0x29, 5);
    part3[0x08] = 64;  // an A layer holds no note shift
    EXPECT_TRUE(reader.OnMessage(XgBulkDump({0x08, 0x03, 0x00}, part3)));
    EXPECT_EQ(reader.Position(), 1u);
    reader.Cancel();
    EXPECT_TRUE(reader.Done());
    EXPECT_FALSE(reader.OnTimeout());
    EXPECT_EQ(reader.Image().parts[3].multi_part[0x0B], 5);
    EXPECT_EQ(reader.Image().parts[19].multi_part[0x72], 0x50);
    // Neither layer was read whole, and the box says where the cancel stopped the read.
    test::RecordingApp r;
    const ModuleReadSummary summary = TakeModuleRead(r.app, reader);
    EXPECT_EQ(ModuleReadSummaryText(summary), "0/2 ﾊﾟｰﾄ, 0 ﾀｲﾑｱｳﾄ");
    EXPECT_EQ(ModuleReadDetails(summary),
              "ｷｬﾝｾﾙ: ﾊﾟｰﾄ 4 A から ﾊﾟｰﾄ 4 B までは読み込んでいません\n");
    ModuleReader effects(true, {});
    effects.OnMessage(XgBulkDump({0x02, 0x01, 0x00}, Bytes(0x0E, 0)));
    effects.Cancel();
    EXPECT_EQ(ModuleReadSummaryText(TakeModuleRead(r.app, effects)),
              "0/0 ﾊﾟｰﾄ, 1/6 ｴﾌｪｸﾄ, 0 ﾀｲﾑｱｳﾄ");
}

// The read is one step: it sends nothing, undo puts the table back and sends what changed.
TEST(ModuleRead, TheReadIsOneStepThatSendsNothingAndSaysWhatWasMissing) {
    test::RecordingApp r;
    FakeModule module;
    PartTable table = r.app.part_table;
    table[reverb_a][2] = 77;
    table[vol][2] = 90;
    PartToModule(table, 2, module.image.parts);
    module.image.parts[2].multi_part[0x08] = 64;   // the A layer's note shift, never moved
    module.image.parts[18].multi_part[0x0B] = 80;  // the B layer's volume differs
    module.silent_parts[18] = 99;
    ModuleReader reader(false, {2});
    ReadAll(reader, module);
    const ModuleReadSummary summary = TakeModuleRead(r.app, reader);
    EXPECT_TRUE(r.log.TakeEvents().empty());
    EXPECT_EQ(r.app.part_table[reverb_a][2], 77);
    EXPECT_EQ(r.app.part_table[vol][2], 90);
    EXPECT_EQ(ModuleReadSummaryText(summary), "1/2 ﾊﾟｰﾄ, 21 ﾀｲﾑｱｳﾄ");
    EXPECT_EQ(ModuleReadDetails(summary), "ﾊﾟｰﾄ 3 B: 応答がありませんでした\n");
    EXPECT_EQ(r.app.edit_history.StepCount(), 1u);

    r.app.edit_history.Undo(r.app);
    EXPECT_EQ(r.app.part_table[reverb_a][2], 40);
    EXPECT_EQ(r.log.TakeEvents(),
              (std::vector<MidiEvent>{test::OnA({0xB2, 0x07, 100}), test::OnB({0xB2, 0x07, 100}),
                                      test::OnA({0xB2, 0x5B, 40})}));
}

// The drum setups the layers read play are read after them, one instrument a dump; what
// differs from the kit is kept as the user's, the rest follows the kit, with the part modes.
TEST(ModuleRead, TheDrumSetupsInUseAreReadAndTakenBesideTheKit) {
    test::RecordingApp r;
    r.app.drums.part_modes[17] = PartMode::drums3;  // part 2 B
    EXPECT_EQ(DrumSetupsUsedBy(r.app.drums, std::vector{0, 1, 9}), (std::vector{0, 2}));
    EXPECT_TRUE(DrumSetupsUsedBy(r.app.drums, std::vector{0}).empty());
    const std::vector<ModuleRequest> requests = ModuleRequests(false, {9}, {0});
    ASSERT_EQ(requests.size(), 2u * 7 + 79);
    EXPECT_EQ(ModuleRequestMessage(requests[14]),
              (std::array<std::uint8_t, 8>{0xF0, 0x43, 0x20, 0x4C, 0x30, 13, 0x00, 0xF7}));
    EXPECT_EQ(ModuleRequestLabel(requests.back()), "ﾄﾞﾗﾑｾｯﾄｱｯﾌﾟ1");

    FakeModule module;
    PartToModule(r.app.part_table, 9, module.image.parts);
    module.image.parts[9].multi_part[0x07] = 2;   // Drums1
    module.image.parts[9].multi_part[0x08] = 64;  // the A layer's note shift, never moved
    module.image.parts[25].multi_part[0x07] = 3;  // Drums2 on part 10 B
    const DrumKit& kit = KitOfSetup(r.app.drums, r.app.part_table, 0);
    for (int note = 13; note <= 91; ++note) {
        for (int param = 0; param < kDrumParamCount; ++param)
            module.image.drums[0][note - 13][param] = KitDefault(kit, note, param);
    }
    module.image.drums[0][38 - 13][0] = 67;  // snare pitch +3
    module.image.drums[0][36 - 13][5] = 0;   // kick reverb 0
    ASSERT_NE(KitDefault(kit, 36, 5), 0);
    // A drum note numbered as a layer is no layer: part 10 B is still read whole.
    module.silent_block = XgAddress{0x30, 25, 0x00};
    ModuleReader reader(false, {9}, {0});
    ReadAll(reader, module);
    const ModuleReadSummary summary = TakeModuleRead(r.app, reader);
    EXPECT_EQ(ModuleReadSummaryText(summary), "2/2 ﾊﾟｰﾄ, 3 ﾀｲﾑｱｳﾄ");
    EXPECT_EQ(ModuleReadDetails(summary), "ﾄﾞﾗﾑｾｯﾄｱｯﾌﾟ1: 応答がありませんでした\n");

    DrumSetups expected;
    expected.part_modes[17] = PartMode::drums3;
    expected.part_modes[25] = PartMode::drums2;
    DrumSlot(expected, 0, 38, 0) = 67;
    DrumSlot(expected, 0, 36, 5) = 0;
    EXPECT_EQ(r.app.drums, expected);
    EXPECT_TRUE(r.log.TakeEvents().empty());
    r.app.edit_history.Undo(r.app);
    EXPECT_EQ(r.app.drums.part_modes[25], PartMode::normal);
    EXPECT_EQ(DrumSlot(r.app.drums, 0, 38, 0), kFollowKit);
}

// The module's own changes, one step each; one byte is read with what the table sent.
TEST(ModuleRead, ChangesTheModuleSendsAreFollowed) {
    test::RecordingApp r;
    const auto change = [](std::uint8_t high, std::uint8_t mid, std::uint8_t low,
                           std::vector<std::uint8_t> data) {
        Bytes m{0xF0, 0x43, 0x10, 0x4C, high, mid, low};
        for (const std::uint8_t byte : data)
            m.push_back(byte);
        m.push_back(0xF7);
        return m;
    };
    EXPECT_TRUE(FollowModuleMessage(r.app, change(0x08, 0x13, 0x13, {90})));  // 4 B reverb
    EXPECT_EQ(r.app.part_table[reverb_b][3], 90);
    EXPECT_TRUE(FollowModuleMessage(r.app, change(0x08, 0x03, 0x0D, {60})));  // 4 A offset
    EXPECT_EQ(r.app.part_table[mix][3], 4);
    EXPECT_FALSE(FollowModuleMessage(r.app, change(0x08, 0x13, 0x0B, {50})));  // B volume alone
    EXPECT_EQ(r.app.part_table[vol][3], 100);
    // A new variation type brings its defaults, as the module does.
    EffectBlocks expected = r.app.effect_blocks;
    SetEffectType(expected, EffectBlock::variation, 0x42 * 128);
    r.app.effect_blocks[EffectBlock::variation].params[0] = 1;
    EXPECT_TRUE(FollowModuleMessage(r.app, change(0x02, 0x01, 0x40, {0x42, 0x00})));
    EXPECT_EQ(r.app.effect_blocks, expected);
    EXPECT_FALSE(FollowModuleMessage(r.app, change(0x00, 0x00, 0x7E, {0x00})));
    // A drum instrument's value and a part mode; neither touches the parts.
    const PartTable table = r.app.part_table;
    EXPECT_TRUE(FollowModuleMessage(r.app, change(0x31, 0x26, 0x04, {20})));
    EXPECT_EQ(DrumSlot(r.app.drums, 1, 0x26, 4), 20);
    EXPECT_TRUE(FollowModuleMessage(r.app, change(0x08, 0x03, 0x07, {3})));
    EXPECT_EQ(r.app.drums.part_modes[3], PartMode::drums2);
    EXPECT_EQ(r.app.part_table, table);
    EXPECT_EQ(r.app.edit_history.StepCount(), 5u);
    EXPECT_TRUE(r.log.TakeEvents().empty());
}

// The session sends each request on Port A, waits the timeout the app sets, takes replies
// from the ring, and follows the module between reads.
TEST(ModuleRead, TheSessionSendsWaitsRetriesAndFollowsBetweenReads) {
    using namespace std::chrono_literals;
    test::RecordingApp r;
    r.app.dump_timeout_ms = 300;
    FakeModule module;
    module.image.parts[1].multi_part[0x13] = 55;
    module.silent_parts[17] = 99;
    ModuleSession session(r.app);
    ModuleSession::Clock::time_point now{};
    session.StartRead(false, {1}, now);
    std::optional<ModuleReadSummary> summary;
    int sent = 0;
    while (!summary) {
        for (const MidiEvent& event : r.log.TakeEvents()) {
            ASSERT_EQ(event.port, Port::A);
            ++sent;
            const ModuleRequest asked = session.Reader()->Current();
            const auto request = ModuleRequestMessage(asked);
            ASSERT_EQ(event.bytes, Bytes(request.begin(), request.end()));
            if (const std::optional<Bytes> reply = module.Answer(asked))
                r.app.module_ring->Push(*reply);
        }
        now += 100ms;
        summary = session.Poll(now);
    }
    EXPECT_EQ(sent, 7 + 7 * 3);  // the B layer's seven requests, each sent three times
    EXPECT_EQ(summary->missing.size(), 7u);
    EXPECT_EQ(session.AnswerTimes().size(), 7u);
    EXPECT_EQ(r.app.part_table[reverb_a][1], 55);
    EXPECT_FALSE(session.Reading());

    const Bytes change{0xF0, 0x43, 0x10, 0x4C, 0x08, 0x01, 0x13, 0x20, 0xF7};
    r.app.module_ring->Push(change);
    EXPECT_FALSE(session.Poll(now));
    EXPECT_EQ(r.app.part_table[reverb_a][1], 0x20);
    r.app.follow_module = 0;
    r.app.module_ring->Push(Bytes{0xF0, 0x43, 0x10, 0x4C, 0x08, 0x01, 0x13, 0x21, 0xF7});
    session.Poll(now);
    EXPECT_EQ(r.app.part_table[reverb_a][1], 0x20);
    EXPECT_EQ(session.Followed(), 1u);
}

}  // namespace
}  // namespace kq505
