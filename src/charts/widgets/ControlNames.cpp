#include "charts/widgets/ControlNames.h"

#include <QWidget>

namespace blowden {

void NameControl(QWidget* control, const QString& name) {
  if (!control) return;
  control->setObjectName(name);
  control->setAccessibleDescription(name);
}

}  // namespace blowden
