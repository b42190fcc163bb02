// Writes the Standard MIDI File of a fixed set-up, for checks by readers and players that
// are not ours. Parts 0 and 9 differ from the defaults in every row; part 0 is a trumpet
// panned hard left (pan 0), so a player can show which side it sounds on. The effect blocks
// differ from their defaults too: HALL 2, CELESTE 1 and a DELAY L,C,R with a delay above 127
// on the A layer of part 1.
//
//   kq505_export_tool [--info] [--step N] [--table FILE] [--song FILE] [--syx FILE] OUT.mid
//
// --table writes the set-up that was exported (values, names, options) as JSON, so a
// check can derive the events from it by rules of its own. --song writes the song export
// of the same set-up; exit code 3 when this build has no song export. --syx writes the
// same set-up as a .syx file, for other XG editors to open.

#include <charconv>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "app/kq505_app.h"
#include "effects/effect_blocks.h"
#include "files/smf_export.h"
#include "files/syx_file.h"
#include "model/module_syx.h"
#include "model/part_table.h"
#include "tests/tools/song_export.h"

namespace kq505 {
namespace {

struct RowValues {
    Row row;
    std::int32_t part0;
    std::int32_t part9;
};

constexpr RowValues kSetUp[] = {
    {vol, 110, 90},
    {exp, 120, 100},
    {key_shift, 70, 52},
    {porta_sw, 1, 1},
    {porta_time, 20, 5},
    {mix, 10, -20},
    {mix_sw, 1, 1},
    {bank_msb_a, 8, 127},
    {bank_msb_b, 1, 126},
    {bank_lsb_a, 3, 1},
    {bank_lsb_b, 4, 2},
    {program_a, 56, 25},  // 56: trumpet, one mono sample in General MIDI sound sets
    {program_b, 48, 26},
    {reverb_a, 0, 60},
    {reverb_b, 50, 61},
    {chorus_a, 20, 10},
    {chorus_b, 21, 11},
    {variation_a, 30, 5},
    {variation_b, 31, 6},
    {pan_a, 0, 40},
    {pan_b, 100, 90},
    {brightness_a, 80, 30},
    {brightness_b, 81, 31},
    {harmonic_a, 50, 90},
    {harmonic_b, 51, 91},
    {hpf_a, 60, 44},
    {hpf_b, 61, 45},
    {attack_a, 70, 33},
    {attack_b, 71, 34},
    {decay_a, 58, 35},
    {decay_b, 59, 36},
    {release_a, 72, 37},
    {release_b, 73, 38},
    {vib_rate_a, 66, 80},
    {vib_rate_b, 67, 81},
    {vib_depth_a, 68, 82},
    {vib_depth_b, 69, 83},
    {vib_delay_a, 62, 84},
    {vib_delay_b, 63, 85},
    {eq_bass_freq_a, 20, 8},
    {eq_bass_freq_b, 21, 9},
    {eq_bass_gain_a, 70, 52},
    {eq_bass_gain_b, 71, 53},
    {eq_treble_freq_a, 40, 30},
    {eq_treble_freq_b, 41, 31},
    {eq_treble_gain_a, 58, 76},
    {eq_treble_gain_b, 59, 77},
};
static_assert(std::size(kSetUp) == kRowCount);

void SetUp(CKQ505App& app) {
    for (const RowValues& v : kSetUp) {
        app.part_table[v.row][0] = v.part0;
        app.part_table[v.row][9] = v.part9;
    }
    app.track_names[0] = "\x83\x67\x83\x89\x83\x93\x83\x79\x83\x62\x83\x67";  // "trumpet"
    app.track_names[9] = "Drums \xC4\xDE\xD7\xD1";  // half-width katakana "drum"
    // 70 bytes whose 64th byte starts a double-byte character.
    app.track_names[1] = "X";
    for (int i = 0; i < 34; ++i)
        app.track_names[1] += "\x83\x41";
    app.track_names[1] += "Y";

    EffectBlocks& e = app.effect_blocks;
    SetEffectType(e, EffectBlock::reverb, 0x01 * 128 + 0x01);
    SetEffectType(e, EffectBlock::chorus, 0x42 * 128);
    SetEffectType(e, EffectBlock::variation, 0x05 * 128);
    e[EffectBlock::reverb].params[0] = 30;
    e[EffectBlock::chorus].return_level = 80;
    e[EffectBlock::chorus].pan = 20;
    e[EffectBlock::variation].params[0] = 7000;
    e[EffectBlock::variation].params[15] = 70;
    e[EffectBlock::variation].return_level = 100;
    e.chorus_to_reverb = 10;
    e.variation_to_reverb = 20;
    e.variation_to_chorus = 30;
    e.variation_connection = 0;
    e.variation_part = 0;
}

std::string Numbers(std::span<const std::int32_t> values) {
    std::string text = "[";
    for (std::size_t i = 0; i < values.size(); ++i)
        text += (i ? ", " : "") + std::to_string(values[i]);
    return text + "]";
}

std::string EffectsJson(const EffectBlocks& e) {
    std::string json = "{";
    const char* names[] = {"reverb", "chorus", "variation"};
    for (const EffectBlock block : kEffectBlocks) {
        const EffectBlockValues& b = e[block];
        json += std::string("\n    \"") + names[static_cast<int>(block)] +
                "\": {\"type\": " + std::to_string(b.type) + ", \"params\": " + Numbers(b.params) +
                ", \"return\": " + std::to_string(b.return_level) +
                ", \"pan\": " + std::to_string(b.pan) + "},";
    }
    json += "\n    \"chorus_to_reverb\": " + std::to_string(e.chorus_to_reverb) +
            ",\n    \"variation_to_reverb\": " + std::to_string(e.variation_to_reverb) +
            ",\n    \"variation_to_chorus\": " + std::to_string(e.variation_to_chorus) +
            ",\n    \"variation_connection\": " + std::to_string(e.variation_connection) +
            ",\n    \"variation_part\": " + std::to_string(e.variation_part) + "\n  }";
    return json;
}

bool WriteFile(const std::string& path, std::span<const std::uint8_t> bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
    return static_cast<bool>(out);
}

std::string Hex(std::string_view bytes) {
    std::string out;
    char digits[3];
    for (const char c : bytes) {
        std::snprintf(digits, sizeof digits, "%02x", static_cast<unsigned char>(c));
        out += digits;
    }
    return out;
}

std::string TableJson(const CKQ505App& app) {
    std::string json = "{\n  \"export_step\": " + std::to_string(app.export_step) +
                       ",\n  \"export_info\": " + std::to_string(app.export_info) +
                       ",\n  \"track_names_hex\": [";
    for (int part = 0; part < kPartCount; ++part) {
        json += (part ? ", \"" : "\"") + Hex(app.track_names[part]) + "\"";
    }
    json += "],\n  \"effects\": " + EffectsJson(app.effect_blocks);
    json += ",\n  \"table\": {";
    for (int row = 0; row < kRowCount; ++row) {
        json += (row ? ",\n    \"" : "\n    \"") + std::string(kRowInfo[row].name) + "\": [";
        for (int part = 0; part < kPartCount; ++part) {
            json += (part ? ", " : "") + std::to_string(app.part_table[row][part]);
        }
        json += "]";
    }
    return json + "\n  }\n}\n";
}

int Usage() {
    std::fputs(
        "usage: kq505_export_tool [--info] [--step N] [--table FILE] [--song FILE] [--syx FILE] "
        "OUT.mid\n",
        stderr);
    return 2;
}

int Run(int argc, char** argv) {
    CKQ505App app;
    app.export_step = 10;
    std::string out_path, table_path, song_path, syx_path;
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        const bool has_value = i + 1 < argc;
        if (arg == "--info") {
            app.export_info = 1;
        } else if (arg == "--step" && has_value) {
            const std::string_view step = argv[++i];
            const auto [end, error] =
                std::from_chars(step.data(), step.data() + step.size(), app.export_step);
            if (error != std::errc{} || end != step.data() + step.size()) return Usage();
        } else if (arg == "--table" && has_value) {
            table_path = argv[++i];
        } else if (arg == "--song" && has_value) {
            song_path = argv[++i];
        } else if (arg == "--syx" && has_value) {
            syx_path = argv[++i];
        } else if (!arg.starts_with("--") && out_path.empty()) {
            out_path = arg;
        } else {
            return Usage();
        }
    }
    if (out_path.empty()) return Usage();
    SetUp(app);

    if (!WriteFile(out_path, BuildStandardMidiFile(app))) {
        std::fprintf(stderr, "cannot write %s\n", out_path.c_str());
        return 1;
    }
    if (!table_path.empty()) {
        const std::string json = TableJson(app);
        if (!WriteFile(table_path, std::span(reinterpret_cast<const std::uint8_t*>(json.data()),
                                             json.size()))) {
            std::fprintf(stderr, "cannot write %s\n", table_path.c_str());
            return 1;
        }
    }
    if (!syx_path.empty() &&
        !WriteFile(syx_path, SyxFileBytes(SetupSysExMessages(app.part_table, app.effect_blocks)))) {
        std::fprintf(stderr, "cannot write %s\n", syx_path.c_str());
        return 1;
    }
    if (!song_path.empty()) {
        const auto song = BuildSongExport(app);
        if (!song) {
            std::fputs("song export not built in\n", stderr);
            return 3;
        }
        if (!WriteFile(song_path, *song)) {
            std::fprintf(stderr, "cannot write %s\n", song_path.c_str());
            return 1;
        }
    }
    return 0;
}

}  // namespace
}  // namespace kq505

int main(int argc, char** argv) {
    return kq505::Run(argc, argv);
}
