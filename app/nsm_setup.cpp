#include "app/nsm_setup.h"

#include <system_error>
#include <utility>

#include "app/kq505_app.h"
#include "files/regular_file.h"

namespace kq505 {

std::filesystem::path SessionSetupFile(std::string_view session_path) {
    return std::filesystem::path(std::string(session_path) + ".kqset");
}

SessionSetupRead ReadSessionSetup(const std::filesystem::path& file, SetupData& setup) {
    std::error_code error;
    // Only a path that is certainly free counts as missing: one that cannot even be looked
    // at is refused, so that a session's set-up is never replaced by a fresh one.
    const std::filesystem::file_status status = std::filesystem::symlink_status(file, error);
    if (status.type() == std::filesystem::file_type::not_found) return {{}, true};
    // One byte past the limit is read, so that a larger file is told from one that fits.
    const std::optional<std::string> bytes =
        ReadRegularFile(file, kSetupFileMaxSize + 1, Oversize::keep_prefix);
    if (!bytes) return {{SetupFileError::cannot_read, {}}, false};
    return {ParseSetupFile(*bytes, setup), false};
}

void LeavePortsToSession(CKQ505App& app) {
    // A switch finds the ports left already; what the file stores was kept at the first open.
    if (!app.setup.devices_outside_session) {
        app.setup.devices_outside_session =
            StoredDevices{app.out_a_device, app.out_b_device, app.in_device, app.module_in_device,
                          app.out_a_name,   app.out_b_name,   app.in_name,   app.module_in_name};
    }
    for (std::int32_t* device :
         {&app.out_a_device, &app.out_b_device, &app.in_device, &app.module_in_device}) {
        *device = -1;
    }
    // A stored name would move a port to where its device now stands.
    for (std::string* name : {&app.out_a_name, &app.out_b_name, &app.in_name, &app.module_in_name})
        name->clear();
    app.outputs_unchosen = false;  // chosen: the session's patchbay connects them
}

std::string SessionOpenedText(std::string_view file_name, bool created) {
    return std::string(file_name) + (created ? " を作成しました" : " を開きました");
}

std::string SessionCreateFailedText(std::string_view file_name) {
    return std::string(file_name) + " を作成できませんでした";
}

std::string SessionSavedText(std::string_view file_name) {
    return std::string(file_name) + " に保存しました";
}

std::string SessionSaveFailedText(std::string_view file_name) {
    return std::string(file_name) + " に保存できませんでした";
}

}  // namespace kq505
