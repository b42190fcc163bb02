#pragma once
// The program's start-up after the application object exists, as main() runs it and as
// tests run it with their own paths and MIDI outputs.

#include <QString>
#include <filesystem>
#include <functional>
#include <memory>

#include "app/startup.h"

namespace kq505 {

class CKQ505App;
class CMainFrame;

// A path of the file system from Qt's text of it.
std::filesystem::path FileSystemPath(const QString& path);

// Before the application object exists, as Qt takes its scale factor only then: sets the
// display size stored in the INI file (key Zoom) as Qt's scale factor, unless the user has
// set one in the environment. True when it set one; the caller then clears it once the
// application exists, so that programs started from here keep their own.
bool ApplyZoomSetting();

// Reads the settings and the instrument list (reporting an INI file too long to read and a
// list that cannot be read),
// creates the main frame and the editor view, hands a given settings file to the frame and
// shows the frame. Both MIDI outputs open once the frame has first painted (or, should it
// never paint, a second later), so that the window comes at once and the ports' failure
// messages stand over it; `ports_opened` runs after that. Under a session manager
// (`ports_wait_for_session`) no port opens here: the session's open opens them.
std::unique_ptr<CMainFrame> StartKQ505(CKQ505App& app, const StartUpPlaces& places,
                                       const QString& document = {},
                                       std::function<void()> ports_opened = {},
                                       bool ports_wait_for_session = false);

}  // namespace kq505
