#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "app/edit_history.h"
#include "effects/effect_blocks.h"
#include "effects/effect_edit.h"
#include "effects/effect_value_text.h"
#include "model/part_transmission.h"
#include "tests/support/recording_app.h"

namespace kq505 {
namespace {

using test::OnA;
using test::RecordingApp;
using Events = std::vector<MidiEvent>;

constexpr EffectBlock kReverb = EffectBlock::reverb;
constexpr EffectBlock kChorus = EffectBlock::chorus;
constexpr EffectBlock kVariation = EffectBlock::variation;

MidiEvent Effect(std::vector<std::uint8_t> address_and_data) {
    std::vector<std::uint8_t> bytes{0xF0, 0x43, 0x10, 0x4C, 0x02, 0x01};
    bytes.insert(bytes.end(), address_and_data.begin(), address_and_data.end());
    bytes.push_back(0xF7);
    return OnA(bytes);
}

Events Edit(RecordingApp& r, EffectItem item, std::int32_t value) {
    SetEffectValue(r.app, item, value);
    return r.log.TakeEvents();
}

// One tab-separated table of effects/data, read by its header names.
std::vector<std::map<std::string, std::string>> ReadTable(const std::string& name) {
    std::ifstream in(std::string(KQ505_SOURCE_DIR) + "/effects/data/" + name);
    std::vector<std::map<std::string, std::string>> rows;
    std::string line;
    std::vector<std::string> header;
    while (std::getline(in, line)) {
        std::vector<std::string> cells;
        std::stringstream fields(line);
        for (std::string cell; std::getline(fields, cell, '\t');)
            cells.push_back(cell);
        if (header.empty()) {
            header = cells;
            continue;
        }
        auto& row = rows.emplace_back();
        for (std::size_t i = 0; i < header.size(); ++i)
            row[header[i]] = i < cells.size() ? cells[i] : "";
    }
    return rows;
}

TEST(EffectMessages, ATypeIsTwoBytesAtItsBlocksAddressAndTheOnlyMessage) {
    RecordingApp r;
    // HALL 2 (01 01), CELESTE 1 (42 00), ECHO (07 00).
    EXPECT_EQ(Edit(r, {EffectItem::type, kReverb}, 0x01 * 128 + 0x01),
              Events{Effect({0x00, 0x01, 0x01})});
    EXPECT_EQ(Edit(r, {EffectItem::type, kChorus}, 0x42 * 128), Events{Effect({0x20, 0x42, 0x00})});
    EXPECT_EQ(Edit(r, {EffectItem::type, kVariation}, 0x07 * 128),
              Events{Effect({0x40, 0x07, 0x00})});
    // Nothing reaches Port B, even with its port open.
    EXPECT_TRUE(r.out(Port::B).IsOpen());
}

TEST(EffectMessages, VariationParametersOneToTenAreTwoBytesTheRestOne) {
    RecordingApp r;
    // 3333 = 1A × 128 + 05: a delay of 333.3 ms on parameter 1 of DELAY L,C,R.
    EXPECT_EQ(Edit(r, {EffectItem::param, kVariation, 1}, 3333),
              Events{Effect({0x42, 0x1A, 0x05})});
    EXPECT_EQ(Edit(r, {EffectItem::param, kVariation, 10}, 200),
              Events{Effect({0x54, 0x01, 0x48})});
    EXPECT_EQ(Edit(r, {EffectItem::param, kVariation, 11}, 30), Events{Effect({0x70, 30})});
    EXPECT_EQ(Edit(r, {EffectItem::param, kVariation, 16}, 70), Events{Effect({0x75, 70})});
    EXPECT_EQ(r.app.effect_blocks[kVariation].params[0], 3333);
    // Reverb and chorus parameters are one byte, 1..10 then 11..16 after a gap.
    EXPECT_EQ(Edit(r, {EffectItem::param, kReverb, 1}, 25), Events{Effect({0x02, 25})});
    EXPECT_EQ(Edit(r, {EffectItem::param, kReverb, 11}, 5), Events{Effect({0x10, 5})});
    EXPECT_EQ(Edit(r, {EffectItem::param, kChorus, 10}, 90), Events{Effect({0x2B, 90})});
    EXPECT_EQ(Edit(r, {EffectItem::param, kChorus, 16}, 1), Events{Effect({0x35, 1})});
    // A one-byte value never carries bit 7.
    EXPECT_EQ(Edit(r, {EffectItem::param, kChorus, 1}, 300), Events{Effect({0x22, 127})});
}

TEST(EffectMessages, ReturnPanSendsConnectionAndPart) {
    RecordingApp r;
    EXPECT_EQ(Edit(r, {EffectItem::return_level, kReverb}, 100), Events{Effect({0x0C, 100})});
    EXPECT_EQ(Edit(r, {EffectItem::pan, kReverb}, 20), Events{Effect({0x0D, 20})});
    EXPECT_EQ(Edit(r, {EffectItem::return_level, kChorus}, 90), Events{Effect({0x2C, 90})});
    EXPECT_EQ(Edit(r, {EffectItem::pan, kChorus}, 127), Events{Effect({0x2D, 127})});
    EXPECT_EQ(Edit(r, {EffectItem::return_level, kVariation}, 0), Events{Effect({0x56, 0})});
    EXPECT_EQ(Edit(r, {EffectItem::pan, kVariation}, 0), Events{Effect({0x57, 1})});  // 1..127
    EXPECT_EQ(Edit(r, {EffectItem::chorus_to_reverb}, 11), Events{Effect({0x2E, 11})});
    EXPECT_EQ(Edit(r, {EffectItem::variation_to_reverb}, 12), Events{Effect({0x58, 12})});
    EXPECT_EQ(Edit(r, {EffectItem::variation_to_chorus}, 13), Events{Effect({0x59, 13})});
    EXPECT_EQ(Edit(r, {EffectItem::variation_connection}, 1), Events{Effect({0x5A, 1})});
    EXPECT_EQ(Edit(r, {EffectItem::variation_connection}, 5), Events{Effect({0x5A, 1})});
    // The B layer of part 1 is XG part 16; a number that is no layer of ours means off.
    EXPECT_EQ(Edit(r, {EffectItem::variation_part}, 16), Events{Effect({0x5B, 16})});
    EXPECT_EQ(Edit(r, {EffectItem::variation_part}, 40), Events{Effect({0x5B, 127})});
    EXPECT_EQ(r.app.effect_blocks.variation_part, 127);
}

TEST(EffectTypes, ATypeTakesTheDefaultsOfTheTable) {
    std::map<std::string, EffectBlock> blocks{
        {"reverb", kReverb}, {"chorus", kChorus}, {"variation", kVariation}};
    int checked = 0;
    bool hall1 = false, chorus1 = false, delay_lcr = false;
    for (const auto& row : ReadTable("type_defaults.tsv")) {
        if (!blocks.contains(row.at("block"))) continue;  // types of no stated block
        const EffectBlock block = blocks.at(row.at("block"));
        const std::int32_t type = std::stoi(row.at("type_msb"), nullptr, 16) * 128 +
                                  std::stoi(row.at("type_lsb"), nullptr, 16);
        RecordingApp r;
        SetEffectValue(r.app, {EffectItem::param, block, 3}, 1);  // not a default anywhere
        r.log.TakeEvents();
        SetEffectValue(r.app, {EffectItem::type, block}, type);
        EXPECT_EQ(r.log.TakeEvents().size(), 1u);
        for (int n = 1; n <= kEffectParamCount; ++n) {
            EXPECT_EQ(r.app.effect_blocks[block].params[n - 1],
                      std::stoi(row.at("p" + std::to_string(n))))
                << row.at("block") << " " << row.at("name") << " p" << n;
        }
        hall1 |= block == kReverb && row.at("name") == "HALL 1";
        chorus1 |= block == kChorus && row.at("name") == "CHORUS 1";
        delay_lcr |= block == kVariation && row.at("name") == "DELAY L,C,R";
        ++checked;
    }
    EXPECT_EQ(checked, 12 + 12 + 44);
    EXPECT_TRUE(hall1 && chorus1 && delay_lcr);
}

TEST(EffectTypes, TheBlocksStartAsTheToneGeneratorDoes) {
    const CKQ505App app;
    const EffectBlocks& e = app.effect_blocks;
    EXPECT_EQ(FindEffectType(kReverb, e[kReverb].type)->name, "HALL 1");
    EXPECT_EQ(FindEffectType(kChorus, e[kChorus].type)->name, "CHORUS 1");
    EXPECT_EQ(FindEffectType(kVariation, e[kVariation].type)->name, "DELAY L,C,R");
    EXPECT_EQ(e[kReverb].params, (std::array<std::int32_t, 16>{18, 10, 8, 13, 49, 0, 0, 0, 0, 40, 0,
                                                               4, 50, 8, 64, 0}));
    EXPECT_EQ(e[kVariation].params[0], 3333);
    for (const EffectBlock block : kEffectBlocks) {
        EXPECT_EQ(e[block].return_level, 64);
        EXPECT_EQ(e[block].pan, 64);
    }
    EXPECT_EQ(e.chorus_to_reverb + e.variation_to_reverb + e.variation_to_chorus, 0);
    EXPECT_EQ(e.variation_connection, 0);  // insertion
    EXPECT_EQ(e.variation_part, 127);      // on no part
}

TEST(EffectTypes, XgAndGmSystemOnResetTheBlocksAndSendOnlyTheirMessage) {
    for (const bool xg : {true, false}) {
        RecordingApp r;
        SetEffectValue(r.app, {EffectItem::type, kReverb}, 0x04 * 128);
        SetEffectValue(r.app, {EffectItem::param, kVariation, 1}, 7000);
        SetEffectValue(r.app, {EffectItem::variation_part}, 3);
        SetEffectValue(r.app, {EffectItem::return_level, kChorus}, 1);
        r.log.TakeEvents();
        xg ? SendXgSystemOn(r.app) : SendGmSystemOn(r.app);
        EXPECT_EQ(r.app.effect_blocks, CKQ505App().effect_blocks);
        EXPECT_EQ(r.log.TakeEvents().size(), 1u);
    }
}

TEST(EffectTypes, ParametersShowTheRangeOfTheTypeThatUsesThem) {
    EffectBlocks e;
    ResetEffectBlocks(e);
    const auto range = [&](EffectBlock block, int number) {
        const EffectRange r = RangeOf(e, {EffectItem::param, block, number});
        return std::pair{r.min, r.max};
    };
    EXPECT_EQ(range(kReverb, 1), std::pair(0, 69));        // reverb time
    EXPECT_EQ(range(kVariation, 1), std::pair(1, 7550));   // L delay, 0.1 ms steps
    EXPECT_EQ(range(kVariation, 8), std::pair(0, 16383));  // DELAY L,C,R has no parameter 8
    SetEffectType(e, kVariation, 0x44 * 128);              // SYMPHONIC: its default 16 fits
    EXPECT_EQ(range(kVariation, 3), std::pair(0, 127));
    const EffectTypeInfo* hall = FindEffectType(kReverb, 128);
    EXPECT_EQ(FindEffectParam(*hall, 10)->name, "Dry/Wet");
    EXPECT_EQ(FindEffectParam(*hall, 6), nullptr);
    EXPECT_EQ(FindEffectType(kReverb, 0x12 * 128), nullptr);  // no such reverb
}

TEST(EffectRestore, SendsABlockOfAnotherTypeWholeTypeFirstAndOtherwiseWhatDiffers) {
    RecordingApp r;
    const EffectBlocks opened = r.app.effect_blocks;
    SetEffectValue(r.app, {EffectItem::type, kVariation}, 0x07 * 128);
    SetEffectValue(r.app, {EffectItem::param, kVariation, 3}, 100);
    SetEffectValue(r.app, {EffectItem::variation_to_chorus}, 50);
    SetEffectValue(r.app, {EffectItem::param, kReverb, 11}, 9);
    SetEffectValue(r.app, {EffectItem::pan, kChorus}, 9);
    r.log.TakeEvents();

    RestoreEffectBlocks(r.app, opened);
    EXPECT_EQ(r.app.effect_blocks, opened);
    const Events sent = r.log.TakeEvents();
    ASSERT_EQ(sent.size(), 1u + 16u + 2u + 3u);
    EXPECT_EQ(sent[0], Effect({0x40, 0x05, 0x00}));
    EXPECT_EQ(sent[1], Effect({0x42, 0x1A, 0x05}));  // 3333
    EXPECT_EQ(sent[17], Effect({0x56, 64}));
    EXPECT_EQ(sent[18], Effect({0x57, 64}));
    EXPECT_EQ(sent[19], Effect({0x10, 0}));  // reverb parameter 11 alone
    EXPECT_EQ(sent[20], Effect({0x2D, 64}));
    EXPECT_EQ(sent[21], Effect({0x59, 0}));

    RestoreEffectBlocks(r.app, opened);
    EXPECT_TRUE(r.log.TakeEvents().empty());
}

TEST(EffectHistory, EachChangeIsOneStepThatUndoAndRedoSend) {
    RecordingApp r;
    EditHistory& history = r.app.edit_history;
    const EffectBlocks defaults = r.app.effect_blocks;
    history.Record(r.app, StepKind::kEffect, [&] {
        SetEffectValue(r.app, {EffectItem::type, kVariation}, 0x07 * 128);  // ECHO
    });
    const EffectBlocks echo = r.app.effect_blocks;
    history.Record(r.app, StepKind::kEffect, [&] {
        SetEffectValue(r.app, {EffectItem::return_level, kChorus}, 30);
    });
    ASSERT_EQ(history.StepCount(), 2u);
    EXPECT_EQ(DescribeStep(*history.NextUndo()), "ｴﾌｪｸﾀ chorus_return 64→30");
    r.log.TakeEvents();

    history.Undo(r.app);
    EXPECT_EQ(r.log.TakeEvents(), Events{Effect({0x2C, 64})});
    history.Undo(r.app);  // the type: the block whole, type first
    EXPECT_EQ(r.app.effect_blocks, defaults);
    Events sent = r.log.TakeEvents();
    ASSERT_EQ(sent.size(), 19u);
    EXPECT_EQ(sent[0], Effect({0x40, 0x05, 0x00}));
    history.Redo(r.app);
    EXPECT_EQ(r.app.effect_blocks, echo);
    sent = r.log.TakeEvents();
    ASSERT_EQ(sent.size(), 19u);
    EXPECT_EQ(sent[1], Effect({0x42, 0x0D, 0x24}));  // ECHO's 1700
}

TEST(EffectHistory, UndoingXBringsTheEffectBlocksBack) {
    RecordingApp r;
    SetEffectValue(r.app, {EffectItem::type, kReverb}, 0x04 * 128);  // PLATE
    SetEffectValue(r.app, {EffectItem::variation_part}, 17);
    const EffectBlocks edited = r.app.effect_blocks;
    r.app.edit_history.Record(r.app, StepKind::kXgSystemOn, [&] { SendXgSystemOn(r.app); });
    EXPECT_EQ(r.app.effect_blocks, CKQ505App().effect_blocks);
    r.log.TakeEvents();
    r.app.edit_history.Undo(r.app);
    EXPECT_EQ(r.app.effect_blocks, edited);
    const Events sent = r.log.TakeEvents();
    EXPECT_EQ(std::count(sent.begin(), sent.end(), Effect({0x00, 0x04, 0x00})), 1);
    EXPECT_EQ(std::count(sent.begin(), sent.end(), Effect({0x5B, 17})), 1);
    // Doing it again sends its system message, and the blocks are the defaults again.
    r.app.edit_history.Redo(r.app);
    EXPECT_EQ(r.app.effect_blocks, CKQ505App().effect_blocks);
    EXPECT_EQ(r.log.TakeEvents().front(),
              OnA({0xF0, 0x43, 0x10, 0x4C, 0x00, 0x00, 0x7E, 0x00, 0xF7}));
}

TEST(EffectSendAll, EveryBlockTypeFirstThenSendsConnectionAndPart) {
    RecordingApp r;
    SendEffectBlocks(r.app);
    const Events sent = r.log.TakeEvents();
    ASSERT_EQ(sent.size(), 3u * 19u + 5u);
    EXPECT_EQ(sent[0], Effect({0x00, 0x01, 0x00}));
    EXPECT_EQ(sent[19], Effect({0x20, 0x41, 0x00}));
    EXPECT_EQ(sent[38], Effect({0x40, 0x05, 0x00}));
    EXPECT_EQ(sent.back(), Effect({0x5B, 127}));
    std::vector<std::vector<std::uint8_t>> bytes;
    for (const MidiEvent& e : sent)
        bytes.push_back(e.bytes);
    EXPECT_EQ(bytes, EffectBlockMessages(r.app.effect_blocks));
}

// The texts of a value table as the tables give them.
std::map<int, std::string> TableValues(const std::string& table) {
    std::map<int, std::string> values;
    for (const auto& row : ReadTable("value_tables.tsv")) {
        if (row.at("table") == table) values[std::stoi(row.at("index"))] = row.at("value");
    }
    return values;
}

TEST(EffectValueTexts, TablesShowTheirValuesWithUnits) {
    const auto reverb_time = TableValues("reverb_time");
    EXPECT_EQ(EffectValueText(ValueFormat::reverb_time, 0), reverb_time.at(0) + " s");
    EXPECT_EQ(EffectValueText(ValueFormat::reverb_time, 69), reverb_time.at(69) + " s");
    EXPECT_EQ(EffectValueText(ValueFormat::reverb_time, 69), "30.0 s");
    EXPECT_EQ(EffectValueText(ValueFormat::reverb_time, 70), "?");
    const auto delay = TableValues("delay_time_200");
    EXPECT_EQ(EffectValueText(ValueFormat::delay_time_200, 0), delay.at(0) + " ms");
    EXPECT_EQ(EffectValueText(ValueFormat::delay_time_200, 127), delay.at(127) + " ms");
    EXPECT_EQ(EffectValueText(ValueFormat::delay_time_200, 127), "200.0 ms");
    EXPECT_EQ(EffectValueText(ValueFormat::eq_freq, 28), "500 Hz");
    EXPECT_EQ(EffectValueText(ValueFormat::eq_freq, 4), "32 Hz");
    EXPECT_EQ(EffectValueText(ValueFormat::eq_freq, 40), "2.0 kHz");
    EXPECT_EQ(EffectValueText(ValueFormat::eq_freq, 58), "16.0 kHz");
    EXPECT_EQ(EffectValueText(ValueFormat::lfo_freq, 1), TableValues("lfo_freq").at(1) + " Hz");
    EXPECT_EQ(EffectValueText(ValueFormat::room_size, 44), "7.0 m");
    EXPECT_EQ(EffectValueText(ValueFormat::er_type, 5), "Spr");
    EXPECT_EQ(EffectValueText(ValueFormat::input_select, 2), "L&R");
    EXPECT_EQ(EffectValueText(ValueFormat::variation_connection, 1), "System");
    EXPECT_EQ(EffectValueText(ValueFormat::amp_type, 4), "?");
    // Every table and list format has its table.
    for (const char* name :
         {"lfo_freq", "lfo_freq_alt", "mod_delay_offset", "eq_freq", "reverb_time",
          "delay_time_200", "room_size", "delay_time_400", "reverb_dimension"}) {
        EXPECT_EQ(ValueTable(ValueFormat::lfo_freq).size(), 128u);
        const auto values = TableValues(name);
        EXPECT_FALSE(values.empty()) << name;
    }
    EXPECT_EQ(ValueTable(ValueFormat::eq_freq).size(), 61u);
    EXPECT_EQ(ValueTable(ValueFormat::reverb_dimension).size(), 105u);
}

TEST(EffectValueTexts, FormulasKeepTheirSignsAndSteps) {
    EXPECT_EQ(EffectValueText(ValueFormat::pan, 1), "L63");
    EXPECT_EQ(EffectValueText(ValueFormat::pan, 64), "C");
    EXPECT_EQ(EffectValueText(ValueFormat::pan, 127), "R63");
    EXPECT_EQ(EffectValueText(ValueFormat::pan, 0), "RND");
    EXPECT_EQ(EffectValueText(ValueFormat::dry_wet, 1), "D63>W");
    EXPECT_EQ(EffectValueText(ValueFormat::dry_wet, 64), "D=W");
    EXPECT_EQ(EffectValueText(ValueFormat::dry_wet, 127), "D<W63");
    EXPECT_EQ(EffectValueText(ValueFormat::gain_db, 52), "-12 dB");
    EXPECT_EQ(EffectValueText(ValueFormat::gain_db, 64), "0 dB");
    EXPECT_EQ(EffectValueText(ValueFormat::gain_db, 76), "+12 dB");
    EXPECT_EQ(EffectValueText(ValueFormat::delay_0_1ms, 3333), "333.3 ms");
    EXPECT_EQ(EffectValueText(ValueFormat::delay_0_1ms, 7550), "755.0 ms");
    EXPECT_EQ(EffectValueText(ValueFormat::x0_1, 1), "0.1");
    EXPECT_EQ(EffectValueText(ValueFormat::x0_1, 10), "1.0");
    EXPECT_EQ(EffectValueText(ValueFormat::tenths, 120), "12.0");
    EXPECT_EQ(EffectValueText(ValueFormat::phase_deg, 4), "-180 deg");
    EXPECT_EQ(EffectValueText(ValueFormat::phase_deg, 124), "+180 deg");
    EXPECT_EQ(EffectValueText(ValueFormat::percent100, 1), "-100 %");
    EXPECT_EQ(EffectValueText(ValueFormat::percent100, 127), "+100 %");
    EXPECT_EQ(EffectValueText(ValueFormat::filter_cents, 0), "-9600 cent");
    EXPECT_EQ(EffectValueText(ValueFormat::filter_cents, 127), "+9450 cent");
    EXPECT_EQ(EffectValueText(ValueFormat::detune_hz, 0), "-12.8 Hz");
    EXPECT_EQ(EffectValueText(ValueFormat::detune_hz, 255), "+12.7 Hz");
    EXPECT_EQ(EffectValueText(ValueFormat::master_tune_cents, 0), "-102.4 cent");
    EXPECT_EQ(EffectValueText(ValueFormat::master_tune_cents, 1024), "0.0 cent");
    EXPECT_EQ(EffectValueText(ValueFormat::offset64, 0), "-64");
    EXPECT_EQ(EffectValueText(ValueFormat::semitones, 88), "+24");
    EXPECT_EQ(EffectValueText(ValueFormat::program, 127), "128");
    EXPECT_EQ(EffectValueText(ValueFormat::part_or_off, 15), "16");
    EXPECT_EQ(EffectValueText(ValueFormat::part_or_off, 127), "Off");
    EXPECT_EQ(EffectValueText(ValueFormat::channel_or_off, 0), "A1");
    EXPECT_EQ(EffectValueText(ValueFormat::note_name, 0), "C-2");
    EXPECT_EQ(EffectValueText(ValueFormat::level_db_curve, 96), "96");
    EXPECT_EQ(VariationPartText(0), "#01 A");
    EXPECT_EQ(VariationPartText(15), "#16 A");
    EXPECT_EQ(VariationPartText(16), "#01 B");
    EXPECT_EQ(VariationPartText(31), "#16 B");
    EXPECT_EQ(VariationPartText(127), "Off");
    EXPECT_EQ(VariationPartText(32), "?");
}

}  // namespace
}  // namespace kq505
