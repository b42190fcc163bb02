#include "app/port_status.h"

#include <gtest/gtest.h>

#include "app/kq505_app.h"
#include "tests/support/recording_app.h"

namespace kq505 {
namespace {

TEST(PortStatus, ALostServerIsShownUntilAnOutputOpensAgain) {
    ServerLossNotice notice;
    notice.Look(false);
    EXPECT_FALSE(notice.Shown());
    notice.Look(true);
    EXPECT_TRUE(notice.Shown());
    notice.Look(false);  // the client was closed to try again: still nothing open
    EXPECT_TRUE(notice.Shown());
    notice.PortsOpened({false, false, false});
    EXPECT_TRUE(notice.Shown());
    notice.PortsOpened({false, true, false});
    EXPECT_FALSE(notice.Shown());
}

// A module input that opens on the devices it is told to.
class ModuleInput final : public MidiInput {
  public:
    explicit ModuleInput(bool opens) : opens_(opens) {}
    bool Open(int) override { return open_ = opens_; }
    void Close() override { open_ = false; }
    bool IsOpen() const override { return open_; }

  private:
    bool opens_;
    bool open_ = false;
};

// Said only while an output is open and the module's input, opened beside it, is not.
TEST(PortStatus, AModuleInputThatFailsIsSaidWhileAnOutputIsOpen) {
    const struct {
        bool input_opens;
        bool out_a_open;
        bool out_b_open;
        bool said;
    } cases[] = {
        {false, true, true, true},    {false, false, true, true}, {false, true, false, true},
        {false, false, false, false}, {true, true, true, false},  {true, false, true, false},
    };
    for (const auto& c : cases) {
        test::RecordingApp r;
        r.app.module_in = std::make_unique<ModuleInput>(c.input_opens);
        OpenMidiPorts(r.app);
        if (!c.out_a_open) r.app.midi_out_a->Close();
        if (!c.out_b_open) r.app.midi_out_b->Close();
        EXPECT_EQ(ModuleInputFailed(r.app), c.said)
            << c.input_opens << c.out_a_open << c.out_b_open;
    }
}

}  // namespace
}  // namespace kq505
