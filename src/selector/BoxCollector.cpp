#include "selector/BoxCollector.h"

namespace blowden {

bool TBoxCollector::Add(const QString& text) {
  if (FDepth <= 0) return false;
  if (FDistinct) {
    if (FSeen.contains(text)) return true;
    FSeen.insert(text);
  }
  FHeld.append(text);
  return true;
}

void TBoxCollector::End() {
  if (--FDepth > 0) return;
  FDepth = 0;
  QStringList held;
  held.swap(FHeld);
  FSeen.clear();
  if (!held.isEmpty() && FShow) FShow(held);
}

QString TBoxCollector::MoreText(const QString& first, qsizetype more, const QString& where) {
  if (more <= 0) return first;
  return first + QStringLiteral("\n\nand %1 more like it \u2014 see %2").arg(more).arg(where);
}

}  // namespace blowden
