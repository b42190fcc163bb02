// The editor form as an assistive technology reads it through QAccessible: every drawn field
// and caption with its name, text and place, the texts following edits and part changes,
// the sliders' value texts, and the knob panel's handles.

#include <QAccessible>
#include <QApplication>
#include <QComboBox>
#include <QSlider>
#include <QtTest>

#include <map>
#include <memory>
#include <set>
#include <vector>

#include "app/kq505_app.h"
#include "tests/support/recording_app.h"
#include "view/form_accessible.h"
#include "view/knob_keys.h"
#include "view/knob_panel_keys.h"
#include "view/kq505_view.h"

using namespace kq505;
using kq505::test::RecordingApp;

class FormAccessibleTest : public QObject {
    Q_OBJECT

    std::unique_ptr<RecordingApp> rec_;
    std::unique_ptr<CKQ505View> view_;

    CKQ505App& App() { return rec_->app; }
    QAccessibleInterface* Form() const {
        return QAccessible::queryAccessibleInterface(view_.get());
    }
    // The form's drawn children by name; a caption drawn twice ("Rev") keeps its first.
    std::map<QString, QAccessibleInterface*> Children() const {
        std::map<QString, QAccessibleInterface*> children;
        for (int i = 0; i < Form()->childCount(); ++i)
            if (!Form()->child(i)->object())
                children.try_emplace(Form()->child(i)->text(QAccessible::Name), Form()->child(i));
        return children;
    }
    QAccessibleInterface* Child(const QString& name) const { return Children().at(name); }

  private slots:
    void init() {
        rec_ = std::make_unique<RecordingApp>();
        view_ = std::make_unique<CKQ505View>(rec_->app);
        view_->show();
        QVERIFY(QTest::qWaitForWindowExposed(view_.get()));
    }
    void cleanup() {
        view_.reset();
        rec_.reset();
    }

    void everyDrawnFieldAndCaptionIsAChildWithItsNameTextAndPlace() {
        std::set<QString> names;
        int fields = 0;
        int captions = 0;
        for (int i = 0; i < Form()->childCount(); ++i) {
            QAccessibleInterface* child = Form()->child(i);
            QCOMPARE(Form()->indexOfChild(child), i);
            QCOMPARE(child->parent(), Form());
            if (child->object()) continue;  // a widget of the form
            const QString name = child->text(QAccessible::Name);
            if (child->role() == QAccessible::StaticText) {
                QCOMPARE(name, view_->Captions()[static_cast<std::size_t>(captions++)].text);
                continue;
            }
            const DrawnField& field = view_->Painter().Fields()[static_cast<std::size_t>(fields++)];
            QCOMPARE(child->role(), QAccessible::EditableText);
            QVERIFY(child->state().readOnly);
            QCOMPARE(name, DrawnFieldName(field.id));
            QVERIFY2(names.insert(name).second, qPrintable(name));
            QCOMPARE(child->text(QAccessible::Value), view_->FieldText(field.id));
            QCOMPARE(child->textInterface()->text(0, child->textInterface()->characterCount()),
                     view_->FieldText(field.id));
            const QRect on_screen(view_->mapToGlobal(field.rect.topLeft()), field.rect.size());
            QCOMPARE(child->rect(), on_screen);
            QCOMPARE(Form()->childAt(on_screen.center().x(), on_screen.center().y()), child);
            QCOMPARE(view_->ControlAt(field.rect.center()), field.id);
        }
        QCOMPARE(fields, 40);
        QCOMPARE(captions, static_cast<int>(view_->Captions().size()));
        // The layer and the caption each field stands beside.
        for (const auto& [id, name] : std::vector<std::pair<int, QString>>{{1048, "A Rev"},
                                                                           {1070, "B Cutoff"},
                                                                           {1054, "A Reso"},
                                                                           {1080, "B Bass Gain"},
                                                                           {1017, "Key Shift"},
                                                                           {1046, "A/B Mix"}})
            QCOMPARE(Child(name)->text(QAccessible::Value), view_->FieldText(id));
    }

    void fieldTextsFollowAnEditAndAPartChange() {
        QAccessibleInterface* pan = Child("B Pan");
        App().part_table[pan_b][3] = 100;
        qobject_cast<QComboBox*>(view_->Control(kIdTrackCombo))->setCurrentIndex(3);
        QCOMPARE(pan->text(QAccessible::Value), QString("R36"));
        QCOMPARE(pan->textInterface()->characterCount(), 3);
        // A drag on the B layer's send pad, one pixel left.
        const QPoint pad(100 / 2 + 15, 281 - 40 / 2);
        QTest::mousePress(view_.get(), Qt::LeftButton, {}, pad);
        QTest::mouseMove(view_.get(), pad - QPoint(1, 0));
        QTest::mouseRelease(view_.get(), Qt::LeftButton, {}, pad - QPoint(1, 0));
        QCOMPARE(pan->text(QAccessible::Value), QString("R35"));
        QCOMPARE(pan->textInterface()->text(0, 3), QString("R35"));
    }

    void everyControlHasANameAndTheSlidersTheirValueTexts() {
        for (const FormControl& control : kFormControls) {
            QWidget* widget = view_->Control(control.id);
            if (!widget) continue;
            QCOMPARE(view_->ControlAt(widget->geometry().center()), control.id);
            QVERIFY2(
                !QAccessible::queryAccessibleInterface(widget)->text(QAccessible::Name).isEmpty(),
                qPrintable(QString::number(control.id)));
        }
        struct Case {
            int slider;
            int value;
            int field;
            const char* said;
        };
        for (const Case& c :
             {Case{kIdKeyShiftSlider, 52, 1017, "-12"}, Case{kIdKeyShiftSlider, 64, 1017, "+0"},
              Case{kIdKeyShiftSlider, 70, 1017, "+6"}, Case{kIdNoteSlider, 60, 1014, "C3"},
              Case{kIdMixSlider, -5, 1046, "A5>B"}, Case{kIdVolSlider, 90, 1011, "90"}}) {
            auto* slider = qobject_cast<QSlider*>(view_->Control(c.slider));
            slider->setValue(c.value);
            QCOMPARE(QAccessible::queryAccessibleInterface(slider)->text(QAccessible::Description),
                     QString(c.said));
            QVERIFY(view_->FieldText(c.field).endsWith(QString(c.said).remove('+')));
        }
    }

    void handlesReadTheirValuesAndFollowAKeyStep() {
        QAccessibleInterface* panel = QAccessible::queryAccessibleInterface(view_->KnobKeys());
        QCOMPARE(panel->childCount(), kWalkedHandleCount);
        QAccessibleInterface* filter =
            panel->child(HandleIndexOf(DragTargetCode(HandleKind::kLpf, Port::A)));
        QCOMPARE(filter->text(QAccessible::Name), QString("A Filter: Cutoff 64, Resonance 64"));
        QCOMPARE(filter->rect().center(), view_->mapToGlobal(QPoint(64 / 2 + 214, 171 - 64 / 2)));
        QCOMPARE(view_->HandleAt(view_->mapFromGlobal(filter->rect().center())),
                 DragTargetCode(HandleKind::kLpf, Port::A));
        view_->Control(kIdMixSlider)->setFocus();
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        for (int i = 0; i < 4; ++i)
            QTest::keyClick(view_->KnobKeys(), Qt::Key_BracketRight);
        QCOMPARE(panel->focusChild(), filter);
        QVERIFY(filter->state().focused);
        QTest::keyClick(view_->KnobKeys(), Qt::Key_Down);
        QCOMPARE(filter->text(QAccessible::Name), QString("A Filter: Cutoff 64, Resonance 63"));
        QCOMPARE(Child("A Reso")->text(QAccessible::Value), QString("-1"));
    }
};

QTEST_MAIN(FormAccessibleTest)
#include "form_accessible_test.moc"
