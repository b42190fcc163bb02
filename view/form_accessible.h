#pragma once
// What an assistive technology (a screen reader on the accessibility bus) finds on the editor
// form beside its widgets: every drawn caption and field, and the knob panel's handles.
// The objects are made only when a client asks for them, so a start without one pays nothing.

#include <QString>

namespace kq505 {

class CKQ505View;
class CKnobPanelKeys;

// Lets Qt ask this unit for the form's and the panel's accessible objects (once per process).
void InstallFormAccessibility();

// The name a drawn field is read with ("A Rev", "B Cutoff"), or an empty text.
QString DrawnFieldName(int id);

// Tell a listening client that a drawn field now reads `after`.
void NotifyFieldText(CKQ505View& view, int id, const QString& before, const QString& after);
// Tell a listening client that a handle's values changed, or that it is now the one in use.
void NotifyHandleValues(CKnobPanelKeys& panel, int code);
void NotifyHandleFocus(CKnobPanelKeys& panel, int code);

}  // namespace kq505
