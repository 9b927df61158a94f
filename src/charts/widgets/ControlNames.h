#pragma once

#include <QString>

class QWidget;

namespace blowden {

// Gives a control its design name as objectName and, because Qt 6.4 does not
// publish objectName to assistive technology, as accessibleDescription too.
// The chart panels do this themselves whenever their objectName changes.
void NameControl(QWidget* control, const QString& name);

}  // namespace blowden
