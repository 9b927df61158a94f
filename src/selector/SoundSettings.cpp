#include "selector/SoundSettings.h"

#include <QBoxLayout>
#include <QDoubleSpinBox>
#include <QLabel>
#include <QSettings>

#include "charts/widgets/ControlNames.h"
#include "fan/FanSound.h"

namespace blowden {

TListenerBoxes MakeListenerBoxes(QWidget* parent, QBoxLayout* column) {
  TListenerBoxes b;
  auto* row = new QHBoxLayout;
  auto* distanceLabel = new QLabel(QStringLiteral("L&p at"), parent);
  b.Distance = new QDoubleSpinBox(parent);
  NameControl(b.Distance, QStringLiteral("DistanceBox"));
  b.Distance->setAccessibleName(QStringLiteral("Sound pressure distance"));
  b.Distance->setToolTip(
      QStringLiteral("Distance from the fan at which the sound pressure level Lp is given"));
  b.Distance->setRange(0.1, kMaxDistance);
  b.Distance->setDecimals(1);
  b.Distance->setSingleStep(0.5);
  b.Distance->setSuffix(QStringLiteral(" m"));
  b.Distance->setValue(kDefaultDistance);
  distanceLabel->setBuddy(b.Distance);
  auto* directivityLabel = new QLabel(QStringLiteral("&Q"), parent);
  b.Directivity = new QDoubleSpinBox(parent);
  NameControl(b.Directivity, QStringLiteral("DirectivityBox"));
  b.Directivity->setAccessibleName(QStringLiteral("Directivity Q"));
  b.Directivity->setToolTip(
      QStringLiteral("1 free field, 2 a fan on a hard floor, 4 at a floor and a wall, 8 in a corner"));
  b.Directivity->setRange(kMinDirectivity, kMaxDirectivity);
  b.Directivity->setDecimals(0);
  b.Directivity->setValue(kDefaultDirectivity);
  directivityLabel->setBuddy(b.Directivity);
  row->addWidget(distanceLabel);
  row->addWidget(b.Distance);
  row->addWidget(directivityLabel);
  row->addWidget(b.Directivity);
  row->addStretch(1);
  column->addLayout(row);
  return b;
}

TListener ListenerOf(const TListenerBoxes& boxes) {
  return TListener{boxes.Distance->value(), boxes.Directivity->value()};
}

void LoadListener(const QSettings& settings, const TListenerBoxes& boxes) {
  bool good = false;
  const double r = settings.value(QStringLiteral("Distance"), kDefaultDistance).toDouble(&good);
  boxes.Distance->setValue(good && !DistanceError(r, "") ? r : kDefaultDistance);
  const double q = settings.value(QStringLiteral("Directivity"), kDefaultDirectivity).toDouble(&good);
  boxes.Directivity->setValue(good && !DirectivityError(q, "") ? q : kDefaultDirectivity);
}

void SaveListener(QSettings& settings, const TListenerBoxes& boxes) {
  settings.setValue(QStringLiteral("Distance"), boxes.Distance->value());
  settings.setValue(QStringLiteral("Directivity"), boxes.Directivity->value());
}

}  // namespace blowden
