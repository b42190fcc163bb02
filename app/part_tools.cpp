#include "app/part_tools.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QLabel>
#include <QMenu>
#include <QMimeData>
#include <QMouseEvent>
#include <QStatusBar>
#include <QTimer>
#include <algorithm>
#include <array>

#include "app/frame_commands.h"
#include "app/ini_store.h"
#include "app/kq505_app.h"
#include "app/main_frame.h"
#include "app/randomize_dlg.h"
#include "model/midi_learn.h"
#include "model/part_clipboard.h"
#include "model/part_compare.h"
#include "view/form_layout.h"
#include "view/kq505_view.h"
#include "view/track_label.h"

namespace kq505 {
namespace {

constexpr int kLearnPollMilliseconds = 20;
constexpr int kStatusMilliseconds = 5000;

// Commands that leave a compare running: it is there to be heard, and these only listen,
// look or copy what is heard.
constexpr std::array kKeepCompare{
    kIdCompare,     kIdPreviewPortA,  kIdPreviewPortB, kIdPreviewLayer, kIdSoftKeyboard,
    kIdViewToolbar, kIdViewStatusBar, kIdHelp,         kIdHomepage,     kIdEmail,
    kIdAppAbout,    kIdMultimedia,    kIdCopyPart,     kIdSendAll};

QString Utf8(const std::string& text) {
    return QString::fromStdString(text);
}

QString PartText(int part) {
    return QStringLiteral("#%1").arg(part + 1, 2, 10, QLatin1Char('0'));
}

QString RowsText(const std::vector<Row>& rows) {
    QStringList names;
    for (Row row : rows)
        names << Utf8(RowLabel(row));
    return names.join(QStringLiteral(", "));
}

}  // namespace

CPartTools::CPartTools(CKQ505App& app, CMainFrame& frame)
    : QObject(&frame), app_(app), frame_(frame) {
    EndCommandsCompare();
    const auto on = [this](int id, auto&& handler) {
        connect(frame_.Action(id), &QAction::triggered, this, handler);
    };
    on(kIdCopyPart, [this] { OnCopy(); });
    on(kIdPastePart, [this] { OnPaste(); });
    const auto layers = [this](LayerOperation operation) {
        ApplyLayerOperation(app_, operation);
        frame_.View()->RefreshPart();
    };
    on(kIdCopyAToB, [layers] { layers(LayerOperation::kCopyAToB); });
    on(kIdCopyBToA, [layers] { layers(LayerOperation::kCopyBToA); });
    on(kIdSwapLayers, [layers] { layers(LayerOperation::kSwap); });
    frame_.Action(kIdCompare)->setCheckable(true);
    on(kIdCompare, [this](bool on_now) { OnCompare(on_now); });
    on(kIdRandomize, [this] { OnRandomize(); });

    CKQ505View* view = frame_.View();
    view_ = view;
    // Another part: a compare ends on its own part, and a controller's movement is a step of
    // the part it moved.
    connect(view, &CKQ505View::PartSelected, this, [this] {
        app_.midi_learn.EndMovement(app_);
        EndCompareShown();
    });
    view->installEventFilter(this);
    frame_.installEventFilter(this);

    learn_timer_ = new QTimer(this);
    learn_timer_->setObjectName(QStringLiteral("learnTimer"));
    connect(learn_timer_, &QTimer::timeout, this, &CPartTools::PollLearn);
    if (!app_.ini_path.empty()) {
        if (const std::optional<IniDocument> ini = LoadIniFile(app_.ini_path))
            SetLearnBindings(app_, ReadLearnSection(*ini));
    }
    FollowLearn();
}

CPartTools::~CPartTools() = default;

void CPartTools::EndCommandsCompare() {
    for (const CommandText& command : Commands()) {
        if (std::ranges::find(kKeepCompare, command.id) != kKeepCompare.end()) continue;
        QAction* action = frame_.Action(command.id);
        // Connected before the frame's own handlers, so it runs first.
        connect(action, &QAction::triggered, this, [this] {
            app_.midi_learn.EndMovement(app_);
            EndCompareShown();
        });
    }
}

void CPartTools::Say(const QString& text) {
    frame_.statusBar()->showMessage(text, kStatusMilliseconds);
}

void CPartTools::ShowPartAgain() {
    CKQ505View* view = frame_.View();
    const int part = app_.selected_part;
    const std::string& name = app_.track_names[part];
    view->SetTrackEntryText(part, name.empty() ? PartLabel(part) : TrackEntryText(part, name));
    view->RefreshPart();
}

void CPartTools::OnCopy() {
    const auto bytes = PartClipBytes(app_);
    const std::string text = PartClipText(app_);
    auto* mime = new QMimeData;
    mime->setData(QString::fromLatin1(kPartMimeType.data(), kPartMimeType.size()),
                  QByteArray(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
    mime->setText(Utf8(text));
    QGuiApplication::clipboard()->setMimeData(mime);
    Say(PartText(app_.selected_part) + QStringLiteral(" をｸﾘｯﾌﾟﾎﾞｰﾄﾞにｺﾋﾟｰしました"));
}

void CPartTools::OnPaste() {
    const QMimeData* mime = QGuiApplication::clipboard()->mimeData();
    std::optional<PartClip> clip;
    const QString format = QString::fromLatin1(kPartMimeType.data(), kPartMimeType.size());
    if (mime && mime->hasFormat(format)) {
        const QByteArray data = mime->data(format);
        clip = ClipFromBytes(std::span(reinterpret_cast<const std::uint8_t*>(data.constData()),
                                       static_cast<std::size_t>(data.size())));
    }
    if (!clip && mime && mime->hasText()) clip = ClipFromText(mime->text().toStdString());
    if (!clip) {
        Say(QStringLiteral("ｸﾘｯﾌﾟﾎﾞｰﾄﾞの内容はﾊﾟｰﾄではないため、貼り付けられません"));
        return;
    }
    PastePart(app_, *clip);
    ShowPartAgain();
    Say(PartText(app_.selected_part) + QStringLiteral(" に貼り付けました"));
}

void CPartTools::OnCompare(bool on) {
    if (on) {
        app_.midi_learn.EndMovement(app_);
        StartCompare(app_);
    } else {
        EndCompare(app_);
    }
    ShowCompareState();
    frame_.View()->RefreshPart();
}

void CPartTools::EndCompareShown() {
    if (!Comparing(app_)) return;
    EndCompare(app_);
    ShowCompareState();
    frame_.View()->RefreshPart();
}

void CPartTools::ShowCompareState() {
    const bool comparing = Comparing(app_);
    frame_.Action(kIdCompare)->setChecked(comparing);
    // Made at the first compare, as the other panes of the bar are when they have a word.
    if (comparing && compare_state_ == nullptr) {
        // A word shown meanwhile would stay drawn over the idle text the new pane lays out.
        frame_.statusBar()->clearMessage();
        compare_state_ = new QLabel(QStringLiteral("比較中"), frame_.statusBar());
        compare_state_->setObjectName(QStringLiteral("compareState"));
        frame_.statusBar()->insertWidget(1, compare_state_);  // beside the idle text
    }
    if (compare_state_ != nullptr) compare_state_->setVisible(comparing);
    // The form is read-only meanwhile; the part selector stays, choosing a part ends it.
    for (const FormControl& control : kFormControls) {
        if (control.id == kIdTrackCombo || control.kind == ControlKind::kEdit) continue;
        if (QWidget* widget = frame_.View()->Control(control.id)) widget->setEnabled(!comparing);
    }
}

QWidget* CPartTools::RandomizeWindow() const {
    return randomize_.data();
}

void CPartTools::OnRandomize() {
    if (randomize_) {
        randomize_->raise();
        randomize_->activateWindow();
        return;
    }
    auto* dialog = new CRandomizeDlg(app_, randomize_options_, &frame_);
    connect(dialog, &CRandomizeDlg::Tried, this, [this] { frame_.View()->RefreshPart(); });
    randomize_ = dialog;
    dialog->show();
}

QMenu* CPartTools::OpenLearnMenu(const QPoint& view_position) {
    CKQ505View* view = frame_.View();
    const std::optional<LearnTarget> target =
        LearnTargetAt(app_, view_position.x(), view_position.y());
    if (!target) return nullptr;
    auto* menu = new QMenu(view);
    menu->setAttribute(Qt::WA_DeleteOnClose);
    menu->setObjectName(QStringLiteral("learnMenu"));
    QAction* learn = menu->addAction(QStringLiteral("MIDIﾗｰﾝ"));
    QAction* unlearn = menu->addAction(QStringLiteral("MIDIﾗｰﾝ解除"));
    bool bound = false;
    for (int i = 0; i < target->count; ++i)
        bound = bound || app_.midi_learn.ControllerOf(target->rows[i]).has_value();
    unlearn->setEnabled(bound);
    connect(learn, &QAction::triggered, this, [this, t = *target] { Learn(t); });
    connect(unlearn, &QAction::triggered, this, [this, t = *target] { Unlearn(t); });
    learn_menu_ = menu;
    menu->popup(view->mapToGlobal(view_position));
    return menu;
}

void CPartTools::Learn(const LearnTarget& target) {
    learning_rows_.assign(target.rows.begin(), target.rows.begin() + target.count);
    StartLearn(app_, learning_rows_);
    FollowLearn();
    Say(QStringLiteral("MIDIﾗｰﾝ: %1 に割り当てるｺﾝﾄﾛｰﾗｰを動かしてください")
            .arg(RowsText(learning_rows_)));
}

void CPartTools::Unlearn(const LearnTarget& target) {
    for (int i = 0; i < target.count; ++i)
        kq505::Unlearn(app_, target.rows[i]);
    if (app_.midi_learn.Learning()) CancelLearn(app_);
    FollowLearn();
    KeepLearnBindings();
    const std::vector<Row> rows(target.rows.begin(), target.rows.begin() + target.count);
    Say(QStringLiteral("%1 のMIDIﾗｰﾝを解除しました").arg(RowsText(rows)));
}

void CPartTools::FollowLearn() {
    const bool listening = app_.midi_learn.Learning() || !app_.midi_learn.Bindings().empty();
    if (listening && !learn_timer_->isActive()) learn_timer_->start(kLearnPollMilliseconds);
    if (!listening) learn_timer_->stop();
}

void CPartTools::KeepLearnBindings() {
    if (app_.ini_path.empty()) return;
    std::optional<IniDocument> ini = LoadIniFile(app_.ini_path);
    if (!ini)
        return Say(
            QStringLiteral("設定ファイル %1 に書き込めませんでした").arg(Utf8(app_.ini_path)));
    const std::string before = ini->Bytes();
    if (!WriteLearnSection(*ini, app_.midi_learn.Bindings())) return;
    // A file with nothing to keep is not made.
    if (ini->Bytes() == before) return;
    if (!SaveIniFile(app_.ini_path, *ini))
        Say(QStringLiteral("設定ファイル %1 に書き込めませんでした").arg(Utf8(app_.ini_path)));
}

void CPartTools::PollLearn() {
    // A turned knob is an edit: a compare running ends first, as with the mouse.
    if (Comparing(app_) && !app_.midi_learn.Learning() && !app_.play_through->Learn().Empty())
        EndCompareShown();
    const bool was_learning = app_.midi_learn.Learning();
    const MidiLearn::Result result = TakeLearnedControllers(app_, LearnClockMs());
    if (result.moved) frame_.View()->RefreshPart();
    if (!result.learned) return;
    if (was_learning && !app_.midi_learn.Learning()) {
        QStringList bound;
        for (Row row : learning_rows_) {
            if (const std::optional<Controller> controller = app_.midi_learn.ControllerOf(row))
                bound << Utf8(ControllerText(*controller)) + QStringLiteral(" → ") +
                             Utf8(RowLabel(row));
        }
        Say(QStringLiteral("MIDIﾗｰﾝ: ") + bound.join(QStringLiteral(", ")));
        FollowLearn();
        KeepLearnBindings();
    }
}

bool CPartTools::eventFilter(QObject* watched, QEvent* event) {
    // Compared by address only: the frame may be on its way out, and no longer a frame.
    const bool closing_or_opening =
        event->type() == QEvent::Close || event->type() == QEvent::Drop;  // a file dropped
    if (watched == &frame_ && closing_or_opening) {
        app_.midi_learn.EndMovement(app_);
        EndCompareShown();
    } else if (watched == view_) {
        if (event->type() == QEvent::ContextMenu) {
            if (OpenLearnMenu(static_cast<QContextMenuEvent*>(event)->pos())) return true;
        } else if (event->type() == QEvent::MouseButtonPress && Comparing(app_)) {
            // The knob panel is read-only while comparing.
            return static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton;
        }
    }
    return QObject::eventFilter(watched, event);
}

}  // namespace kq505
