#pragma once
// The commands that work on the sound of the selected part: the part on the clipboard, the
// layers copied and swapped, compare with the stored sound, randomize, and MIDI learn from
// the form's context menu. Thin: each handler calls the core and shows the result.

#include <QMenu>
#include <QObject>
#include <QPointer>
#include <vector>

#include "app/randomize_dlg.h"
#include "model/randomize.h"
#include "view/learn_targets.h"

class QLabel;
class QPoint;
class QTimer;

namespace kq505 {

class CKQ505App;
class CMainFrame;

class CPartTools : public QObject {
    Q_OBJECT

  public:
    // Made with the frame's actions and view, before the frame connects its own commands,
    // so that every other command finds a compare already ended.
    CPartTools(CKQ505App& app, CMainFrame& frame);
    ~CPartTools() override;

    // The context menu of a right-click at this point of the form, when something there
    // can be learned; it pops up without waiting.
    QMenu* OpenLearnMenu(const QPoint& view_position);
    QMenu* LearnMenu() const { return learn_menu_; }
    QWidget* RandomizeWindow() const;
    // Takes what MIDI IN handed over; a timer does so while anything listens.
    void PollLearn();

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void EndCommandsCompare();
    void OnCopy();
    void OnPaste();
    void OnCompare(bool on);
    void EndCompareShown();
    void ShowCompareState();
    void OnRandomize();
    void Learn(const LearnTarget& target);
    void Unlearn(const LearnTarget& target);
    // The learn timer runs while anything listens.
    void FollowLearn();
    // The bindings into the INI file's [Learn] section.
    void KeepLearnBindings();
    void ShowPartAgain();
    void Say(const QString& text);

    CKQ505App& app_;
    CMainFrame& frame_;
    const QObject* view_ = nullptr;  // the frame's view, known for the event filter
    QLabel* compare_state_ = nullptr;
    QTimer* learn_timer_ = nullptr;
    QPointer<QMenu> learn_menu_;
    QPointer<CRandomizeDlg> randomize_;
    RandomizeOptions randomize_options_;
    std::vector<Row> learning_rows_;
};

}  // namespace kq505
