#include "view/soft_keyboard_dlg.h"

#include <QButtonGroup>
#include <QCloseEvent>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>
#include <QVBoxLayout>
#include <algorithm>
#include <array>

#include "app/kq505_app.h"
#include "model/midi_messages.h"
#include "model/play_through.h"
#include "model/play_through_send.h"
#include "model/value_text.h"

namespace kq505 {
namespace {

// Long enough to spare the processor, short enough to look immediate.
constexpr int kInputLookMs = 30;

const QColor kPlayedColour(255, 160, 0);
const QColor kInputColour(80, 170, 255);

void SendNote(CKQ505App& app, std::uint8_t status, int note, int velocity, std::uint8_t ports) {
    const std::array<std::uint8_t, 3> message{status, DataByte(note), DataByte(velocity)};
    SendKeyboardMessage(app, message, ports);
}

}  // namespace

SoftKeyboardKeys::SoftKeyboardKeys(CKQ505App& app, QWidget* parent)
    : QWidget(parent), app_(app), ports_(kBothPorts) {
    setFixedSize(KeyboardLayout::kWidth + 1, KeyboardLayout::kHeight + 1);
    setFocusPolicy(Qt::StrongFocus);
}

void SoftKeyboardKeys::PlayNote(int note, int velocity) {
    SendNote(app_, kNoteOn, note, velocity, ports_);
    update();
}

void SoftKeyboardKeys::EndNote(int note) {
    SendNote(app_, kNoteOff, note, 0x40, ports_);
    update();
}

void SoftKeyboardKeys::RefreshInputNotes() {
    std::bitset<128> lit;
    for (int note = layout_.FirstNote(); note <= layout_.LastNote(); ++note) {
        lit[static_cast<std::size_t>(note)] = app_.play_through->IsInputNoteDown(note);
    }
    if (lit == input_lit_) return;
    input_lit_ = lit;
    update();
}

void SoftKeyboardKeys::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const auto fill = [&](int note) -> QColor {
        if (app_.play_through->IsKeyboardNoteDown(note)) return kPlayedColour;
        if (input_lit_[static_cast<std::size_t>(note)]) return kInputColour;
        return KeyboardLayout::IsBlack(note) ? Qt::black : Qt::white;
    };
    painter.setPen(Qt::black);
    for (const bool black : {false, true}) {
        for (int note = layout_.FirstNote(); note <= layout_.LastNote(); ++note) {
            if (KeyboardLayout::IsBlack(note) != black) continue;
            const KeyRect key = *layout_.KeyOf(note);
            painter.setBrush(fill(note));
            painter.drawRect(key.x, key.y, key.width, key.height);
        }
    }
}

void SoftKeyboardKeys::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return;
    MouseTo(event->position().toPoint());
}

void SoftKeyboardKeys::mouseMoveEvent(QMouseEvent* event) {
    if ((event->buttons() & Qt::LeftButton) == 0) return;
    MouseTo(event->position().toPoint());
}

void SoftKeyboardKeys::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) EndMouseNote();
}

// A press, or a drag across the keys: the note under the mouse sounds, and only that one.
void SoftKeyboardKeys::MouseTo(QPoint position) {
    const std::optional<int> note = layout_.NoteAt(position.x(), position.y());
    if (note == mouse_note_) return;
    EndMouseNote();
    if (!note) return;
    const int height = layout_.KeyOf(*note)->height;
    mouse_note_ = note;
    PlayNote(*note, KeyboardLayout::VelocityAt(position.y(), height));
}

void SoftKeyboardKeys::EndMouseNote() {
    if (!mouse_note_) return;
    EndNote(*mouse_note_);
    mouse_note_.reset();
}

CSoftKeyboardDlg::CSoftKeyboardDlg(CKQ505App& app, QWidget* owner) : QDialog(owner), app_(app) {
    key_notes_.fill(-1);
    setAttribute(Qt::WA_DeleteOnClose);
    setModal(false);
    setWindowTitle(QStringLiteral("KQ505 - SoftwareKeyboard"));
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);

    keys_ = new SoftKeyboardKeys(app_, this);
    auto* down = new QPushButton(QStringLiteral("< Oct"), this);
    auto* up = new QPushButton(QStringLiteral("Oct >"), this);
    down->setObjectName(QStringLiteral("octaveDown"));
    up->setObjectName(QStringLiteral("octaveUp"));
    range_ = new QLabel(this);
    range_->setObjectName(QStringLiteral("range"));
    ports_ = new QButtonGroup(this);
    auto* row = new QHBoxLayout;
    row->addWidget(down);
    row->addWidget(range_);
    row->addWidget(up);
    row->addStretch();
    const std::array<std::pair<const char*, std::uint8_t>, 3> choices{
        {{"A", kPortABit}, {"B", kPortBBit}, {"A+B", kBothPorts}}};
    for (const auto& [text, bits] : choices) {
        auto* button = new QRadioButton(QString::fromLatin1(text), this);
        button->setObjectName(QStringLiteral("ports") + QString::fromLatin1(text));
        ports_->addButton(button, bits);
        row->addWidget(button);
    }
    ports_->button(kBothPorts)->setChecked(true);
    // Only the keys take the focus, so that every computer key reaches the keyboard.
    for (QWidget* control : std::initializer_list<QWidget*>{down, up})
        control->setFocusPolicy(Qt::NoFocus);
    for (QAbstractButton* button : ports_->buttons())
        button->setFocusPolicy(Qt::NoFocus);
    connect(down, &QPushButton::clicked, this, [this] { ShiftOctave(-1); });
    connect(up, &QPushButton::clicked, this, [this] { ShiftOctave(1); });
    connect(ports_, &QButtonGroup::idClicked, this, [this](int bits) {
        // A note held now ends where it began; only new notes take the new ports.
        keys_->SetPorts(static_cast<std::uint8_t>(bits));
    });

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(row);
    layout->addWidget(keys_);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    ShowRange();
    keys_->setFocus();

    input_timer_ = new QTimer(this);
    connect(input_timer_, &QTimer::timeout, keys_, &SoftKeyboardKeys::RefreshInputNotes);
    input_timer_->start(kInputLookMs);
}

CSoftKeyboardDlg::~CSoftKeyboardDlg() {
    EndAllNotes();
}

void CSoftKeyboardDlg::ShiftOctave(int octaves) {
    // Held notes keep their numbers: each computer key remembers the note it started.
    if (keys_->Layout().ShiftOctave(octaves)) {
        ShowRange();
        keys_->RefreshInputNotes();
        keys_->update();
    }
}

void CSoftKeyboardDlg::ShowRange() {
    const KeyboardLayout& layout = keys_->Layout();
    range_->setText(QString::fromLatin1(NoteName(layout.FirstNote())) + QStringLiteral("～") +
                    QString::fromLatin1(NoteName(layout.LastNote())));
}

void CSoftKeyboardDlg::keyPressEvent(QKeyEvent* event) {
    const int key = event->key();
    if (key == Qt::Key_K && event->modifiers() == Qt::NoModifier) {
        close();  // K opens and closes the window, here as in the main window
        return;
    }
    if (key == Qt::Key_Left || key == Qt::Key_Right) {
        ShiftOctave(key == Qt::Key_Left ? -1 : 1);
        return;
    }
    const std::optional<int> note = keys_->Layout().NoteOfComputerKey(key);
    if (!note || event->modifiers() != Qt::NoModifier) return QDialog::keyPressEvent(event);
    if (event->isAutoRepeat() || key_notes_[static_cast<std::size_t>(key)] >= 0) return;
    key_notes_[static_cast<std::size_t>(key)] = *note;
    keys_->PlayNote(*note, std::clamp(app_.preview_velocity, 1, 127));
}

void CSoftKeyboardDlg::keyReleaseEvent(QKeyEvent* event) {
    const int key = event->key();
    if (event->isAutoRepeat() || key < 0 || key >= static_cast<int>(key_notes_.size()) ||
        key_notes_[static_cast<std::size_t>(key)] < 0) {
        return QDialog::keyReleaseEvent(event);
    }
    keys_->EndNote(std::exchange(key_notes_[static_cast<std::size_t>(key)], -1));
}

void CSoftKeyboardDlg::changeEvent(QEvent* event) {
    QDialog::changeEvent(event);
    // Key releases go to the window that has the focus by then.
    if (event->type() == QEvent::ActivationChange && !isActiveWindow()) EndKeyNotes();
}

void CSoftKeyboardDlg::closeEvent(QCloseEvent* event) {
    EndAllNotes();
    QDialog::closeEvent(event);
}

void CSoftKeyboardDlg::EndKeyNotes() {
    for (int& note : key_notes_) {
        if (note >= 0) keys_->EndNote(std::exchange(note, -1));
    }
}

void CSoftKeyboardDlg::EndAllNotes() {
    key_notes_.fill(-1);
    EndKeyboardNotes(app_);
    keys_->update();
}

}  // namespace kq505
