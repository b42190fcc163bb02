#include "instruments/program_change_dlg.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QMouseEvent>
#include <QSignalBlocker>
#include <QTimer>

#include <algorithm>

#include "app/dialog_font.h"
#include "app/kq505_app.h"
#include "model/note_preview.h"
#include "view/form_layout.h"
#include "view/text_codec.h"

namespace kq505 {
namespace {

// Template 137, in dialog units.
constexpr DialogRect kDialogSize{0, 0, 332, 242};
constexpr int kTestNoteId = 1066;
constexpr DialogRect kTestNoteRect{8, 228, 60, 10};

struct GroupBox {
    const char* title;
    DialogRect rect;
};
constexpr std::array<GroupBox, 2> kGroups{{
    {"Port A", {5, 4, 322, 108}},
    {"Port B", {5, 116, 322, 108}},
}};

struct ListControl {
    int id;
    const char* label;
    DialogRect rect;
};
// Port A's MAP, PC# and BANK lists, then Port B's.
constexpr std::array<ListControl, 6> kListControls{{
    {1042, "MAP :", {12, 27, 90, 80}},
    {1043, "PC# :", {108, 27, 104, 80}},
    {1044, "BANK :", {218, 27, 102, 80}},
    {1048, "MAP :", {12, 139, 90, 80}},
    {1049, "PC# :", {108, 139, 104, 80}},
    {1050, "BANK :", {218, 139, 102, 80}},
}};
constexpr int kLabelAbove = 10;  // a list's label stands this far above it

QRect Pixels(DialogRect r) {
    const PixelRect p = ToPixels(r);
    return {p.x, p.y, p.width, p.height};
}

int SelectedRow(const QListWidget& list) {
    const QList<QListWidgetItem*> items = list.selectedItems();
    return items.isEmpty() ? -1 : list.row(items.first());
}

void Fill(QListWidget& list, const ProgramList& entries, int selected) {
    const QSignalBlocker quiet(list);
    list.clear();
    for (const ProgramListEntry& entry : entries) {
        auto* item = new QListWidgetItem(FromShiftJis(entry.text), &list);
        item->setData(Qt::UserRole, entry.value);
    }
    if (selected >= 0) list.setCurrentRow(selected);
}

}  // namespace

CProgramChangeDlg::CProgramChangeDlg(CKQ505App& app, QWidget* parent)
    : QDialog(parent), app_(app), lists_(app) {
    setAttribute(Qt::WA_DeleteOnClose);
    setModal(false);
    setFont(DialogFont());
    setWindowTitle(QStringLiteral("ﾌﾟﾛｸﾞﾗﾑ ﾁｪﾝｼﾞ"));
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
    setFixedSize(Pixels(kDialogSize).size());
    CreateControls();

    for (const Port port : {Port::A, Port::B}) {
        auto* timer = new QTimer(this);
        timer->setObjectName(port == Port::A ? QStringLiteral("testNoteTimerA")
                                             : QStringLiteral("testNoteTimerB"));
        timer->setSingleShot(true);
        connect(timer, &QTimer::timeout, this, [this, port] { OnTimer(port); });
        m_pTestNoteTimers[PortIndex(port)] = timer;
    }
    OnInitDialog();
}

CProgramChangeDlg::~CProgramChangeDlg() {
    for (const Port port : {Port::A, Port::B}) {
        if (TestNoteTimer(port)->isActive()) lists_.EndTestNote(port);
    }
}

QListWidget* CProgramChangeDlg::List(int id) const {
    for (std::size_t i = 0; i < kListControls.size(); ++i) {
        if (kListControls[i].id == id) return m_cLists[i];
    }
    return nullptr;
}

QListWidget* CProgramChangeDlg::PortList(Port port, Kind kind) const {
    return m_cLists[(port == Port::A ? 0 : 3) + kind];
}

void CProgramChangeDlg::CreateControls() {
    for (const GroupBox& group : kGroups) {
        auto* box = new QGroupBox(QString::fromLatin1(group.title), this);
        box->setGeometry(Pixels(group.rect));
    }
    for (std::size_t i = 0; i < kListControls.size(); ++i) {
        const ListControl& control = kListControls[i];
        auto* label = new QLabel(QString::fromLatin1(control.label), this);
        label->adjustSize();
        label->move(DialogUnitsToPixelsX(control.rect.x),
                    DialogUnitsToPixelsY(control.rect.y - kLabelAbove));
        auto* list = new QListWidget(this);
        list->setObjectName(QStringLiteral("list%1").arg(control.id));
        list->setSelectionMode(QAbstractItemView::SingleSelection);
        list->setSortingEnabled(false);
        list->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
        list->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        list->setGeometry(Pixels(control.rect));
        m_cLists[i] = list;
    }
    m_cTestNote = new QCheckBox(QStringLiteral("&Test Note"), this);
    m_cTestNote->setObjectName(QStringLiteral("check%1").arg(kTestNoteId));
    m_cTestNote->setGeometry(Pixels(kTestNoteRect));
    m_cTestNote->setChecked(lists_.test_note);
}

void CProgramChangeDlg::OnInitDialog() {
    for (const Port port : {Port::A, Port::B})
        ShowLists(port, kMap);
    for (int i = 0; i < static_cast<int>(m_cLists.size()); ++i) {
        // The fills make no selection signal; only the user's mouse and keys do.
        connect(m_cLists[i], &QListWidget::itemSelectionChanged, this,
                [this, i] { OnSelectionChanged(i); });
        m_cLists[i]->viewport()->installEventFilter(this);
    }
}

void CProgramChangeDlg::ShowLists(Port port, Kind from) {
    const PortLists& lists = lists_.Lists(port);
    if (from == kMap) Fill(*PortList(port, kMap), lists.maps, lists.map_sel);
    if (from <= kProgram) Fill(*PortList(port, kProgram), lists.programs, lists.pc_sel);
    Fill(*PortList(port, kBank), lists.banks, lists.bank_sel);
}

void CProgramChangeDlg::OnSelectionChanged(int list) {
    // A click is a choice when its button comes up, as in a list box.
    if (list == m_nPressedList) {
        m_bMovedWhilePressed = true;
    } else {
        OnSelChange(list);
    }
}

bool CProgramChangeDlg::eventFilter(QObject* watched, QEvent* event) {
    const auto found = std::ranges::find_if(
        m_cLists, [watched](const QListWidget* list) { return list->viewport() == watched; });
    if (found == m_cLists.end()) return QDialog::eventFilter(watched, event);
    const int list = static_cast<int>(found - m_cLists.begin());
    switch (event->type()) {
        case QEvent::MouseButtonPress:
            m_nPressedList = list;
            m_bMovedWhilePressed = false;
            break;
        case QEvent::MouseButtonDblClick:
            m_nPressedList = -1;  // the first click of the pair has chosen already
            break;
        case QEvent::MouseButtonRelease: {
            if (list != m_nPressedList) break;
            m_nPressedList = -1;
            // A click on the chosen entry chooses it again, so it can be heard again.
            const QPoint at = static_cast<QMouseEvent*>(event)->position().toPoint();
            const QListWidgetItem* item = (*found)->itemAt(at);
            if (m_bMovedWhilePressed || (item && item->isSelected())) OnSelChange(list);
            break;
        }
        default:
            break;
    }
    return QDialog::eventFilter(watched, event);
}

void CProgramChangeDlg::OnSelChange(int list) {
    const Port port = PortOf(list);
    const Kind kind = KindOf(list);
    const int position = SelectedRow(*m_cLists[list]);
    if (position < 0) return;  // a selection taken away, not a choice
    lists_.test_note = m_cTestNote->isChecked();
    bool test_note = false;
    // Bank MSB, bank LSB, program and the list positions of one choice are one step.
    app_.edit_history.Record(app_, StepKind::kProgramChange, [&] {
        switch (kind) {
            case kMap:
                test_note = lists_.SelectMap(port, position);
                break;
            case kProgram:
                test_note = lists_.SelectProgram(port, position);
                break;
            case kBank:
                test_note = lists_.SelectBank(port, position);
                break;
        }
    });
    if (kind != kBank) ShowLists(port, static_cast<Kind>(kind + 1));
    emit VoiceChosen();
    // The port's gate counts from its latest test note; the other port's runs on untouched.
    if (test_note) TestNoteTimer(port)->start(PreviewGateMs(app_));
}

void CProgramChangeDlg::OnTimer(Port port) {
    lists_.EndTestNote(port);
}

void CProgramChangeDlg::keyPressEvent(QKeyEvent* event) {
    // Enter ends the dialog like Esc; it has no default button to take the key.
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

void CProgramChangeDlg::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    for (QListWidget* list : m_cLists) {
        if (list->currentItem()) list->scrollToItem(list->currentItem());
    }
}

}  // namespace kq505
