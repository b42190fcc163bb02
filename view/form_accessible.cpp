#include "view/form_accessible.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QPointer>

#include <array>
#include <string_view>
#include <vector>

#include "view/knob_keys.h"
#include "view/knob_painter.h"
#include "view/knob_panel_keys.h"
#include "view/kq505_view.h"

namespace kq505 {
namespace {

struct FieldName {
    int id;
    std::string_view name;
};
// The captions the fields stand beside, with their layer. The filter's two go by what they
// set ("Cutoff", "Reso") rather than by "LPF" and "Rez", and the equaliser's say which of
// frequency and gain they show, since two of them have no caption of their own.
constexpr std::array<FieldName, 40> kFieldNames{{
    {1011, "Vol"},
    {1012, "Exp"},
    {1014, "Note"},
    {1017, "Key Shift"},
    {1021, "Portamento Time"},
    {1046, "A/B Mix"},
    {1048, "A Rev"},
    {1049, "A Cho"},
    {1050, "A Pan"},
    {1051, "A Var"},
    {1052, "A HPF"},
    {1053, "A Cutoff"},
    {1054, "A Reso"},
    {1055, "A Attack"},
    {1056, "A Decay"},
    {1057, "A Release"},
    {1058, "A Delay"},
    {1059, "A Rate"},
    {1060, "A Depth"},
    {1061, "A Bass Frequency"},
    {1063, "A Bass Gain"},
    {1062, "A Treble Frequency"},
    {1064, "A Treble Gain"},
    {1065, "B Rev"},
    {1066, "B Cho"},
    {1067, "B Pan"},
    {1068, "B Var"},
    {1069, "B HPF"},
    {1070, "B Cutoff"},
    {1071, "B Reso"},
    {1072, "B Attack"},
    {1073, "B Decay"},
    {1074, "B Release"},
    {1075, "B Delay"},
    {1076, "B Rate"},
    {1077, "B Depth"},
    {1078, "B Bass Frequency"},
    {1080, "B Bass Gain"},
    {1079, "B Treble Frequency"},
    {1081, "B Treble Gain"},
}};

// Set on a widget once its object exists. Qt makes a widget's object when it is first shown
// or asked for; its drawn children wait for a client's question, and until a child exists
// there is nobody to tell of its changes.
constexpr const char* kMadeProperty = "kq505AccessibleMade";

// The widget's object, if a client has asked for it.
template <class Object>
Object* MadeFor(QWidget& widget) {
    if (!widget.property(kMadeProperty).toBool()) return nullptr;
    return dynamic_cast<Object*>(QAccessible::queryAccessibleInterface(&widget));
}

QRect OnScreen(const QWidget& widget, const QRect& rect) {
    return {widget.mapToGlobal(rect.topLeft()), rect.size()};
}

// An object that stands for something drawn on a widget, without an object of its own.
class DrawnAccessible : public QAccessibleInterface {
  public:
    explicit DrawnAccessible(QWidget* owner) : owner_(owner) {}

    bool isValid() const override { return !owner_.isNull(); }
    QObject* object() const override { return nullptr; }
    QWindow* window() const override { return owner_ ? owner_->window()->windowHandle() : nullptr; }
    QAccessibleInterface* parent() const override {
        return owner_ ? QAccessible::queryAccessibleInterface(owner_.data()) : nullptr;
    }
    QAccessibleInterface* childAt(int, int) const override { return nullptr; }
    QAccessibleInterface* child(int) const override { return nullptr; }
    int childCount() const override { return 0; }
    int indexOfChild(const QAccessibleInterface*) const override { return -1; }
    void setText(QAccessible::Text, const QString&) override {}
    QAccessible::State state() const override {
        QAccessible::State state;
        state.readOnly = true;
        state.invisible = !owner_ || !owner_->isVisible();
        return state;
    }

  protected:
    QPointer<QWidget> owner_;
};

// A caption (a label) or a field (read-only text) the form draws itself.
class DrawnItemAccessible : public DrawnAccessible, public QAccessibleTextInterface {
  public:
    // index < caption count: a caption, else field index − caption count.
    DrawnItemAccessible(CKQ505View* view, int index) : DrawnAccessible(view), index_(index) {}

    int Index() const { return index_; }
    QAccessible::Role role() const override {
        // A field reads as the read-only line edit it looks like, a caption as a label.
        return Caption() ? QAccessible::StaticText : QAccessible::EditableText;
    }
    QString text(QAccessible::Text t) const override {
        const CKQ505View* view = View();
        if (!view) return {};
        if (const FormCaption* caption = Caption())
            return t == QAccessible::Name ? caption->text : QString();
        const DrawnField& field = *Field();
        if (t == QAccessible::Name) return DrawnFieldName(field.id);
        if (t == QAccessible::Value) return field.text;
        return {};
    }
    QRect rect() const override {
        const CKQ505View* view = View();
        if (!view) return {};
        const FormCaption* caption = Caption();
        return OnScreen(*view, caption ? caption->rect : Field()->rect);
    }
    void* interface_cast(QAccessible::InterfaceType type) override {
        return type == QAccessible::TextInterface ? static_cast<QAccessibleTextInterface*>(this)
                                                  : nullptr;
    }

    // Read-only text without a cursor or a selection.
    QString text(int start, int end) const override { return Shown().mid(start, end - start); }
    int characterCount() const override { return static_cast<int>(Shown().size()); }
    int cursorPosition() const override { return 0; }
    void setCursorPosition(int) override {}
    void selection(int, int* start, int* end) const override { *start = *end = 0; }
    int selectionCount() const override { return 0; }
    void addSelection(int, int) override {}
    void removeSelection(int) override {}
    void setSelection(int, int, int) override {}
    QRect characterRect(int) const override { return {}; }
    int offsetAtPoint(const QPoint&) const override { return -1; }
    void scrollToSubstring(int, int) override {}
    QString attributes(int offset, int* start, int* end) const override {
        *start = *end = offset;
        return {};
    }

  private:
    const CKQ505View* View() const { return static_cast<const CKQ505View*>(owner_.data()); }
    const FormCaption* Caption() const {
        const auto& captions = View()->Captions();
        return index_ < static_cast<int>(captions.size())
                   ? &captions[static_cast<std::size_t>(index_)]
                   : nullptr;
    }
    const DrawnField* Field() const {
        const auto first_field = static_cast<int>(View()->Captions().size());
        return &View()->Painter().Fields()[static_cast<std::size_t>(index_ - first_field)];
    }
    QString Shown() const {
        if (!View()) return {};
        const FormCaption* caption = Caption();
        return caption ? caption->text : Field()->text;
    }

    int index_;
};

// A handle of the knob panel: its graph, rows and values as its name, so that a change of
// value is heard as the name of the object in use.
class HandleAccessible : public DrawnAccessible {
  public:
    HandleAccessible(CKnobPanelKeys* panel, const CKQ505App& app, int code)
        : DrawnAccessible(panel), app_(app), code_(code), told_(text(QAccessible::Name)) {}

    // True once for each change of what the handle reads since it was last told.
    bool TakeChange() {
        const QString now = text(QAccessible::Name);
        if (now == told_) return false;
        told_ = now;
        return true;
    }

    int Code() const { return code_; }
    QAccessible::Role role() const override { return QAccessible::Slider; }
    QString text(QAccessible::Text t) const override {
        if (t != QAccessible::Name || !owner_) return {};
        return QString::fromStdString(HandleText(app_, code_));
    }
    QRect rect() const override {
        const std::optional<DragTarget> target = DecodeDragTarget(code_);
        if (!owner_ || !target) return {};
        const Point centre =
            HandleCentre(target->kind, ReadLayerValues(app_, target->layer), target->layer);
        // The handle in the panel's own coordinates, which start at the panel's corner.
        return OnScreen(*owner_, HandleRect(centre).translated(-owner_->pos()));
    }
    QAccessible::State state() const override {
        QAccessible::State state = DrawnAccessible::state();
        state.readOnly = false;
        state.focusable = true;
        const auto* panel = static_cast<const CKnobPanelKeys*>(owner_.data());
        state.focused = panel && panel->hasFocus() && panel->CurrentHandle() == code_;
        return state;
    }

  private:
    const CKQ505App& app_;
    int code_;
    QString told_;
};

// Made-on-demand children, kept until their widget goes.
class ChildCache {
  public:
    explicit ChildCache(int count) : ids_(static_cast<std::size_t>(count), 0) {}
    ~ChildCache() {
        for (QAccessible::Id id : ids_)
            if (id != 0) QAccessible::deleteAccessibleInterface(id);
    }
    ChildCache(const ChildCache&) = delete;
    ChildCache& operator=(const ChildCache&) = delete;

    int Count() const { return static_cast<int>(ids_.size()); }
    // The child at `index`, made now with `make` when no client asked for it before.
    template <class Make>
    QAccessibleInterface* Get(int index, Make&& make) {
        if (index < 0 || index >= Count()) return nullptr;
        QAccessible::Id& id = ids_[static_cast<std::size_t>(index)];
        if (id == 0) id = QAccessible::registerAccessibleInterface(make());
        return QAccessible::accessibleInterface(id);
    }
    // The child at `index` if a client has asked for it, else nullptr.
    QAccessibleInterface* Existing(int index) const {
        if (index < 0 || index >= Count()) return nullptr;
        const QAccessible::Id id = ids_[static_cast<std::size_t>(index)];
        return id == 0 ? nullptr : QAccessible::accessibleInterface(id);
    }

  private:
    std::vector<QAccessible::Id> ids_;
};

// A widget's object whose children are its widgets' followed by drawn ones.
class DrawnChildrenAccessible : public QAccessibleWidget {
  public:
    DrawnChildrenAccessible(QWidget* widget, QAccessible::Role role, int drawn_count)
        : QAccessibleWidget(widget, role), drawn_(drawn_count) {
        widget->setProperty(kMadeProperty, true);
    }

    int childCount() const override { return QAccessibleWidget::childCount() + drawn_.Count(); }
    QAccessibleInterface* child(int index) const override {
        const int widgets = QAccessibleWidget::childCount();
        if (index < widgets) return QAccessibleWidget::child(index);
        return drawn_.Get(index - widgets, [&] { return MakeDrawn(index - widgets); });
    }
    int indexOfChild(const QAccessibleInterface* child) const override {
        for (int i = 0; i < drawn_.Count(); ++i)
            if (drawn_.Existing(i) == child) return QAccessibleWidget::childCount() + i;
        return QAccessibleWidget::indexOfChild(child);
    }
    QAccessibleInterface* childAt(int x, int y) const override {
        // Drawn things first: the knob panel's keys lie as a widget over the fields between
        // its graphs.
        for (int i = 0; i < drawn_.Count(); ++i) {
            QAccessibleInterface* item = child(QAccessibleWidget::childCount() + i);
            if (item->rect().contains(x, y)) return item;
        }
        return QAccessibleWidget::childAt(x, y);
    }
    QAccessibleInterface* ExistingDrawn(int index) const { return drawn_.Existing(index); }

  protected:
    virtual QAccessibleInterface* MakeDrawn(int index) const = 0;

  private:
    mutable ChildCache drawn_;
};

class FormAccessible : public DrawnChildrenAccessible {
  public:
    explicit FormAccessible(CKQ505View* view)
        : DrawnChildrenAccessible(
              view, QAccessible::Client,
              static_cast<int>(view->Captions().size() + view->Painter().Fields().size())) {}

    QAccessibleInterface* ExistingField(int id) const {
        const CKQ505View& form = View();
        const auto& fields = form.Painter().Fields();
        for (std::size_t i = 0; i < fields.size(); ++i)
            if (fields[i].id == id)
                return ExistingDrawn(static_cast<int>(form.Captions().size() + i));
        return nullptr;
    }

  private:
    CKQ505View& View() const { return *static_cast<CKQ505View*>(widget()); }
    QAccessibleInterface* MakeDrawn(int index) const override {
        return new DrawnItemAccessible(&View(), index);
    }
};

class PanelAccessible : public DrawnChildrenAccessible {
  public:
    PanelAccessible(CKnobPanelKeys* panel)
        : DrawnChildrenAccessible(panel, QAccessible::Grouping, kWalkedHandleCount) {}

    QString text(QAccessible::Text t) const override {
        return t == QAccessible::Name ? QStringLiteral("Knob Panel") : QAccessibleWidget::text(t);
    }
    QAccessibleInterface* focusChild() const override {
        if (!Panel().hasFocus()) return nullptr;
        return Handle(Panel().CurrentHandle());
    }
    QAccessibleInterface* Handle(int code) const {
        return child(QAccessibleWidget::childCount() + HandleIndexOf(code));
    }
    QAccessibleInterface* ExistingHandle(int code) const {
        return ExistingDrawn(HandleIndexOf(code));
    }

  private:
    CKnobPanelKeys& Panel() const { return *static_cast<CKnobPanelKeys*>(widget()); }
    QAccessibleInterface* MakeDrawn(int index) const override {
        return new HandleAccessible(&Panel(), Panel().App(), HandleCodeAt(index));
    }
};

QAccessibleInterface* Factory(const QString& key, QObject* object) {
    if (key == QLatin1String(CKQ505View::staticMetaObject.className()))
        return new FormAccessible(static_cast<CKQ505View*>(object));
    if (key == QLatin1String(CKnobPanelKeys::staticMetaObject.className()))
        return new PanelAccessible(static_cast<CKnobPanelKeys*>(object));
    return nullptr;
}

void Send(QAccessibleEvent&& event) {
    QAccessible::updateAccessibility(&event);
}

}  // namespace

void InstallFormAccessibility() {
    // Qt keeps a list of factories; one entry is enough for every form made.
    static const bool installed = [] {
        QAccessible::installFactory(&Factory);
        return true;
    }();
    (void)installed;
}

QString DrawnFieldName(int id) {
    for (const FieldName& field : kFieldNames)
        if (field.id == id) return QString::fromLatin1(field.name.data(), field.name.size());
    return {};
}

void NotifyFieldText(CKQ505View& view, int id, const QString& before, const QString& after) {
    const FormAccessible* form = MadeFor<FormAccessible>(view);
    QAccessibleInterface* field = form ? form->ExistingField(id) : nullptr;
    if (!field) return;
    Send(QAccessibleTextUpdateEvent(field, 0, before, after));
    Send(QAccessibleValueChangeEvent(field, after));
}

void NotifyHandleValues(CKnobPanelKeys& panel, int code) {
    const PanelAccessible* object = MadeFor<PanelAccessible>(panel);
    auto* handle = static_cast<HandleAccessible*>(object ? object->ExistingHandle(code) : nullptr);
    // A repaint of the panel tells every handle; only those whose values moved are heard.
    if (handle && handle->TakeChange()) Send(QAccessibleEvent(handle, QAccessible::NameChanged));
}

void NotifyHandleFocus(CKnobPanelKeys& panel, int code) {
    const PanelAccessible* object = MadeFor<PanelAccessible>(panel);
    if (!object || !panel.hasFocus()) return;
    Send(QAccessibleEvent(object->Handle(code), QAccessible::Focus));
}

}  // namespace kq505
