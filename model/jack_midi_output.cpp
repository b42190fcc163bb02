#include "model/jack_midi_output.h"

#include <string>
#include <utility>
#include <vector>

#include "model/jack_midi_client.h"
#include "model/midi_messages.h"

namespace kq505 {
namespace {

constexpr int kUnconnected = -1;

}  // namespace

JackMidiOutput::JackMidiOutput(std::shared_ptr<JackMidiClient> client, Port port)
    : client_(std::move(client)), port_(port) {}

JackMidiOutput::~JackMidiOutput() {
    Close();
}

bool JackMidiOutput::Open(int device) {
    Close();
    if (device < kUnconnected || !client_->Start()) return false;
    if (device != kUnconnected) {
        const std::vector<std::string> destinations = client_->Destinations();
        if (static_cast<std::size_t>(device) >= destinations.size()) return false;
        if (!client_->Connect(port_, destinations[static_cast<std::size_t>(device)])) {
            return false;
        }
    }
    open_ = true;
    return true;
}

void JackMidiOutput::Close() {
    if (!open_) return;
    client_->Flush(port_);
    client_->Disconnect(port_);
    open_ = false;
}

bool JackMidiOutput::IsOpen() const {
    return open_ && client_->IsRunning();
}

void JackMidiOutput::SendShortMessage(std::uint32_t packed) {
    if (open_) client_->Send(port_, WireBytes(packed).View());
}

void JackMidiOutput::SendSysEx(std::span<const std::uint8_t> message) {
    if (open_) client_->Send(port_, message);
}

void JackMidiOutput::SetPaced(bool on) {
    client_->SetPaced(port_, on);
}

std::uint64_t JackMidiOutput::DroppedCount() const {
    return client_->Dropped(port_);
}

JackMidiInput::JackMidiInput(std::shared_ptr<JackMidiClient> client, PlayThrough& thru)
    : client_(std::move(client)), thru_(thru) {}

JackMidiInput::~JackMidiInput() {
    Close();
}

bool JackMidiInput::Open(int device) {
    Close();
    if (device < kUnconnected || !client_->Start()) return false;
    if (device != kUnconnected) {
        const std::vector<std::string> sources = client_->Sources();
        if (static_cast<std::size_t>(device) >= sources.size()) return false;
        if (!client_->ConnectInput(sources[static_cast<std::size_t>(device)])) return false;
    }
    client_->PlayThroughInput(&thru_);
    open_ = true;
    return true;
}

void JackMidiInput::Close() {
    if (!open_) return;
    client_->PlayThroughInput(nullptr);
    client_->DisconnectInput();
    open_ = false;
}

bool JackMidiInput::IsOpen() const {
    return open_ && client_->IsRunning();
}

JackModuleInput::JackModuleInput(std::shared_ptr<JackMidiClient> client, SysExRing& ring)
    : client_(std::move(client)), assembler_(ring) {}

JackModuleInput::~JackModuleInput() {
    Close();
}

bool JackModuleInput::Open(int device) {
    Close();
    if (device < kUnconnected || !client_->Start()) return false;
    if (device != kUnconnected) {
        const std::vector<std::string> sources = client_->Sources();
        if (static_cast<std::size_t>(device) >= sources.size()) return false;
        if (!client_->ConnectModuleInput(sources[static_cast<std::size_t>(device)])) return false;
    }
    assembler_.Reset();  // a message half read before the last close is forgotten
    client_->ReadModuleInput(&assembler_);
    open_ = true;
    return true;
}

void JackModuleInput::Close() {
    if (!open_) return;
    client_->ReadModuleInput(nullptr);
    client_->DisconnectModuleInput();
    open_ = false;
}

bool JackModuleInput::IsOpen() const {
    return open_ && client_->IsRunning();
}

}  // namespace kq505
