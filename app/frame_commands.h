#pragma once
// The commands of the main window: their numbers, menu captions, accelerators and prompts,
// and where each one stands in the menu and on the toolbar. Plain data, no toolkit.

#include <span>
#include <string_view>

namespace kq505 {

// The program's own command numbers; the framework's commands keep their usual numbers.
enum CommandId : int {
    kIdProgramChange = 32772,
    kIdEffectEdit = 32773,
    kIdGmSystemOn = 32774,
    kIdXgSystemOn = 32775,
    kIdPreviewPortA = 32776,
    kIdPreviewPortB = 32777,
    kIdPreviewLayer = 32778,
    kIdSettings = 32779,
    kIdHomepage = 32785,
    kIdEmail = 32786,
    kIdExportVardel = 32787,
    kIdReinitialiseMidi = 32788,
    kIdReleaseMidi = 32789,
    kIdHelp = 32790,
    kIdMultimedia = 32793,
    kIdReloadSettings = 32795,
    kIdSoftKeyboard = 32797,
    kIdSendAll = 32798,
    kIdExportSmf = 32799,
    kIdSetupOpen = 32810,
    kIdSetupSave = 32811,
    kIdSetupSaveAs = 32812,
    kIdRecentSetup1 = 32813,  // to 32816: the four most recently used set-ups
    kIdSendAllParts = 32817,
    kIdModuleRead = 32818,
    kIdModuleReadPart = 32819,
    kIdExportSysEx = 32820,
    kIdSysExOpen = 32821,
    kIdDrumSetup = 32822,
    kIdPartDetail = 32830,
    // Working with sounds: the clipboard, the layers, compare and randomize.
    kIdCopyPart = 32840,
    kIdPastePart = 32841,
    kIdCopyAToB = 32842,
    kIdCopyBToA = 32843,
    kIdSwapLayers = 32844,
    kIdCompare = 32845,
    kIdRandomize = 32846,
    kIdFileNew = 57600,
    kIdFileOpen = 57601,
    kIdFileSave = 57603,
    kIdFileSaveAs = 57604,
    kIdEditUndo = 57643,
    kIdEditRedo = 57644,
    kIdAppAbout = 57664,
    kIdAppExit = 57665,
    kIdViewToolbar = 59392,
    kIdViewStatusBar = 59393,
};

struct CommandText {
    int id;
    // As stored: the menu caption, then a tab and the accelerator text where it has one.
    std::string_view caption;
    // The accelerator table's key, empty when the command has none.
    std::string_view key;
    // As stored: the status-bar prompt, then a newline and the tool tip.
    std::string_view prompt;
};

std::span<const CommandText> Commands();
// Null for a number that is not a command of the main window.
const CommandText* FindCommand(int id);

// One step of building the menu bar.
struct MenuStep {
    enum Kind { kMenu, kSubmenu, kEndSubmenu, kCommand, kSeparator };
    Kind kind;
    int id = 0;                   // kCommand
    std::string_view title = {};  // kMenu, kSubmenu
};
std::span<const MenuStep> MenuLayout();

// Toolbar buttons from left to right; 0 stands for a separator.
std::span<const int> ToolbarLayout();

// The caption before its tab, and the accelerator text after it (empty without a tab).
std::string_view CaptionText(const CommandText& command);
std::string_view CaptionShortcut(const CommandText& command);
// The prompt's status-bar part and its tool tip part (empty without a newline).
std::string_view StatusTip(const CommandText& command);
std::string_view ToolTip(const CommandText& command);

}  // namespace kq505
