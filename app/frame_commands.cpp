#include "app/frame_commands.h"

#include <algorithm>
#include <array>

namespace kq505 {
namespace {

constexpr std::array kCommands = std::to_array<CommandText>({
    {57600, "新規作成(&N)\tCtrl+N", "Ctrl+N", "新規にﾌｧｲﾙを作成\n新規ﾌｧｲﾙ"},
    {57601, "開く(&O)...\tCtrl+O", "Ctrl+O", "既存のﾌｧｲﾙを開く\n開く"},
    {57603, "上書き保存(&S)\tCtrl+S", "Ctrl+S", "作業中のﾌｧｲﾙを上書き保存\n保存"},
    {57604, "名前を付けて保存(&A)...", "", "作業中のﾌｧｲﾙを新しい名前で保存\n名前をつけて保存"},
    {kIdSetupOpen, "ｾｯﾄｱｯﾌﾟを開く(&U)...\tCtrl+Shift+O", "Ctrl+Shift+O",
     "全ﾊﾟｰﾄのｾｯﾄｱｯﾌﾟﾌｧｲﾙを開く\nｾｯﾄｱｯﾌﾟを開く"},
    {kIdSetupSave, "ｾｯﾄｱｯﾌﾟを上書き保存(&P)\tCtrl+Shift+S", "Ctrl+Shift+S",
     "全ﾊﾟｰﾄのｾｯﾄｱｯﾌﾟを上書き保存\nｾｯﾄｱｯﾌﾟ保存"},
    {kIdSetupSaveAs, "ｾｯﾄｱｯﾌﾟに名前を付けて保存(&E)...", "",
     "全ﾊﾟｰﾄのｾｯﾄｱｯﾌﾟを新しい名前で保存\nｾｯﾄｱｯﾌﾟに名前を付けて保存"},
    // The captions of the recent set-ups are their file names, set while the program runs.
    {kIdRecentSetup1, "&1", "", "このｾｯﾄｱｯﾌﾟを開く\nｾｯﾄｱｯﾌﾟを開く"},
    {kIdRecentSetup1 + 1, "&2", "", "このｾｯﾄｱｯﾌﾟを開く\nｾｯﾄｱｯﾌﾟを開く"},
    {kIdRecentSetup1 + 2, "&3", "", "このｾｯﾄｱｯﾌﾟを開く\nｾｯﾄｱｯﾌﾟを開く"},
    {kIdRecentSetup1 + 3, "&4", "", "このｾｯﾄｱｯﾌﾟを開く\nｾｯﾄｱｯﾌﾟを開く"},
    {32787, "Vardelﾌｧｲﾙ出力(&C)...", "", "Vardelﾌｧｲﾙに出力\nVDL出力"},
    {kIdExportSmf, "SMFﾌｧｲﾙ出力(&M)...", "", "Standard MIDI Fileに出力\nSMF出力"},
    {kIdSysExOpen, "SysExﾌｧｲﾙを開く(&X)...", "", "SysExﾌｧｲﾙのﾊﾟｰﾄとｴﾌｪｸﾄを読込\nSysExﾌｧｲﾙを開く"},
    {kIdExportSysEx, "SysExﾌｧｲﾙ出力(&Y)...", "", "全ﾊﾟｰﾄのｾｯﾄｱｯﾌﾟをSysExﾌｧｲﾙに出力\nSysEx出力"},
    {57665, "ｱﾌﾟﾘｹｰｼｮﾝの終了(&X)\tAlt+F4", "", "ｱﾌﾟﾘｹｰｼｮﾝを終了\n終了"},
    {kIdEditUndo, "元に戻す(&U)\tCtrl+Z", "Ctrl+Z", "直前の操作を元に戻す\n元に戻す"},
    {kIdEditRedo, "やり直し(&R)\tCtrl+Y", "Ctrl+Y", "元に戻した操作をやり直す\nやり直し"},
    {kIdCopyPart, "ﾊﾟｰﾄをｺﾋﾟｰ\tCtrl+C", "Ctrl+C", "選択ﾊﾟｰﾄをｸﾘｯﾌﾟﾎﾞｰﾄﾞにｺﾋﾟｰ\nﾊﾟｰﾄをｺﾋﾟｰ"},
    {kIdPastePart, "ﾊﾟｰﾄに貼り付け\tCtrl+V", "Ctrl+V",
     "ｸﾘｯﾌﾟﾎﾞｰﾄﾞのﾊﾟｰﾄを選択ﾊﾟｰﾄに貼り付け\nﾊﾟｰﾄに貼り付け"},
    {kIdCopyAToB, "A→B ｺﾋﾟｰ", "", "AﾚｲﾔｰをBﾚｲﾔｰにｺﾋﾟｰ\nA→B ｺﾋﾟｰ"},
    {kIdCopyBToA, "B→A ｺﾋﾟｰ", "", "BﾚｲﾔｰをAﾚｲﾔｰにｺﾋﾟｰ\nB→A ｺﾋﾟｰ"},
    {kIdSwapLayers, "A⇔B 入替", "", "AﾚｲﾔｰとBﾚｲﾔｰを入れ替え\nA⇔B 入替"},
    {kIdCompare, "比較\tC", "C", "開いた時または保存した時の音と比較\n比較"},
    {kIdRandomize, "ﾗﾝﾀﾞﾏｲｽﾞ...", "", "選択ﾊﾟｰﾄの音を少しずつﾗﾝﾀﾞﾑに変える\nﾗﾝﾀﾞﾏｲｽﾞ"},
    {32772, "ﾌﾟﾛｸﾞﾗﾑ ﾁｪﾝｼﾞ...\tP", "P", "ﾌﾟﾛｸﾞﾗﾑ ﾁｪﾝｼﾞのﾀﾞｲｱﾛｸﾞを表示\nﾌﾟﾛｸﾞﾗﾑ ﾁｪﾝｼﾞ"},
    {32773, "ｴﾌｪｸﾀ ｴﾃﾞｨｯﾄ...\tE", "E", "ｴﾌｪｸﾀ ｴﾃﾞｨｯﾄのﾀﾞｲｱﾛｸﾞを表示\nｴﾌｪｸﾀ ｴﾃﾞｨｯﾄ"},
    {kIdDrumSetup, "ﾄﾞﾗﾑ ｾｯﾄｱｯﾌﾟ...\tR", "R", "ﾄﾞﾗﾑ ｾｯﾄｱｯﾌﾟのﾀﾞｲｱﾛｸﾞを表示\nﾄﾞﾗﾑ ｾｯﾄｱｯﾌﾟ"},
    {kIdPartDetail, "ﾊﾟｰﾄ 詳細...\tL", "L", "選択ﾊﾟｰﾄのA/Bﾚｲﾔｰの詳細ﾊﾟﾗﾒﾀを表示\nﾊﾟｰﾄ 詳細"},
    {32797, "ｿﾌﾄ ｷｰﾎﾞｰﾄﾞ...\tK", "K", "ｿﾌﾄ ｷｰﾎﾞｰﾄﾞを表示\nｿﾌﾄ ｷｰﾎﾞｰﾄﾞ"},
    {32775, "XG System On\tX", "X", "XG System Onを送信\nXG System On"},
    {32774, "GM System On\tG", "G", "GM System Onを送信\nGM System On"},
    {32798, "ﾊﾟﾗﾒﾀ 全送信\tF", "F", "選択CHのパラメタを全送信\n全送信"},
    {kIdSendAllParts, "全ﾊﾟｰﾄ送信\tShift+F", "Shift+F", "全ﾊﾟｰﾄのﾊﾟﾗﾒﾀを全送信\n全ﾊﾟｰﾄ送信"},
    {kIdModuleRead, "ﾓｼﾞｭｰﾙから読込(&R)\tCtrl+R", "Ctrl+R",
     "ﾓｼﾞｭｰﾙから全ﾊﾟｰﾄとｴﾌｪｸﾄを読込\nﾓｼﾞｭｰﾙから読込"},
    {kIdModuleReadPart, "選択ﾊﾟｰﾄを読込\tCtrl+Shift+R", "Ctrl+Shift+R",
     "ﾓｼﾞｭｰﾙから選択ﾊﾟｰﾄを読込\n選択ﾊﾟｰﾄを読込"},
    {32776, "Aﾎﾟｰﾄ\tA", "A", "Aﾎﾟｰﾄをﾌﾟﾚﾋﾞｭｰ\nAﾎﾟｰﾄ ﾌﾟﾚﾋﾞｭｰ"},
    {32777, "Bﾎﾟｰﾄ\tD", "D", "Bﾎﾟｰﾄをﾌﾟﾚﾋﾞｭｰ\nBﾎﾟｰﾄ ﾌﾟﾚﾋﾞｭｰ"},
    {32778, "ﾚｲﾔｰ\tS", "S", "ﾚｲﾔｰ音をﾌﾟﾚﾋﾞｭｰ\nﾚｲﾔｰ ﾌﾟﾚﾋﾞｭｰ"},
    {32779, "環境設定(&C)...", "", "環境設定のﾀﾞｲｱﾛｸﾞを表示\n環境設定"},
    {32793, "ﾏﾙﾁﾒﾃﾞｨｱ(&M)...", "", "ﾏﾙﾁﾒﾃﾞｨｱのﾌﾟﾛﾊﾟﾃｨを開く\nﾏﾙﾁﾒﾃﾞｨｱ"},
    {32788, "MIDIﾎﾟｰﾄ再初期化(&I)", "", "MIDIﾎﾟｰﾄを再初期化\nMIDIﾎﾟｰﾄ再初期化"},
    {32789, "MIDIﾎﾟｰﾄ開放(&R)", "", "MIDIﾎﾟｰﾄを開放\nMIDIﾎﾟｰﾄ開放"},
    {32795, "設定再読込(&L)", "", "設定ファイルを再読込\n設定再読込"},
    {59392, "ﾂｰﾙ ﾊﾞｰ(&T)", "", "ﾂｰﾙ ﾊﾞｰの 表示/非表示\nﾂｰﾙ ﾊﾞｰの表示切り替え"},
    {59393, "ｽﾃｰﾀｽ ﾊﾞｰ(&S)", "", "ｽﾃｰﾀｽ ﾊﾞｰの 表示/非表示\nｽﾃｰﾀｽ ﾊﾞｰの表示切り替え"},
    {32790, "ﾍﾙﾌﾟ(&H)...", "", "ﾍﾙﾌﾟを表示\nﾍﾙﾌﾟ"},
    {32785, "Homepage(&W)...", "", "Homepageを開く\nHomepage"},
    {32786, "e-mail(&M)...", "", "e-mailを送信\ne-mail"},
    {57664, "ﾊﾞｰｼﾞｮﾝ情報(&A)...", "", "ﾌﾟﾛｸﾞﾗﾑの情報、ﾊﾞｰｼﾞｮﾝそして著作権を表示\nﾊﾞｰｼﾞｮﾝ情報"},
});

using S = MenuStep;
constexpr std::array kMenuLayout = std::to_array<MenuStep>({
    {S::kMenu, 0, "ﾌｧｲﾙ(&F)"},
    {S::kCommand, kIdFileNew},
    {S::kCommand, kIdFileOpen},
    {S::kCommand, kIdFileSave},
    {S::kCommand, kIdFileSaveAs},
    {S::kSeparator},
    {S::kCommand, kIdSetupOpen},
    {S::kCommand, kIdSetupSave},
    {S::kCommand, kIdSetupSaveAs},
    {S::kSeparator},
    {S::kCommand, kIdRecentSetup1},
    {S::kCommand, kIdRecentSetup1 + 1},
    {S::kCommand, kIdRecentSetup1 + 2},
    {S::kCommand, kIdRecentSetup1 + 3},
    {S::kSeparator},
    {S::kCommand, kIdExportVardel},
    {S::kCommand, kIdExportSmf},
    {S::kSeparator},
    {S::kCommand, kIdSysExOpen},
    {S::kCommand, kIdExportSysEx},
    {S::kSeparator},
    {S::kCommand, kIdAppExit},
    {S::kMenu, 0, "編集(&E)"},
    {S::kCommand, kIdEditUndo},
    {S::kCommand, kIdEditRedo},
    {S::kSeparator},
    {S::kCommand, kIdCopyPart},
    {S::kCommand, kIdPastePart},
    {S::kSeparator},
    {S::kCommand, kIdCopyAToB},
    {S::kCommand, kIdCopyBToA},
    {S::kCommand, kIdSwapLayers},
    {S::kSeparator},
    {S::kCommand, kIdCompare},
    {S::kCommand, kIdRandomize},
    {S::kMenu, 0, "ﾂｰﾙ(&T)"},
    {S::kCommand, kIdProgramChange},
    {S::kCommand, kIdEffectEdit},
    {S::kCommand, kIdDrumSetup},
    {S::kCommand, kIdPartDetail},
    {S::kCommand, kIdSoftKeyboard},
    {S::kSeparator},
    {S::kCommand, kIdXgSystemOn},
    {S::kCommand, kIdGmSystemOn},
    {S::kCommand, kIdSendAll},
    {S::kCommand, kIdSendAllParts},
    {S::kSeparator},
    {S::kCommand, kIdModuleRead},
    {S::kCommand, kIdModuleReadPart},
    {S::kMenu, 0, "ﾌﾟﾚﾋﾞｭｰ(&V)"},
    {S::kCommand, kIdPreviewPortA},
    {S::kCommand, kIdPreviewPortB},
    {S::kCommand, kIdPreviewLayer},
    {S::kMenu, 0, "ｵﾌﾟｼｮﾝ(&O)"},
    {S::kCommand, kIdSettings},
    {S::kCommand, kIdMultimedia},
    {S::kSeparator},
    {S::kCommand, kIdReinitialiseMidi},
    {S::kCommand, kIdReleaseMidi},
    {S::kCommand, kIdReloadSettings},
    {S::kSeparator},
    {S::kCommand, kIdViewToolbar},
    {S::kCommand, kIdViewStatusBar},
    {S::kMenu, 0, "ﾍﾙﾌﾟ(&H)"},
    {S::kCommand, kIdHelp},
    {S::kSubmenu, 0, "作者"},
    {S::kCommand, kIdHomepage},
    {S::kCommand, kIdEmail},
    {S::kEndSubmenu},
    {S::kSeparator},
    {S::kCommand, kIdAppAbout},
});

constexpr std::array kToolbarLayout = std::to_array<int>({
    kIdFileNew,
    kIdFileOpen,
    kIdFileSave,
    kIdFileSaveAs,
    kIdExportVardel,
    kIdExportSmf,
    0,
    kIdProgramChange,
    kIdEffectEdit,
    kIdDrumSetup,
    kIdPartDetail,
    kIdSoftKeyboard,
    kIdXgSystemOn,
    kIdGmSystemOn,
    kIdSendAll,
    kIdSendAllParts,
    kIdCompare,
    0,
    kIdHelp,
    kIdAppAbout,
});

std::string_view Before(std::string_view text, char mark) {
    return text.substr(0, text.find(mark));
}

std::string_view After(std::string_view text, char mark) {
    const auto at = text.find(mark);
    return at == std::string_view::npos ? std::string_view{} : text.substr(at + 1);
}

}  // namespace

std::span<const CommandText> Commands() {
    return kCommands;
}

const CommandText* FindCommand(int id) {
    const auto found = std::ranges::find(kCommands, id, &CommandText::id);
    return found == kCommands.end() ? nullptr : &*found;
}

std::span<const MenuStep> MenuLayout() {
    return kMenuLayout;
}
std::span<const int> ToolbarLayout() {
    return kToolbarLayout;
}

std::string_view CaptionText(const CommandText& command) {
    return Before(command.caption, '\t');
}
std::string_view CaptionShortcut(const CommandText& command) {
    return After(command.caption, '\t');
}
std::string_view StatusTip(const CommandText& command) {
    return Before(command.prompt, '\n');
}
std::string_view ToolTip(const CommandText& command) {
    return After(command.prompt, '\n');
}

}  // namespace kq505
