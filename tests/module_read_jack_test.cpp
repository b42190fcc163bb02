// Reading a module on a JACK server of the test's own: requests leave on Port A, the
// simulated module answers into "MODULE IN", and the session polled as the window's timer
// does brings its state into the table and the effect blocks.

#include <gtest/gtest.h>
#include <jack/jack.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "app/kq505_app.h"
#include "model/midi_send.h"
#include "model/midi_system.h"
#include "model/module_session.h"
#include "model/module_values.h"
#include "model/part_transmission.h"
#include "tests/support/jack_sender.h"
#include "tests/support/jack_session.h"
#include "tests/support/recording_app.h"
#include "tests/support/scoped_env.h"
#include "tests/support/xg_module_sim.h"

namespace kq505 {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;
using Bytes = std::vector<std::uint8_t>;
using Names = std::vector<std::string>;
using test::FakeXgModule;
using test::JackMidiReceiver;
using test::JackServer;
using test::ScopedEnv;
using test::XgModuleMemory;
using test::XgModuleSim;

int Position(const Names& names, const std::string& name) {
    const auto it = std::ranges::find(names, name);
    return it == names.end() ? -100 : static_cast<int>(it - names.begin());
}

// A set-up far from the defaults that the table can hold as a module holds it: every row of
// every part in its range, expression and the mix switch (which no module holds) left alone.
PartTable NonDefaultTable() {
    PartTable table{};
    ResetPartParameters(table);
    for (int row = 0; row < kRowCount; ++row) {
        if (row == exp || row == mix_sw) continue;
        const RowInfo& info = kRowInfo[static_cast<std::size_t>(row)];
        for (int part = 0; part < kPartCount; ++part) {
            const int span = info.max - info.min + 1;
            table[row][part] = info.min + (row * 37 + part * 11 + 5) % span;
        }
    }
    return table;
}

EffectBlocks NonDefaultEffects() {
    EffectBlocks effects;
    ResetEffectBlocks(effects);
    SetEffectType(effects, EffectBlock::reverb, 0x01 * 128 + 1);  // HALL 2
    SetEffectType(effects, EffectBlock::chorus, 0x43 * 128 + 8);  // FLANGER 3
    SetEffectType(effects, EffectBlock::variation, 0x05 * 128);   // DELAY L,C,R
    int i = 0;
    for (const EffectItem& item : AllEffectItems()) {
        if (item.kind == EffectItem::type) continue;
        const EffectRange range = RangeOf(effects, item);
        EffectValue(effects, item) =
            ClampEffectValue(item, range.min + (++i * 29 + 7) % (range.max - range.min + 1));
    }
    return effects;
}

// Drum setup 1, which part 10 A plays, with a few instruments away from its kit.
DrumSetups NonDefaultDrums(const PartTable& table) {
    DrumSetups drums;
    const DrumKit& kit = KitOfSetup(drums, table, 0);
    for (const int note : {13, 36, 38, 91}) {
        for (const int param : {0, 4, 5, 15})
            DrumSlot(drums, 0, note, param) = (KitDefault(kit, note, param) + note) % 128;
    }
    return drums;
}

std::vector<int> AllParts() {
    std::vector<int> parts;
    for (int part = 0; part < kPartCount; ++part)
        parts.push_back(part);
    return parts;
}

std::vector<Bytes> BytesOn(Port port, const std::vector<MidiEvent>& events) {
    std::vector<Bytes> bytes;
    for (const MidiEvent& e : events) {
        if (e.port == port) bytes.push_back(e.bytes);
    }
    return bytes;
}

class ModuleReadJackTest : public ::testing::Test {
  protected:
    void SetUp() override {
        if (!JackServer::Installed()) {
            GTEST_SKIP() << "jackd is not installed, so no JACK server can start here";
        }
        ASSERT_TRUE(lock_.Held()) << "another JACK test never let go";
        server_.emplace(server_name_);
        ASSERT_TRUE(server_->WaitUntilReady(10s)) << server_->Log();
        receiver_.emplace();
        ASSERT_TRUE(receiver_->IsActive());
        UseSystemMidi(app_);
        // A load (and the sanitizers) can hold a reply back for a while: a late reply must
        // still fall well within the wait for the request sent again. A real module is far
        // quicker.
        app_.dump_timeout_ms = 2000;
    }

    // The module on Port A and MODULE IN, the receiver on Port B and, beside the module, on
    // Port A too.
    void OpenWith(FakeXgModule module) {
        sim_.emplace(std::move(module));
        ASSERT_TRUE(sim_->IsActive());
        app_.out_a_device = Position(app_.output_device_names(), sim_->InputName());
        app_.out_b_device = Position(app_.output_device_names(), receiver_->InputName(Port::B));
        app_.module_in_device = Position(app_.input_device_names(), sim_->OutputName());
        app_.in_device = -1;
        const PortOpenResult opened = OpenMidiPorts(app_);
        ASSERT_TRUE(opened.port_a_opened && opened.port_b_opened && opened.module_input_opened);
        ASSERT_EQ(jack_connect(receiver_->client(), "KQ505:MIDI OUT A",
                               receiver_->InputName(Port::A).c_str()),
                  0);
    }

    // Polls as the window's timer does, until the read ends; `cancel_at` ends it once that
    // many requests were answered or given up.
    ModuleReadSummary Read(bool effects, std::vector<int> parts,
                           std::optional<std::size_t> cancel_at = std::nullopt) {
        session_.StartRead(effects, std::move(parts), Clock::now());
        const auto deadline = Clock::now() + 120s;  // only against a hang, never a bound
        while (Clock::now() < deadline) {
            if (const ModuleReader* reader = session_.Reader()) {
                most_ignored_ = std::max(most_ignored_, reader->Ignored());
                if (cancel_at && reader->Position() >= *cancel_at) return *session_.Cancel();
            }
            if (std::optional<ModuleReadSummary> done = session_.Poll(Clock::now())) return *done;
            std::this_thread::sleep_for(1ms);
        }
        ADD_FAILURE() << "the read never ended";
        return *session_.Cancel();
    }

    test::JackTestLock lock_;
    const std::string server_name_ = "kq505-module-test";
    ScopedEnv server_env_{"JACK_DEFAULT_SERVER", server_name_.c_str()};
    ScopedEnv api_env_{"KQ505_MIDI_API", "jack"};
    std::optional<JackServer> server_;  // declared first, so it stops last
    std::optional<JackMidiReceiver> receiver_;
    std::optional<XgModuleSim> sim_;
    CKQ505App app_;  // its client goes before the server
    ModuleSession session_{app_};
    std::size_t most_ignored_ = 0;
    const PartTable table_ = NonDefaultTable();
    const EffectBlocks effects_ = NonDefaultEffects();
    const DrumSetups drums_ = NonDefaultDrums(table_);
};

// A module set up far from the defaults, read whole: the table and the effect blocks hold
// what it holds, each request asked once, and so does the drum setup part 10 plays. Then, as
// a new user would go on, Shift+F sends the table: what leaves on both ports is, byte for
// byte, what sending the module's own set-up gives.
TEST_F(ModuleReadJackTest, AFullReadTakesTheModulesSetUpAndShiftFSendsItBack) {
    OpenWith(FakeXgModule(XgModuleMemory::Of(table_, effects_, drums_)));
    const ModuleReadSummary summary = Read(true, AllParts());

    EXPECT_EQ(summary.layers_read, 32);
    EXPECT_EQ(summary.effects_read, 6);
    EXPECT_EQ(summary.timeouts, 0u);
    EXPECT_TRUE(summary.missing.empty());
    EXPECT_TRUE(summary.differences.empty()) << ModuleReadDetails(summary);
    for (int row = 0; row < kRowCount; ++row)
        EXPECT_EQ(app_.part_table[row], table_[row])
            << kRowInfo[static_cast<std::size_t>(row)].name;
    EXPECT_EQ(app_.effect_blocks, effects_);
    EXPECT_EQ(app_.drums, drums_);
    EXPECT_EQ(sim_->Requests(), 6 + 32 * 7 + 79);  // one request a block, none repeated
    EXPECT_EQ(app_.module_ring->Dropped(), 0u);
    EXPECT_EQ(sim_->Dropped(), 0u);

    test::RecordingApp expected;
    expected.app.part_table = table_;
    expected.app.effect_blocks = effects_;
    expected.app.drums = drums_;
    SendAllParts(expected.app);
    const std::vector<MidiEvent> sent = expected.log.TakeEvents();
    receiver_->Receive(1000, 50ms);  // the requests of the read
    SendAllParts(app_);
    const std::vector<MidiEvent> received = receiver_->Receive(sent.size(), 10s);
    EXPECT_FALSE(receiver_->Overflowed());
    EXPECT_EQ(BytesOn(Port::A, received), BytesOn(Port::A, sent));
    EXPECT_EQ(BytesOn(Port::B, received), BytesOn(Port::B, sent));
}

// A block that never comes is asked three times and listed; a reply with a bad checksum is
// ignored, counted, and the block asked again; a late reply still brings its block, taken as
// the answer to the request sent again.
TEST_F(ModuleReadJackTest, SilentBadAndLateRepliesAreRetriedIgnoredAndListed) {
    const XgAddress silent{0x08, 0x05, 0x30};  // part 6 A, its second block
    const XgAddress bad{0x08, 0x13, 0x00};     // part 4 B
    const XgAddress late{0x02, 0x01, 0x20};    // chorus
    FakeXgModule module(XgModuleMemory::Of(table_, effects_));
    module.StaySilent(silent);
    module.AnswerWithBadChecksum(bad);
    module.AnswerLate(late, 3000ms);  // half-way into the wait for the request sent again
    OpenWith(std::move(module));
    const PartTable before = app_.part_table;
    const ModuleReadSummary summary = Read(true, {3, 5});

    EXPECT_EQ(sim_->RequestsFor(silent), 1 + ModuleReader::kRetries);
    ASSERT_EQ(summary.missing.size(), 1u);
    EXPECT_EQ(summary.missing[0], (ModuleRequest{ModuleRequest::dump, silent}));
    EXPECT_EQ(sim_->RequestsFor(bad), 2);
    EXPECT_EQ(most_ignored_, 1u);
    EXPECT_EQ(sim_->RequestsFor(late), 2);
    EXPECT_EQ(summary.timeouts, 3u + 1u + 1u);
    EXPECT_EQ(summary.effects_read, 6);
    EXPECT_EQ(app_.effect_blocks, effects_);
    for (int row = 0; row < kRowCount; ++row) {
        const auto name = kRowInfo[static_cast<std::size_t>(row)].name;
        EXPECT_EQ(app_.part_table[row][3], table_[row][3]) << name;
        EXPECT_EQ(app_.part_table[row][0], before[row][0]) << name << ": not read";
        // Part 6: the A layer's rows that lie in the silent block stay as they were. (Its
        // part-wide rows lie in both layers, and what a half-read part gives is the core
        // tests' business.)
        if (row < bank_msb_a) continue;
        const Row a_row = static_cast<Row>(IsLayerB(static_cast<Row>(row)) ? row - 1 : row);
        const std::optional<XgPartAddress> address = LayerRowAddress(a_row);
        const bool in_silent = a_row == row && address &&
                               address->block == XgPartBlock::multi_part &&
                               address->low >= silent.low && address->low < silent.low + 0x3F;
        EXPECT_EQ(app_.part_table[row][5], (in_silent ? before : table_)[row][5]) << name;
    }
}

// Cancelled once the effects and the first part were read: those stay in the table, the
// parts not reached keep their values.
TEST_F(ModuleReadJackTest, CancelKeepsTheBlocksRead) {
    OpenWith(FakeXgModule(XgModuleMemory::Of(table_, effects_)));
    const PartTable before = app_.part_table;
    const std::size_t effects_and_part_1 = 6 + 2 * 7;
    const ModuleReadSummary summary = Read(true, AllParts(), effects_and_part_1);

    EXPECT_FALSE(session_.Reading());
    EXPECT_EQ(summary.effects_read, 6);
    EXPECT_EQ(app_.effect_blocks, effects_);
    for (int row = 0; row < kRowCount; ++row) {
        EXPECT_EQ(app_.part_table[row][0], table_[row][0]);
        EXPECT_EQ(app_.part_table[row][15], before[row][15]);
    }
    // Whatever is asked is answered within the delay: nothing came after the read ended.
    std::this_thread::sleep_for(100ms);
    EXPECT_LE(static_cast<std::size_t>(sim_->Requests()), effects_and_part_1 + 1);
}

// MODULE IN, left to a patchbay (-1), reads only system exclusive, put together from pieces
// over several cycles, and never plays anything through, even with Thru on.
TEST_F(ModuleReadJackTest, TheModulePortReadsSystemExclusiveAloneAndPlaysNothingThrough) {
    app_.out_a_device = Position(app_.output_device_names(), receiver_->InputName(Port::A));
    app_.out_b_device = Position(app_.output_device_names(), receiver_->InputName(Port::B));
    app_.in_device = -1;
    app_.module_in_device = -1;
    app_.thru = 1;
    ASSERT_TRUE(OpenMidiPorts(app_).module_input_opened);
    test::JackMidiSender sender;
    ASSERT_TRUE(sender.IsActive());
    ASSERT_TRUE(sender.ConnectTo("KQ505:MODULE IN"));
    const Bytes probe{0xF0, 0x43, 0x10, 0x4C, 0x00, 0x00, 0x7E, 0x00, 0xF7};
    Bytes message;
    bool through = false;  // the connection takes hold some cycles later
    for (int tries = 0; tries < 50 && !through; ++tries) {
        ASSERT_TRUE(sender.Play({{0, probe}}));
        std::this_thread::sleep_for(20ms);
        through = app_.module_ring->Pop(message);
    }
    ASSERT_TRUE(through);
    std::this_thread::sleep_for(50ms);
    while (app_.module_ring->Pop(message)) {
    }

    const Bytes dump = XgBulkDump({0x08, 0x02, 0x00}, Bytes(0x29, 0x21));
    ASSERT_TRUE(sender.Play({{0, {0x90, 60, 100}}, {3, Bytes(dump.begin(), dump.begin() + 12)}}));
    std::this_thread::sleep_for(20ms);
    ASSERT_TRUE(sender.Play({{0, Bytes(dump.begin() + 12, dump.end())}, {5, {0x80, 60, 0}}}));
    std::vector<Bytes> read;
    const auto deadline = Clock::now() + 5s;
    while (read.size() < 1 && Clock::now() < deadline) {
        if (app_.module_ring->Pop(message)) read.push_back(message);
        std::this_thread::sleep_for(2ms);
    }
    std::this_thread::sleep_for(50ms);
    while (app_.module_ring->Pop(message))
        read.push_back(message);
    EXPECT_EQ(read, std::vector<Bytes>{dump});
    EXPECT_TRUE(receiver_->Receive(1, 100ms).empty()) << "played through";
    EXPECT_EQ(app_.module_ring->Dropped(), 0u);
}

}  // namespace
}  // namespace kq505
