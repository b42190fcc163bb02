// The main window as a user meets it: its menu, toolbar and status bar, the accelerators,
// the tool windows and the logo, and the commands of the frame.

#include <QComboBox>
#include <QDesktopServices>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QMimeData>
#include <QPushButton>
#include <QSlider>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QToolBar>
#include <QUrl>
#include <memory>
#include <set>
#include <vector>

#include "app/main_frame.h"
#include "app/small_windows.h"
#include "tests/support/message_catcher.h"
#include "tests/support/recording_app.h"
#include "view/kq505_view.h"

using namespace kq505;
using kq505::test::MessageCatcher;
using kq505::test::OnA;
using kq505::test::RecordingApp;

namespace {

// One line of a menu as the user sees it: id 0 is a separator.
struct MenuLine {
    QString path;
    int id;
    QString caption = {};  // as stored: caption, tab, accelerator text
    QString key = {};      // the accelerator table's key
    QString prompt = {};   // as stored: status-bar prompt, newline, tool tip
};

std::vector<MenuLine> ExpectedMenu() {
    return {
        {"ﾌｧｲﾙ(&F)", 57600, "新規作成(&N)\tCtrl+N", "Ctrl+N", "新規にﾌｧｲﾙを作成\n新規ﾌｧｲﾙ"},
        {"ﾌｧｲﾙ(&F)", 57601, "開く(&O)...\tCtrl+O", "Ctrl+O", "既存のﾌｧｲﾙを開く\n開く"},
        {"ﾌｧｲﾙ(&F)", 57603, "上書き保存(&S)\tCtrl+S", "Ctrl+S", "作業中のﾌｧｲﾙを上書き保存\n保存"},
        {"ﾌｧｲﾙ(&F)", 57604, "名前を付けて保存(&A)...", "",
         "作業中のﾌｧｲﾙを新しい名前で保存\n名前をつけて保存"},
        {"ﾌｧｲﾙ(&F)", 0},
        {"ﾌｧｲﾙ(&F)", 32810, "ｾｯﾄｱｯﾌﾟを開く(&U)...\tCtrl+Shift+O", "Ctrl+Shift+O",
         "全ﾊﾟｰﾄのｾｯﾄｱｯﾌﾟﾌｧｲﾙを開く\nｾｯﾄｱｯﾌﾟを開く"},
        {"ﾌｧｲﾙ(&F)", 32811, "ｾｯﾄｱｯﾌﾟを上書き保存(&P)\tCtrl+Shift+S", "Ctrl+Shift+S",
         "全ﾊﾟｰﾄのｾｯﾄｱｯﾌﾟを上書き保存\nｾｯﾄｱｯﾌﾟ保存"},
        {"ﾌｧｲﾙ(&F)", 32812, "ｾｯﾄｱｯﾌﾟに名前を付けて保存(&E)...", "",
         "全ﾊﾟｰﾄのｾｯﾄｱｯﾌﾟを新しい名前で保存\nｾｯﾄｱｯﾌﾟに名前を付けて保存"},
        {"ﾌｧｲﾙ(&F)", 0},
        {"ﾌｧｲﾙ(&F)", 32813, "&1", "", "このｾｯﾄｱｯﾌﾟを開く\nｾｯﾄｱｯﾌﾟを開く"},
        {"ﾌｧｲﾙ(&F)", 32814, "&2", "", "このｾｯﾄｱｯﾌﾟを開く\nｾｯﾄｱｯﾌﾟを開く"},
        {"ﾌｧｲﾙ(&F)", 32815, "&3", "", "このｾｯﾄｱｯﾌﾟを開く\nｾｯﾄｱｯﾌﾟを開く"},
        {"ﾌｧｲﾙ(&F)", 32816, "&4", "", "このｾｯﾄｱｯﾌﾟを開く\nｾｯﾄｱｯﾌﾟを開く"},
        {"ﾌｧｲﾙ(&F)", 0},
        {"ﾌｧｲﾙ(&F)", 32787, "Vardelﾌｧｲﾙ出力(&C)...", "", "Vardelﾌｧｲﾙに出力\nVDL出力"},
        {"ﾌｧｲﾙ(&F)", 32799, "SMFﾌｧｲﾙ出力(&M)...", "", "Standard MIDI Fileに出力\nSMF出力"},
        {"ﾌｧｲﾙ(&F)", 0},
        {"ﾌｧｲﾙ(&F)", 32821, "SysExﾌｧｲﾙを開く(&X)...", "",
         "SysExﾌｧｲﾙのﾊﾟｰﾄとｴﾌｪｸﾄを読込\nSysExﾌｧｲﾙを開く"},
        {"ﾌｧｲﾙ(&F)", 32820, "SysExﾌｧｲﾙ出力(&Y)...", "",
         "全ﾊﾟｰﾄのｾｯﾄｱｯﾌﾟをSysExﾌｧｲﾙに出力\nSysEx出力"},
        {"ﾌｧｲﾙ(&F)", 0},
        {"ﾌｧｲﾙ(&F)", 57665, "ｱﾌﾟﾘｹｰｼｮﾝの終了(&X)\tAlt+F4", "", "ｱﾌﾟﾘｹｰｼｮﾝを終了\n終了"},
        {"編集(&E)", 57643, "元に戻す(&U)\tCtrl+Z", "Ctrl+Z", "直前の操作を元に戻す\n元に戻す"},
        {"編集(&E)", 57644, "やり直し(&R)\tCtrl+Y", "Ctrl+Y", "元に戻した操作をやり直す\nやり直し"},
        {"編集(&E)", 0},
        {"編集(&E)", 32840, "ﾊﾟｰﾄをｺﾋﾟｰ\tCtrl+C", "Ctrl+C",
         "選択ﾊﾟｰﾄをｸﾘｯﾌﾟﾎﾞｰﾄﾞにｺﾋﾟｰ\nﾊﾟｰﾄをｺﾋﾟｰ"},
        {"編集(&E)", 32841, "ﾊﾟｰﾄに貼り付け\tCtrl+V", "Ctrl+V",
         "ｸﾘｯﾌﾟﾎﾞｰﾄﾞのﾊﾟｰﾄを選択ﾊﾟｰﾄに貼り付け\nﾊﾟｰﾄに貼り付け"},
        {"編集(&E)", 0},
        {"編集(&E)", 32842, "A→B ｺﾋﾟｰ", "", "AﾚｲﾔｰをBﾚｲﾔｰにｺﾋﾟｰ\nA→B ｺﾋﾟｰ"},
        {"編集(&E)", 32843, "B→A ｺﾋﾟｰ", "", "BﾚｲﾔｰをAﾚｲﾔｰにｺﾋﾟｰ\nB→A ｺﾋﾟｰ"},
        {"編集(&E)", 32844, "A⇔B 入替", "", "AﾚｲﾔｰとBﾚｲﾔｰを入れ替え\nA⇔B 入替"},
        {"編集(&E)", 0},
        {"編集(&E)", 32845, "比較\tC", "C", "開いた時または保存した時の音と比較\n比較"},
        {"編集(&E)", 32846, "ﾗﾝﾀﾞﾏｲｽﾞ...", "", "選択ﾊﾟｰﾄの音を少しずつﾗﾝﾀﾞﾑに変える\nﾗﾝﾀﾞﾏｲｽﾞ"},
        {"ﾂｰﾙ(&T)", 32772, "ﾌﾟﾛｸﾞﾗﾑ ﾁｪﾝｼﾞ...\tP", "P",
         "ﾌﾟﾛｸﾞﾗﾑ ﾁｪﾝｼﾞのﾀﾞｲｱﾛｸﾞを表示\nﾌﾟﾛｸﾞﾗﾑ ﾁｪﾝｼﾞ"},
        {"ﾂｰﾙ(&T)", 32773, "ｴﾌｪｸﾀ ｴﾃﾞｨｯﾄ...\tE", "E", "ｴﾌｪｸﾀ ｴﾃﾞｨｯﾄのﾀﾞｲｱﾛｸﾞを表示\nｴﾌｪｸﾀ ｴﾃﾞｨｯﾄ"},
        {"ﾂｰﾙ(&T)", 32822, "ﾄﾞﾗﾑ ｾｯﾄｱｯﾌﾟ...\tR", "R", "ﾄﾞﾗﾑ ｾｯﾄｱｯﾌﾟのﾀﾞｲｱﾛｸﾞを表示\nﾄﾞﾗﾑ ｾｯﾄｱｯﾌﾟ"},
        {"ﾂｰﾙ(&T)", 32830, "ﾊﾟｰﾄ 詳細...\tL", "L", "選択ﾊﾟｰﾄのA/Bﾚｲﾔｰの詳細ﾊﾟﾗﾒﾀを表示\nﾊﾟｰﾄ 詳細"},
        {"ﾂｰﾙ(&T)", 32797, "ｿﾌﾄ ｷｰﾎﾞｰﾄﾞ...\tK", "K", "ｿﾌﾄ ｷｰﾎﾞｰﾄﾞを表示\nｿﾌﾄ ｷｰﾎﾞｰﾄﾞ"},
        {"ﾂｰﾙ(&T)", 0},
        {"ﾂｰﾙ(&T)", 32775, "XG System On\tX", "X", "XG System Onを送信\nXG System On"},
        {"ﾂｰﾙ(&T)", 32774, "GM System On\tG", "G", "GM System Onを送信\nGM System On"},
        {"ﾂｰﾙ(&T)", 32798, "ﾊﾟﾗﾒﾀ 全送信\tF", "F", "選択CHのパラメタを全送信\n全送信"},
        {"ﾂｰﾙ(&T)", 32817, "全ﾊﾟｰﾄ送信\tShift+F", "Shift+F", "全ﾊﾟｰﾄのﾊﾟﾗﾒﾀを全送信\n全ﾊﾟｰﾄ送信"},
        {"ﾂｰﾙ(&T)", 0},
        {"ﾂｰﾙ(&T)", 32818, "ﾓｼﾞｭｰﾙから読込(&R)\tCtrl+R", "Ctrl+R",
         "ﾓｼﾞｭｰﾙから全ﾊﾟｰﾄとｴﾌｪｸﾄを読込\nﾓｼﾞｭｰﾙから読込"},
        {"ﾂｰﾙ(&T)", 32819, "選択ﾊﾟｰﾄを読込\tCtrl+Shift+R", "Ctrl+Shift+R",
         "ﾓｼﾞｭｰﾙから選択ﾊﾟｰﾄを読込\n選択ﾊﾟｰﾄを読込"},
        {"ﾌﾟﾚﾋﾞｭｰ(&V)", 32776, "Aﾎﾟｰﾄ\tA", "A", "Aﾎﾟｰﾄをﾌﾟﾚﾋﾞｭｰ\nAﾎﾟｰﾄ ﾌﾟﾚﾋﾞｭｰ"},
        {"ﾌﾟﾚﾋﾞｭｰ(&V)", 32777, "Bﾎﾟｰﾄ\tD", "D", "Bﾎﾟｰﾄをﾌﾟﾚﾋﾞｭｰ\nBﾎﾟｰﾄ ﾌﾟﾚﾋﾞｭｰ"},
        {"ﾌﾟﾚﾋﾞｭｰ(&V)", 32778, "ﾚｲﾔｰ\tS", "S", "ﾚｲﾔｰ音をﾌﾟﾚﾋﾞｭｰ\nﾚｲﾔｰ ﾌﾟﾚﾋﾞｭｰ"},
        {"ｵﾌﾟｼｮﾝ(&O)", 32779, "環境設定(&C)...", "", "環境設定のﾀﾞｲｱﾛｸﾞを表示\n環境設定"},
        {"ｵﾌﾟｼｮﾝ(&O)", 32793, "ﾏﾙﾁﾒﾃﾞｨｱ(&M)...", "", "ﾏﾙﾁﾒﾃﾞｨｱのﾌﾟﾛﾊﾟﾃｨを開く\nﾏﾙﾁﾒﾃﾞｨｱ"},
        {"ｵﾌﾟｼｮﾝ(&O)", 0},
        {"ｵﾌﾟｼｮﾝ(&O)", 32788, "MIDIﾎﾟｰﾄ再初期化(&I)", "", "MIDIﾎﾟｰﾄを再初期化\nMIDIﾎﾟｰﾄ再初期化"},
        {"ｵﾌﾟｼｮﾝ(&O)", 32789, "MIDIﾎﾟｰﾄ開放(&R)", "", "MIDIﾎﾟｰﾄを開放\nMIDIﾎﾟｰﾄ開放"},
        {"ｵﾌﾟｼｮﾝ(&O)", 32795, "設定再読込(&L)", "", "設定ファイルを再読込\n設定再読込"},
        {"ｵﾌﾟｼｮﾝ(&O)", 0},
        {"ｵﾌﾟｼｮﾝ(&O)", 59392, "ﾂｰﾙ ﾊﾞｰ(&T)", "", "ﾂｰﾙ ﾊﾞｰの 表示/非表示\nﾂｰﾙ ﾊﾞｰの表示切り替え"},
        {"ｵﾌﾟｼｮﾝ(&O)", 59393, "ｽﾃｰﾀｽ ﾊﾞｰ(&S)", "",
         "ｽﾃｰﾀｽ ﾊﾞｰの 表示/非表示\nｽﾃｰﾀｽ ﾊﾞｰの表示切り替え"},
        {"ﾍﾙﾌﾟ(&H)", 32790, "ﾍﾙﾌﾟ(&H)...", "", "ﾍﾙﾌﾟを表示\nﾍﾙﾌﾟ"},
        {"ﾍﾙﾌﾟ(&H)/作者", 32785, "Homepage(&W)...", "", "Homepageを開く\nHomepage"},
        {"ﾍﾙﾌﾟ(&H)/作者", 32786, "e-mail(&M)...", "", "e-mailを送信\ne-mail"},
        {"ﾍﾙﾌﾟ(&H)", 0},
        {"ﾍﾙﾌﾟ(&H)", 57664, "ﾊﾞｰｼﾞｮﾝ情報(&A)...", "",
         "ﾌﾟﾛｸﾞﾗﾑの情報、ﾊﾞｰｼﾞｮﾝそして著作権を表示\nﾊﾞｰｼﾞｮﾝ情報"},
    };
}

void Flatten(const QMenu& menu, const QString& path, std::vector<MenuLine>& lines) {
    for (QAction* action : menu.actions()) {
        if (action->isSeparator()) {
            lines.push_back({path, 0});
        } else if (action->menu()) {
            Flatten(*action->menu(), path + "/" + action->menu()->title(), lines);
        } else {
            lines.push_back({path, action->data().toInt(), action->text(),
                             action->shortcut().toString(QKeySequence::PortableText),
                             action->statusTip() + "\n" + action->toolTip()});
        }
    }
}

// A frame over a recording application, shown and active, as the user finds it.
struct ShownFrame {
    explicit ShownFrame(int show_logo = 0) {
        rec.app.show_logo = show_logo;
        frame = std::make_unique<CMainFrame>(rec.app);
        frame->show();
        Activate();
    }
    void Activate() {
        frame->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(frame.get()));
    }
    void Press(Qt::Key key) { QTest::keyClick(frame.get(), key); }

    RecordingApp rec;
    std::unique_ptr<CMainFrame> frame;
};

bool HasLabel(const QWidget& window, const QString& text) {
    for (const QLabel* label : window.findChildren<QLabel*>()) {
        if (label->text() == text) return true;
    }
    return false;
}

QStringList ButtonTexts(const QWidget& window) {
    QStringList texts;
    for (const QPushButton* button : window.findChildren<QPushButton*>())
        texts << button->text();
    return texts;
}

// Records the addresses handed to the desktop instead of opening them.
class UrlRecorder : public QObject {
    Q_OBJECT

  public:
    UrlRecorder() {
        for (const char* scheme : {"file", "https", "mailto"}) {
            QDesktopServices::setUrlHandler(scheme, this, "Open");
        }
    }
    ~UrlRecorder() override {
        for (const char* scheme : {"file", "https", "mailto"}) {
            QDesktopServices::unsetUrlHandler(scheme);
        }
    }
    QList<QUrl> urls;

  public slots:
    void Open(const QUrl& url) { urls << url; }
};

void WriteScript(const QString& path, const QByteArray& body) {
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(body);
    file.close();
    file.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
}

}  // namespace

class MainFrameTest : public QObject {
    Q_OBJECT

  private slots:
    void MenuHoldsEveryCommandAsStored() {
        RecordingApp rec;
        CMainFrame frame(rec.app);
        std::vector<MenuLine> actual;
        for (QAction* top : frame.menuBar()->actions())
            Flatten(*top->menu(), top->text(), actual);

        const std::vector<MenuLine> expected = ExpectedMenu();
        QCOMPARE(actual.size(), expected.size());
        for (std::size_t i = 0; i < expected.size(); ++i) {
            const MenuLine& want = expected[i];
            const MenuLine& got = actual[i];
            QCOMPARE(got.path, want.path);
            QCOMPARE(got.id, want.id);
            if (want.id == 0) continue;
            const QString caption = want.caption.section('\t', 0, 0);
            const QString shortcut_text = want.caption.section('\t', 1);
            QCOMPARE(got.caption, caption);
            QCOMPARE(got.prompt, want.prompt);
            // The accelerator, or for the exit command the key that its caption shows.
            QCOMPARE(got.key, want.key.isEmpty() ? shortcut_text : want.key);
            QAction* action = frame.Action(want.id);
            QCOMPARE(action->objectName(), QString::number(want.id));
            QCOMPARE(action->shortcutContext(), Qt::WindowShortcut);
        }
    }

    void ToolbarFollowsTheCommandOrder() {
        RecordingApp rec;
        CMainFrame frame(rec.app);
        auto* bar = frame.findChild<QToolBar*>();
        QVERIFY(bar);
        QList<int> ids;
        for (QAction* action : bar->actions()) {
            ids << (action->isSeparator() ? 0 : action->data().toInt());
            if (!action->isSeparator()) {
                QVERIFY2(!action->icon().isNull(), qPrintable(action->objectName()));
                QVERIFY(!action->toolTip().isEmpty());
                QVERIFY(!action->statusTip().isEmpty());
            }
        }
        const QList<int> expected = {57600, 57601, 57603, 57604, 32787, 32799, 0,
                                     32772, 32773, 32822, 32830, 32797, 32775, 32774,
                                     32798, 32817, 32845, 0,     32790, 57664};
        QCOMPARE(ids, expected);
        QCOMPARE(frame.toolBarArea(bar), Qt::TopToolBarArea);
        QVERIFY(bar->isMovable());
        QVERIFY(bar->isFloatable());
        QCOMPARE(bar->allowedAreas(), Qt::AllToolBarAreas);
    }

    void WindowKeepsItsSizeAndShowsItsPanes() {
        ShownFrame shown;
        CMainFrame& frame = *shown.frame;
        QCOMPARE(frame.windowTitle(), QStringLiteral("KQ505 - 無題"));
        QVERIFY(!(frame.windowFlags() & Qt::WindowMaximizeButtonHint));
        QVERIFY(frame.windowFlags() & Qt::WindowMinimizeButtonHint);
        QCOMPARE(frame.minimumSize(), frame.maximumSize());
        QCOMPARE(frame.View()->size(), QSize(674, 360));

        QStatusBar* bar = frame.statusBar();
        auto* idle = bar->findChild<QLabel*>(QStringLiteral("idleMessage"));
        QVERIFY(idle && idle->isVisible());
        QCOMPARE(idle->text(), QStringLiteral("ﾚﾃﾞｨ"));
        // The lock panes in their order; this platform tells no locks, so all are blank.
        QList<QLabel*> panes = bar->findChildren<QLabel*>();
        panes.removeOne(idle);
        std::sort(panes.begin(), panes.end(), [](QLabel* a, QLabel* b) { return a->x() < b->x(); });
        QStringList names;
        for (QLabel* pane : panes) {
            names << pane->objectName();
            QVERIFY(pane->text().isEmpty());
            QVERIFY(pane->width() >= pane->fontMetrics().horizontalAdvance(pane->objectName()));
        }
        QCOMPARE(names, (QStringList{"ｶﾅ", "CAP", "NUM", "SCRL"}));

        // A button's prompt covers the idle text while the mouse is over it.
        auto* tools = frame.findChild<QToolBar*>();
        QWidget* button = tools->widgetForAction(frame.Action(32775));
        QTest::mouseMove(button, button->rect().center());
        QTRY_COMPARE(bar->currentMessage(), QStringLiteral("XG System Onを送信"));
        QVERIFY(!idle->isVisible());
        QTest::mouseMove(frame.View(), frame.View()->rect().center());
        QTRY_VERIFY(bar->currentMessage().isEmpty());
        QVERIFY(idle->isVisible());
    }

    void BarsShowAndHideFromTheOptionsMenu() {
        ShownFrame shown;
        CMainFrame& frame = *shown.frame;
        auto* bar = frame.findChild<QToolBar*>();
        QAction* toolbar = frame.Action(59392);
        QAction* status = frame.Action(59393);
        QVERIFY(toolbar->isChecked() && status->isChecked());
        toolbar->trigger();
        QVERIFY(bar->isHidden());
        QVERIFY(!toolbar->isChecked());
        status->trigger();
        QVERIFY(frame.statusBar()->isHidden());
        QVERIFY(!status->isChecked());
        toolbar->trigger();
        status->trigger();
        QVERIFY(bar->isVisible() && frame.statusBar()->isVisible());
        QVERIFY(toolbar->isChecked() && status->isChecked());
    }

    void LettersToggleTheToolWindows() {
        ShownFrame shown;
        CMainFrame& frame = *shown.frame;
        struct Case {
            Qt::Key key;
            int id;
            QWidget* (CMainFrame::*window)() const;
            QString title;
            QString text;
            QStringList buttons;
        };
        const QList<Case> cases = {
            {Qt::Key_P, 32772, &CMainFrame::ProgramChangeWindow, "ﾌﾟﾛｸﾞﾗﾑ ﾁｪﾝｼﾞ", "MAP :", {}},
            {Qt::Key_E,
             32773,
             &CMainFrame::EffectEditWindow,
             "ｴﾌｪｸﾀ ｴﾃﾞｨｯﾄ",
             "ﾀｲﾌﾟ",
             {"OK", "ｷｬﾝｾﾙ"}},
            {Qt::Key_R,
             32822,
             &CMainFrame::DrumSetupWindow,
             "ﾄﾞﾗﾑ ｾｯﾄｱｯﾌﾟ",
             "ﾊﾟｰﾄﾓｰﾄﾞ A",
             {"ﾄﾞﾗﾑｾｯﾄｱｯﾌﾟ ﾘｾｯﾄ"}},
            {Qt::Key_K,
             32797,
             &CMainFrame::SoftKeyboardWindow,
             "KQ505 - SoftwareKeyboard",
             "C1～C5",
             {"< Oct", "Oct >"}},
        };
        for (const Case& c : cases) {
            shown.Press(c.key);
            QPointer<QWidget> window = (frame.*c.window)();
            QVERIFY(window && window->isVisible());
            QCOMPARE(window->windowTitle(), c.title);
            QVERIFY(HasLabel(*window, c.text));
            QCOMPARE(ButtonTexts(*window), c.buttons);
            QVERIFY(frame.Action(c.id)->isChecked());

            shown.Activate();
            shown.Press(c.key);
            QVERIFY(!frame.Action(c.id)->isChecked());
            QTRY_VERIFY(window.isNull());
            QVERIFY(!(frame.*c.window)());
        }
    }

    void ToolWindowClosedByItselfIsBuiltAfresh() {
        ShownFrame shown;
        CMainFrame& frame = *shown.frame;
        QAction* effect = frame.Action(32773);
        // Its close box, then its own buttons and Esc: each closes and deletes the window.
        const QList<std::function<void(QWidget&)>> closings = {
            [](QWidget& w) { w.close(); },
            [](QWidget& w) { w.findChildren<QPushButton*>().at(0)->click(); },
            [](QWidget& w) { w.findChildren<QPushButton*>().at(1)->click(); },
            [](QWidget& w) { QTest::keyClick(&w, Qt::Key_Escape); },
        };
        for (const auto& close : closings) {
            effect->trigger();
            QPointer<QWidget> first = frame.EffectEditWindow();
            QVERIFY(first && effect->isChecked());
            close(*first);
            QVERIFY(!effect->isChecked());
            QTRY_VERIFY(first.isNull());

            effect->trigger();
            QPointer<QWidget> second = frame.EffectEditWindow();
            QVERIFY(second && second->isVisible());
            QVERIFY(effect->isChecked());
            effect->trigger();
            QTRY_VERIFY(second.isNull());
        }
    }

    void LogoOnlyWhenAskedAndGoneAfterTwoSeconds() {
        for (const int setting : {0, 2}) {
            RecordingApp rec;
            rec.app.show_logo = setting;
            CMainFrame frame(rec.app);
            QVERIFY(!frame.findChild<CLogoWnd*>());
            QVERIFY(!frame.findChild<QTimer*>(QStringLiteral("logoTimer")));
            QCOMPARE(frame.LogoTimerId(), 0);
        }
        QElapsedTimer clock;
        clock.start();
        ShownFrame shown(1);
        QPointer<CLogoWnd> logo = shown.frame->LogoWindow();
        QVERIFY(logo && logo->isVisible());
        QVERIFY(HasLabel(*logo, QStringLiteral("KQ505 ver.2.00 Preview Release")));
        QVERIFY(HasLabel(*logo, QStringLiteral("Now printing...")));
        QVERIFY(shown.frame->LogoTimerId() != 0);
        QTRY_VERIFY_WITH_TIMEOUT(logo.isNull(), 4000);
        QVERIFY(clock.elapsed() >= 1990);
        QCOMPARE(shown.frame->LogoTimerId(), 0);
        QTRY_VERIFY(!shown.frame->findChild<QTimer*>(QStringLiteral("logoTimer")));
    }

    void WindowsGoWithTheFrame() {
        ShownFrame shown(1);
        shown.frame->Action(32773)->trigger();
        shown.frame->Action(32797)->trigger();
        shown.frame->Action(32822)->trigger();
        const QList<QPointer<QWidget>> windows = {
            shown.frame->EffectEditWindow(), shown.frame->DrumSetupWindow(),
            shown.frame->SoftKeyboardWindow(), shown.frame->LogoWindow()};
        shown.frame.reset();
        for (const QPointer<QWidget>& window : windows)
            QVERIFY(window.isNull());
    }

    void LettersReachTheViewWhileItsControlsHaveTheFocus() {
        ShownFrame shown;
        CKQ505View* view = shown.frame->View();
        auto* slider = new QSlider(Qt::Horizontal, view);
        auto* combo = new QComboBox(view);
        combo->addItems({"#01 :", "Xylophone", "Grand"});
        slider->show();
        combo->show();
        shown.rec.log.TakeEvents();

        slider->setFocus();
        QTRY_VERIFY(slider->hasFocus());
        QTest::keyClick(slider, Qt::Key_X);
        QCOMPARE(
            shown.rec.log.TakeEvents(),
            (std::vector<MidiEvent>{OnA({0xF0, 0x43, 0x10, 0x4C, 0x00, 0x00, 0x7E, 0x00, 0xF7})}));

        combo->setFocus();
        QTRY_VERIFY(combo->hasFocus());
        QTest::keyClick(combo, Qt::Key_G);
        QCOMPARE(shown.rec.log.TakeEvents(),
                 (std::vector<MidiEvent>{OnA({0xF0, 0x7E, 0x7F, 0x09, 0x01, 0xF7})}));
        // The key went to the command, not to the list's search by first letter.
        QTest::keyClick(combo, Qt::Key_X);
        QCOMPARE(combo->currentIndex(), 0);
        shown.rec.log.TakeEvents();

        QTest::keyClick(combo, Qt::Key_F);
        QVERIFY(!shown.rec.log.TakeEvents().empty());
    }

    void ReleasingIsSilentAndReopeningTellsEachFailureAsAtStart() {
        ShownFrame shown;
        RecordingApp& rec = shown.rec;
        CMainFrame& frame = *shown.frame;
        MessageCatcher catcher;
        frame.Action(32789)->trigger();
        QVERIFY(!rec.app.midi_out_a->IsOpen() && !rec.app.midi_out_b->IsOpen());

        struct Case {
            std::set<int> failing_a, failing_b;
            QStringList messages;
        };
        const QString a = QStringLiteral("MIDI OUT Aの初期化に失敗しました");
        const QString b = QStringLiteral("MIDI OUT Bの初期化に失敗しました");
        for (const Case& c : {Case{{}, {1}, {b}}, Case{{0}, {}, {a}},
                              Case{{0}, {1}, {a + '\n' + b}}, Case{{}, {}, {}}}) {
            rec.out(Port::A).failing_devices = c.failing_a;
            rec.out(Port::B).failing_devices = c.failing_b;
            rec.out(Port::A).opened_devices.clear();
            rec.out(Port::B).opened_devices.clear();
            frame.Action(32788)->trigger();
            QTest::qWait(50);
            QCOMPARE(catcher.texts, c.messages);
            catcher.texts.clear();
            QCOMPARE(rec.out(Port::A).opened_devices, std::vector<int>{0});
            QCOMPARE(rec.out(Port::B).opened_devices, std::vector<int>{1});
            QCOMPARE(rec.app.midi_out_a->IsOpen(), c.failing_a.empty());
        }
    }

    void ALostServerIsShownUntilThePortsOpenAgain() {
        ShownFrame shown;
        bool lost = false;
        shown.rec.app.midi_server_lost = [&lost] { return lost; };
        CMainFrame& frame = *shown.frame;
        const QString text = QStringLiteral("JACKｻｰﾊﾞｰが停止しました");
        const auto shown_now = [&] {
            const auto* label = frame.findChild<QLabel*>(QStringLiteral("serverState"));
            return label != nullptr && label->isVisible() && label->text() == text;
        };
        QTest::qWait(600);  // a look or more at a running server
        QVERIFY(!shown_now());
        lost = true;
        QTRY_VERIFY(shown_now());  // the frame looks by itself
        lost = false;              // the client was closed: nothing is open yet
        frame.LookAtServer();
        QVERIFY(shown_now());

        MessageCatcher catcher;
        shown.rec.out(Port::A).failing_devices = {0};
        shown.rec.out(Port::B).failing_devices = {1};
        frame.Action(32788)->trigger();
        QTRY_COMPARE(catcher.texts.size(), 1);  // one box for both
        QVERIFY(shown_now());
        shown.rec.out(Port::B).failing_devices.clear();
        frame.Action(32788)->trigger();
        QVERIFY(!shown_now());
    }

    void ReleaseEndsASoundingPreviewFirst() {
        ShownFrame shown;
        shown.rec.app.preview_gate_ms = 60000;
        shown.Press(Qt::Key_S);
        QCOMPARE(shown.rec.log.TakeEvents().size(), std::size_t(2));
        shown.frame->Action(32789)->trigger();
        QCOMPARE(shown.rec.log.TakeEvents().size(), std::size_t(32));
        QVERIFY(!shown.rec.app.midi_out_a->IsOpen());
    }

    void ReloadShowsTheNamesOfTheNewModuleAtOnce() {
        ShownFrame shown;
        CKQ505App& app = shown.rec.app;
        app.instrument_text =
            "; names by level\r\nM 000 000 001     0   Piano\r\nM 000 000 001     1   Grand\r\n";
        app.module_level = 0;
        shown.frame->Action(32795)->trigger();
        auto* name = qobject_cast<QLineEdit*>(shown.frame->View()->Control(1004));
        QVERIFY(name != nullptr);
        QCOMPARE(name->text(), QStringLiteral("Piano"));
        app.module_level = 1;
        shown.frame->Action(32795)->trigger();
        QCOMPARE(name->text(), QStringLiteral("Grand"));
    }

    void ReloadShowsTheSecondCakewalkDefinitionForModuleOne() {
        ShownFrame shown;
        CKQ505App& app = shown.rec.app;
        app.instrument_text =
            "; two instruments\r\n.Patch Names\r\n[One]\r\n0=First Piano\r\n[Two]\r\n"
            "0=Second Piano\r\n.Instrument Definitions\r\n[Module A]\r\nPatch[0]=One\r\n"
            "[Module B]\r\nPatch[0]=Two\r\n";
        app.module_level = 0;
        shown.frame->Action(32795)->trigger();
        auto* name = qobject_cast<QLineEdit*>(shown.frame->View()->Control(1004));
        QVERIFY(name != nullptr);
        QCOMPARE(name->text(), QStringLiteral("First Piano"));
        QCOMPARE(QString::fromStdString(app.module_names[1]), QStringLiteral("Module B"));
        app.module_level = 1;
        shown.frame->Action(32795)->trigger();
        QCOMPARE(name->text(), QStringLiteral("Second Piano"));
    }

    void MultimediaStartsTheFirstToolThatRuns() {
        QTemporaryDir bin;
        const QString marker = bin.filePath("started");
        // Found first but not a program: the next one is tried.
        WriteScript(bin.filePath("qpwgraph"), "not a program\n");
        WriteScript(bin.filePath("qjackctl"),
                    "#!/bin/sh\necho qjackctl > '" + marker.toUtf8() + "'\n");
        WriteScript(bin.filePath("pavucontrol"),
                    "#!/bin/sh\necho pavucontrol > '" + marker.toUtf8() + "'\n");
        const QByteArray saved_path = qgetenv("PATH");
        qputenv("PATH", QFile::encodeName(bin.path()));

        ShownFrame shown;
        MessageCatcher catcher;
        shown.frame->Action(32793)->trigger();
        QTRY_VERIFY(QFile::exists(marker));
        QFile started(marker);
        QVERIFY(started.open(QIODevice::ReadOnly));
        QCOMPARE(started.readAll().trimmed(), QByteArray("qjackctl"));
        QVERIFY(catcher.texts.isEmpty());

        qputenv("PATH", QFile::encodeName(bin.filePath("empty")));
        shown.frame->Action(32793)->trigger();
        qputenv("PATH", saved_path);
        QCOMPARE(catcher.texts, QStringList{"マルチメディアプロパティの起動に失敗しました。\n"
                                            "見つからないか起動できなかったプログラム: "
                                            "qpwgraph, qjackctl, pavucontrol"});
        QCOMPARE(catcher.titles, QStringList{"KQ505"});
    }

    void HelpAndAuthorAddressesGoToTheDesktop() {
        UrlRecorder recorder;
        ShownFrame shown;
        const QByteArray saved = qgetenv("XDG_DATA_HOME");
        QTemporaryDir data;
        qputenv("XDG_DATA_HOME", QFile::encodeName(data.path()));

        shown.frame->Action(32790)->trigger();  // nothing installed: the stored page
        const QString page = data.filePath(QCoreApplication::applicationName() + "/help/index.htm");
        QVERIFY(QDir().mkpath(QFileInfo(page).path()));
        WriteScript(page, "<html></html>");
        shown.frame->Action(32790)->trigger();
        shown.frame->Action(32785)->trigger();
        shown.frame->Action(32786)->trigger();
        qputenv("XDG_DATA_HOME", saved);

        QCOMPARE(recorder.urls.size(), 4);
        QCOMPARE(recorder.urls[0], QUrl::fromLocalFile("/help/index.htm"));
        QCOMPARE(recorder.urls[1], QUrl::fromLocalFile(page));
        QCOMPARE(recorder.urls[2].scheme(), QStringLiteral("https"));
        QCOMPARE(recorder.urls[3].scheme(), QStringLiteral("mailto"));
    }

    void HelpSaysSoWhenNothingOpensThePage() {
        ShownFrame shown;
        MessageCatcher catcher;
        // The offscreen platform has no program for local files, as a desktop without one.
        shown.frame->Action(32790)->trigger();
        QCOMPARE(catcher.texts.size(), 1);
        QVERIFY(catcher.texts[0].startsWith("ヘルプを開くプログラムが見つかりませんでした。\n"));
        QVERIFY(catcher.texts[0].endsWith("help/index.htm"));
        UrlRecorder recorder;
        shown.frame->Action(32790)->trigger();
        QCOMPARE(recorder.urls.size(), 1);
        QCOMPARE(catcher.texts.size(), 1);
    }

    void AboutBoxIsModalWithOk() {
        ShownFrame shown;
        QStringList seen;
        QTimer probe;
        connect(&probe, &QTimer::timeout, [&] {
            auto* box = qobject_cast<QDialog*>(QApplication::activeModalWidget());
            if (!box) return;
            seen = ButtonTexts(*box);
            box->findChildren<QPushButton*>().at(0)->click();
        });
        probe.start(10);
        shown.frame->Action(57664)->trigger();  // returns once the box is closed
        QCOMPARE(seen, QStringList{"&OK"});
    }

    void DroppedFilesAreAccepted() {
        ShownFrame shown;
        QMimeData files;
        files.setUrls({QUrl::fromLocalFile("/tmp/voice.kqs")});
        QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &files, Qt::LeftButton,
                              Qt::NoModifier);
        QApplication::sendEvent(shown.frame.get(), &enter);
        QVERIFY(enter.isAccepted());
        QMimeData text;
        text.setUrls({QUrl("https://example.org/voice.kqs")});
        QDragEnterEvent other(QPoint(10, 10), Qt::CopyAction, &text, Qt::LeftButton,
                              Qt::NoModifier);
        QApplication::sendEvent(shown.frame.get(), &other);
        QVERIFY(!other.isAccepted());
    }
};

QTEST_MAIN(MainFrameTest)
#include "main_frame_test.moc"
