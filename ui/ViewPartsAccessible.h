#pragma once
// The inner widgets of Qt's item views (trees, tables, lists) as readers meet them.
//
// Qt presents such a view by its rows and headers only; the viewport and the scroll bars'
// containers, plain child widgets of the view, are not among them. When one of those
// shows, a reader asks for its place in the view and Qt's view answers with a warning on
// the terminal. These parts are therefore hung from the view's own parent (where they
// are not listed either): a reader still finds their window, and learns "no place" (-1)
// quietly.
#include <QString>

class QAccessibleInterface;
class QObject;

namespace ui {

// Installs the factory; later calls do nothing. Call once the application exists.
void InstallViewPartsAccessibility();

// The factory itself (for tests): an interface for a view's part, nullptr for any other
// object.
QAccessibleInterface* ViewPartAccessible(const QString& className, QObject* object);

} // namespace ui
