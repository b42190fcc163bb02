#include "app/settings_edit.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "app/kq505_app.h"
#include "app/settings.h"
#include "model/play_through_send.h"
#include "support/recording_app.h"
#include "support/temp_folder.h"

namespace kq505 {
namespace {

using test::ReadBytes;
using test::RecordingApp;
using test::TempFolder;
using test::WriteBytes;
using Names = std::vector<std::string>;

SettingsForm ValidForm() {
    SettingsForm form;
    form.gate = "800";
    form.step = "10";
    form.path = "xg.ins";
    return form;
}

std::optional<SettingsField> RefusedField(const std::string& gate, const std::string& step) {
    SettingsForm form = ValidForm();
    form.gate = gate;
    form.step = step;
    const std::optional<SettingsError> error = CheckSettingsForm(form);
    if (!error) return std::nullopt;
    return error->field;
}

TEST(SettingsCheck, GateAndStepMustBeWholeNumbersInTheirRanges) {
    for (const char* gate : {"0", "10000", " 800 ", "+5", "-0", "007"}) {
        EXPECT_EQ(RefusedField(gate, "10"), std::nullopt) << gate;
    }
    for (const char* gate : {"20000", "10001", "-1", "99999999999999999999999", "", "  ", "abc",
                             "12abc", "1.5", "8 00", "--5", "0x10", "８００"}) {
        EXPECT_EQ(RefusedField(gate, "10"), SettingsField::kGate) << gate;
    }
    for (const char* step : {"0", "1920", "\t480"}) {
        EXPECT_EQ(RefusedField("800", step), std::nullopt) << step;
    }
    for (const char* step : {"1921", "-10", "ten", ""}) {
        EXPECT_EQ(RefusedField("800", step), SettingsField::kStep) << step;
    }
    // The gate is checked first.
    EXPECT_EQ(RefusedField("20000", "5000"), SettingsField::kGate);
}

TEST(SettingsCheck, TheMessageNamesTheFieldAndWhatItTakes) {
    SettingsForm form = ValidForm();
    form.gate = "20000";
    EXPECT_EQ(CheckSettingsForm(form)->message,
              "Gate Time には 0 から 10000 までの整数を入力してください。");
    form.gate = "abc";
    EXPECT_EQ(CheckSettingsForm(form)->message, "Gate Time には整数を入力してください。");
    form = ValidForm();
    form.step = "2000";
    EXPECT_EQ(CheckSettingsForm(form)->message,
              "Step には 0 から 1920 までの整数を入力してください。");
    // A line break would end the INI line and could not be stored.
    form = ValidForm();
    form.path = "a.ins\n[MIDI]";
    EXPECT_EQ(CheckSettingsForm(form)->field, SettingsField::kPath);
}

class SettingsDialogValues : public ::testing::Test {
  protected:
    SettingsDialogValues() {
        r.app.ini_path = (folder / "kq505.ini").string();
        r.app.output_device_names = [this] { return outputs; };
        r.app.input_device_names = [this] { return inputs; };
        r.app.module_names[0] = "MU50";
        r.app.module_names[1] = "MU80";
        r.app.module_names[3] = "MU128";
    }

    TempFolder folder;
    RecordingApp r;
    Names outputs{"Midi Through:Midi Through Port-0 14:0", "MU2000:MU2000 Port 1 20:0",
                  "MU2000:MU2000 Port 2 20:1"};
    Names inputs{"Midi Through:Midi Through Port-0 14:0", "Keys:Keys MIDI 1 24:0"};
};

TEST_F(SettingsDialogValues, TheListsHoldTheDevicesAndTheNamedLevels) {
    const SettingsLists lists = MakeSettingsLists(r.app);
    EXPECT_EQ(lists.outputs, outputs);
    EXPECT_EQ(lists.inputs, inputs);
    EXPECT_EQ(lists.module_levels, (std::vector<std::int32_t>{0, 1, 3}));
    EXPECT_EQ(lists.module_names, (Names{"MU50", "MU80", "MU128"}));
}

TEST_F(SettingsDialogValues, TheFormShowsTheStoredValues) {
    r.app.out_a_device = 2;
    r.app.out_b_device = 1;
    r.app.in_device = 1;
    r.app.module_level = 3;
    r.app.preview_velocity = 90;
    r.app.preview_gate_ms = 1200;
    r.app.export_step = 480;
    r.app.export_info = 1;
    r.app.show_logo = 0;
    r.app.instrument_file_path = "voices/xg.ins";
    const SettingsForm form = LoadSettingsForm(r.app, MakeSettingsLists(r.app));
    EXPECT_EQ(form.out_a, 2);
    EXPECT_EQ(form.out_b, 1);
    EXPECT_EQ(form.in, 1);
    EXPECT_EQ(form.module, 2);  // level 3 is the third named level
    EXPECT_EQ(form.velocity, 90);
    EXPECT_EQ(form.gate, "1200");
    EXPECT_EQ(form.step, "480");
    EXPECT_TRUE(form.sysex_comments);
    EXPECT_FALSE(form.logo);
    EXPECT_EQ(form.path, "voices/xg.ins");
}

TEST_F(SettingsDialogValues, ValuesWithoutAnEntryShowNoSelection) {
    r.app.out_a_device = 3;   // beyond the devices
    r.app.out_b_device = -1;  // the virtual port
    r.app.in_device = 2;
    r.app.module_level = 2;  // the instrument list does not name level 2
    r.app.preview_velocity = 200;
    r.app.show_logo = 5;
    const SettingsForm form = LoadSettingsForm(r.app, MakeSettingsLists(r.app));
    EXPECT_EQ(form.out_a, kNoSelection);
    EXPECT_EQ(form.out_b, kNoSelection);
    EXPECT_EQ(form.in, kNoSelection);
    EXPECT_EQ(form.module, kNoSelection);
    EXPECT_EQ(form.velocity, 127);
    EXPECT_FALSE(form.logo);  // only 1 shows the logo at start-up
}

TEST_F(SettingsDialogValues, StoredNamesAreShownWhereTheyStandNow) {
    r.app.out_a_device = 1;
    r.app.out_a_name = outputs[1];
    r.app.out_b_device = 2;
    r.app.out_b_name = "MU2000:MU2000 Port 2 28:1";  // a new ALSA client number
    r.app.in_device = 0;
    r.app.in_name = inputs[1];
    outputs.insert(outputs.begin() + 1, "UM-ONE:UM-ONE MIDI 1 24:0");
    outputs[3] = "MU2000:MU2000 Port 2 28:1";
    const SettingsForm form = LoadSettingsForm(r.app, MakeSettingsLists(r.app));
    EXPECT_EQ(form.out_a, 2);
    EXPECT_EQ(form.out_b, 3);
    EXPECT_EQ(form.in, 1);
}

TEST_F(SettingsDialogValues, OkWritesTheTenKeysInOrderThenTheNamesAndReopensBothPorts) {
    SettingsForm form;
    form.out_a = 1;
    form.out_b = 2;
    form.in = 1;
    form.module = 2;
    form.velocity = 64;
    form.gate = "1500";
    form.step = "1920";
    form.sysex_comments = true;
    form.logo = true;
    form.path = "/usr/share/kq505/xg.ins";
    form.zoom = 2;
    form.module_in = 0;
    form.follow = true;
    r.log.TakeEvents();

    const SettingsApplyResult result = ApplySettingsForm(r.app, form, MakeSettingsLists(r.app));
    EXPECT_EQ(result.applied, SettingsApplied::kDone);
    EXPECT_TRUE(result.ports.port_a_opened && result.ports.port_b_opened);
    EXPECT_EQ(ReadBytes(r.app.ini_path),
              "[MIDI]\r\n"
              "OutA=1\r\n"
              "OutB=2\r\n"
              "In=1\r\n"
              "Module=3\r\n"
              "OutAName=MU2000:MU2000 Port 1 20:0\r\n"
              "OutBName=MU2000:MU2000 Port 2 20:1\r\n"
              "InName=Keys:Keys MIDI 1 24:0\r\n"
              "Pace=0\r\n"
              "Thru=0\r\n"
              "ThruChannel=0\r\n"
              "ModuleIn=0\r\n"
              "ModuleInName=Midi Through:Midi Through Port-0 14:0\r\n"
              "DumpTimeout=300\r\n"
              "Follow=1\r\n"
              "\r\n"
              "[Preview]\r\n"
              "Vel=64\r\n"
              "Gate=1500\r\n"
              "\r\n"
              "[ExportVardel]\r\n"
              "Step=1920\r\n"
              "Info=1\r\n"
              "\r\n"
              "[Others]\r\n"
              "Logo=1\r\n"
              "InsFile=/usr/share/kq505/xg.ins\r\n"
              "Zoom=200\r\n");
    EXPECT_EQ(r.app.zoom_percent, 200);
    EXPECT_EQ(r.app.module_level, 3);
    EXPECT_EQ(r.app.preview_velocity, 64);
    EXPECT_EQ(r.app.preview_gate_ms, 1500);
    EXPECT_EQ(r.app.export_step, 1920);
    EXPECT_EQ(r.app.export_info, 1);
    EXPECT_EQ(r.app.show_logo, 1);
    EXPECT_EQ(r.app.instrument_file_path, "/usr/share/kq505/xg.ins");
    EXPECT_EQ(r.out(Port::A).opened_devices, (std::vector<int>{0, 1}));
    EXPECT_EQ(r.out(Port::B).opened_devices, (std::vector<int>{1, 2}));
    EXPECT_TRUE(r.log.events.empty());  // reopening sends nothing

    // What was written reads back into a fresh application object.
    CKQ505App fresh;
    fresh.ini_path = r.app.ini_path;
    ReadIniSettings(fresh);
    EXPECT_EQ(fresh.out_b_name, "MU2000:MU2000 Port 2 20:1");
    EXPECT_EQ(fresh.export_step, 1920);
}

// An input that notes the devices it was opened on.
class RecordingInput final : public MidiInput {
  public:
    explicit RecordingInput(std::vector<int>& opened) : opened_(opened) {}
    bool Open(int device) override {
        opened_.push_back(device);
        return open_ = true;
    }
    void Close() override { open_ = false; }
    bool IsOpen() const override { return open_; }

  private:
    std::vector<int>& opened_;
    bool open_ = false;
};

// The module's input is chosen as the input is, from the same list, and opened anew on OK;
// a device unplugged keeps its name until it is back. Follow is on unless it was turned off.
TEST_F(SettingsDialogValues, TheModuleInputIsChosenLikeTheInputAndFollowIsStored) {
    std::vector<int> opened;
    r.app.module_in = std::make_unique<RecordingInput>(opened);
    r.app.module_in_device = 0;
    r.app.module_in_name = inputs[1];  // where the name stands now wins
    SettingsLists lists = MakeSettingsLists(r.app);
    SettingsForm form = LoadSettingsForm(r.app, lists);
    EXPECT_EQ(form.module_in, 1);
    EXPECT_TRUE(form.follow);

    form.module_in = 1;
    form.follow = false;
    ASSERT_EQ(ApplySettingsForm(r.app, form, lists).applied, SettingsApplied::kDone);
    EXPECT_EQ(r.app.module_in_device, 1);
    EXPECT_EQ(r.app.module_in_name, inputs[1]);
    EXPECT_EQ(r.app.follow_module, 0);
    EXPECT_EQ(opened, std::vector<int>{1});
    const std::string ini = ReadBytes(r.app.ini_path);
    EXPECT_NE(ini.find("ModuleIn=1\r\nModuleInName=" + inputs[1] + "\r\n"), std::string::npos);
    EXPECT_NE(ini.find("Follow=0\r\n"), std::string::npos);
    EXPECT_FALSE(LoadSettingsForm(r.app, lists).follow);

    // Unplugged: no selection, -1 opened, the name kept; plugged in again at another place,
    // reopening finds it there.
    const std::string module = inputs[1];
    inputs.pop_back();
    lists = MakeSettingsLists(r.app);
    form = LoadSettingsForm(r.app, lists);
    EXPECT_EQ(form.module_in, kNoSelection);
    ApplySettingsForm(r.app, form, lists);
    EXPECT_EQ(r.app.module_in_device, -1);
    EXPECT_EQ(r.app.module_in_name, module);
    EXPECT_EQ(opened.back(), -1);
    inputs.push_back("UM-ONE:UM-ONE MIDI 1 28:0");
    inputs.push_back(module);
    ReinitialiseMidiPorts(r.app);
    EXPECT_EQ(opened.back(), 2);
    CloseMidiPorts(r.app);
    EXPECT_FALSE(r.app.module_in->IsOpen());
}

TEST_F(SettingsDialogValues, OkWithUnchangedValuesStillWritesAndReopens) {
    ReadIniSettings(r.app);
    const SettingsLists lists = MakeSettingsLists(r.app);
    ApplySettingsForm(r.app, LoadSettingsForm(r.app, lists), lists);
    const std::string written = ReadBytes(r.app.ini_path);
    EXPECT_NE(written.find("Gate=800\r\n"), std::string::npos);
    ApplySettingsForm(r.app, LoadSettingsForm(r.app, lists), lists);
    EXPECT_EQ(ReadBytes(r.app.ini_path), written);
    EXPECT_EQ(r.out(Port::A).opened_devices, (std::vector<int>{0, 0, 0}));
    EXPECT_EQ(r.out(Port::B).opened_devices, (std::vector<int>{1, 1, 1}));
}

TEST_F(SettingsDialogValues, WithoutDevicesOrLevelsOkStoresMinusOne) {
    outputs.clear();
    inputs.clear();
    r.app.module_names = {};
    const SettingsLists lists = MakeSettingsLists(r.app);
    ASSERT_EQ(ApplySettingsForm(r.app, LoadSettingsForm(r.app, lists), lists).applied,
              SettingsApplied::kDone);
    const std::string ini = ReadBytes(r.app.ini_path);
    for (const char* line : {"OutA=-1\r\n", "OutB=-1\r\n", "In=-1\r\n", "Module=-1\r\n",
                             "OutAName=\r\n", "OutBName=\r\n", "InName=\r\n"}) {
        EXPECT_NE(ini.find(line), std::string::npos) << line;
    }
    // -1 is the virtual port of each output.
    EXPECT_EQ(r.out(Port::A).opened_devices.back(), -1);
    EXPECT_EQ(r.out(Port::B).opened_devices.back(), -1);
}

TEST_F(SettingsDialogValues, AListWithoutSelectionKeepsTheStoredName) {
    r.app.out_a_device = 1;
    r.app.out_a_name = "MU2000:MU2000 Port 1 20:0";
    outputs = {"Midi Through:Midi Through Port-0 14:0"};  // the tone generator is unplugged
    const SettingsLists lists = MakeSettingsLists(r.app);
    const SettingsForm form = LoadSettingsForm(r.app, lists);
    ASSERT_EQ(form.out_a, kNoSelection);
    ApplySettingsForm(r.app, form, lists);
    EXPECT_EQ(r.app.out_a_device, -1);
    EXPECT_EQ(r.app.out_a_name, "MU2000:MU2000 Port 1 20:0");

    // Plugged in again, it is found by its name.
    outputs.push_back("MU2000:MU2000 Port 1 24:0");
    ReinitialiseMidiPorts(r.app);
    EXPECT_EQ(r.out(Port::A).opened_devices.back(), 1);
}

// Chosen while the device is there, -1 forgets its name, or the name would win again.
TEST_F(SettingsDialogValues, MinusOneChosenForAListedDeviceForgetsItsNameAndPaceIsStored) {
    r.app.out_b_device = 2;
    r.app.out_b_name = outputs[2];
    const SettingsLists lists = MakeSettingsLists(r.app);
    SettingsForm form = LoadSettingsForm(r.app, lists);
    ASSERT_EQ(form.out_b, 2);
    EXPECT_FALSE(form.pace);
    form.out_b = -1;
    form.pace = true;
    ApplySettingsForm(r.app, form, lists);
    EXPECT_EQ(r.app.out_b_device, -1);
    EXPECT_EQ(r.app.out_b_name, "");
    EXPECT_EQ(r.out(Port::B).opened_devices.back(), -1);
    EXPECT_EQ(r.app.midi_pace, 1);
    EXPECT_NE(ReadBytes(r.app.ini_path).find("Pace=1\r\n"), std::string::npos);
    EXPECT_TRUE(LoadSettingsForm(r.app, lists).pace);
}

TEST_F(SettingsDialogValues, TheInputsMinusOneAndThruAreStoredAndApplied) {
    r.app.in_device = -1;
    const SettingsLists lists = MakeSettingsLists(r.app);
    SettingsForm form = LoadSettingsForm(r.app, lists);
    EXPECT_EQ(form.in, -1);  // shown as the first entry, no connection
    EXPECT_FALSE(form.thru);
    EXPECT_EQ(form.thru_channel, kThruOnPartChannel);
    r.app.in_name = inputs[1];  // a device missing now: no selection, as on the Out lists
    r.app.input_device_names = [] { return Names{}; };
    EXPECT_EQ(LoadSettingsForm(r.app, MakeSettingsLists(r.app)).in, kNoSelection);

    form.in = -1;
    form.thru = true;
    form.thru_channel = kThruOnOwnChannel;
    ASSERT_EQ(ApplySettingsForm(r.app, form, lists).applied, SettingsApplied::kDone);
    EXPECT_EQ(r.app.in_device, -1);
    EXPECT_EQ(r.app.in_name, "");
    const std::string ini = ReadBytes(r.app.ini_path);
    EXPECT_NE(ini.find("In=-1\r\n"), std::string::npos);
    EXPECT_NE(ini.find("Thru=1\r\nThruChannel=1\r\n"), std::string::npos);
    // Reopening put the new rules to work: the input now plays through on its own channel.
    r.log.TakeEvents();
    ForwardInput(r.app, std::vector<std::uint8_t>{0x97, 60, 100});
    EXPECT_EQ(r.log.events.size(), 2u);
    EXPECT_EQ(r.log.events.at(0).bytes, (std::vector<std::uint8_t>{0x97, 60, 100}));

    CKQ505App fresh;
    fresh.ini_path = r.app.ini_path;
    ReadIniSettings(fresh);
    EXPECT_EQ(fresh.thru, 1);
    EXPECT_EQ(fresh.thru_channel, 1);
    form.thru = false;
    ApplySettingsForm(r.app, form, lists);
    r.log.TakeEvents();
    ForwardInput(r.app, std::vector<std::uint8_t>{0x97, 61, 100});
    EXPECT_TRUE(r.log.events.empty());
}

TEST_F(SettingsDialogValues, ARefusedFormChangesNothing) {
    SettingsForm form = ValidForm();
    form.gate = "20000";
    form.velocity = 5;
    const SettingsApplyResult result = ApplySettingsForm(r.app, form, MakeSettingsLists(r.app));
    EXPECT_EQ(result.applied, SettingsApplied::kRefused);
    EXPECT_FALSE(std::filesystem::exists(r.app.ini_path));
    EXPECT_EQ(r.app.preview_velocity, 0);
    EXPECT_EQ(r.out(Port::A).opened_devices, (std::vector<int>{0}));
}

TEST_F(SettingsDialogValues, AFailedWriteIsToldAndTheValuesAreStillUsed) {
    std::filesystem::create_directory(r.app.ini_path);  // a folder cannot be written as a file
    SettingsForm form = ValidForm();
    form.out_a = 2;
    form.gate = "300";
    const SettingsApplyResult result = ApplySettingsForm(r.app, form, MakeSettingsLists(r.app));
    EXPECT_EQ(result.applied, SettingsApplied::kWriteFailed);
    EXPECT_EQ(r.app.preview_gate_ms, 300);
    EXPECT_EQ(r.out(Port::A).opened_devices.back(), 2);
}

TEST_F(SettingsDialogValues, AReadOnlyFileIsNotReplacedAndTheValuesAreStillUsed) {
    const std::string before = "[Preview]\r\nGate=100\r\n";
    WriteBytes(r.app.ini_path, before);
    std::filesystem::permissions(
        r.app.ini_path, std::filesystem::perms::owner_read | std::filesystem::perms::others_read);
    SettingsForm form = ValidForm();
    form.gate = "300";
    const SettingsApplyResult result = ApplySettingsForm(r.app, form, MakeSettingsLists(r.app));
    EXPECT_EQ(result.applied, SettingsApplied::kWriteFailed);
    EXPECT_EQ(ReadBytes(r.app.ini_path), before);
    EXPECT_EQ(r.app.preview_gate_ms, 300);
}

TEST_F(SettingsDialogValues, TheDisplaySizeShowsAsItsPositionAmongTheChoices) {
    const SettingsLists lists = MakeSettingsLists(r.app);
    for (const auto& [stored, position] : {std::pair{100, 0}, {150, 1}, {200, 2}, {175, 0}}) {
        r.app.zoom_percent = stored;
        EXPECT_EQ(LoadSettingsForm(r.app, lists).zoom, position) << stored;
    }
    SettingsForm form = ValidForm();
    form.zoom = kNoSelection;
    ApplySettingsForm(r.app, form, lists);
    EXPECT_EQ(r.app.zoom_percent, 100);
}

}  // namespace
}  // namespace kq505
