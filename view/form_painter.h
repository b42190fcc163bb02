#pragma once
// The captions and read-only fields that the editor form draws on its own surface instead of
// making them widgets: as 85 more widgets they took more of the start-up than any other part
// of the window. Captions that name a control stay labels, for the mnemonic and the name.

#include <QFont>
#include <QMargins>
#include <QRect>
#include <QString>

#include <functional>
#include <vector>

#include "view/form_layout.h"

class QLineEdit;
class QPainter;
class QWidget;

namespace kq505 {

// A caption drawn with the form rather than made a label: one that names no control.
struct FormCaption {
    QString text;
    QRect rect;  // the text's own extent
    QFont font;  // condensed where the text would run into its right neighbour
};

// A read-only field without a border, drawn as a line edit without a frame draws itself.
struct DrawnField {
    int id;
    QRect rect;
    QFont font;
    QMargins margins;
    Qt::Alignment alignment;
    QString text;
};

// The figures of the fields, condensed to fit the boxes the template gives them.
QFont FieldFont(QFont font);

class FormPainter {
  public:
    // `form` gives the font and the colours; it outlives the painter.
    explicit FormPainter(const QWidget& form);

    // A read-only field as a widget, as those with a border are; the drawn ones look the same.
    static QLineEdit* NewFieldEdit(QWidget* parent, const FormControl& control);
    // A borderless field of the template, drawn from now on at `rect`.
    void AddField(const FormControl& control, const QRect& rect);
    // Every caption of the template: drawn, or as a label of `parent` with the control
    // `control(id)` as its buddy when it names one.
    void CreateLabels(QWidget* parent, const std::function<QWidget*(int)>& control);

    // Sets a drawn field's text; false when `id` is no drawn field or the text is unchanged.
    bool SetText(int id, const QString& text);
    const DrawnField* Field(int id) const;
    const std::vector<DrawnField>& Fields() const { return fields_; }
    const std::vector<FormCaption>& Captions() const { return captions_; }

    // Fields, then captions, of those that meet `exposed`.
    void Draw(QPainter& painter, const QRect& exposed) const;

  private:
    void DrawFields(QPainter& painter, const QRect& exposed) const;
    void DrawCaptions(QPainter& painter, const QRect& exposed) const;

    const QWidget& form_;
    std::vector<FormCaption> captions_;
    std::vector<DrawnField> fields_;
};

}  // namespace kq505
