#pragma once

// The datasheet's look, shared by its parts (the page layout, the sound
// block): colours and the page font.

#include <QColor>
#include <QFont>
#include <QString>
#include <QStringList>

namespace blowden::datasheet {

// Text, secondary text, headings, rules and zebra rows.
inline const QColor kInk(0x1A, 0x1A, 0x1A);
inline const QColor kMuted(0x5F, 0x63, 0x68);
inline const QColor kAccent(0x1F, 0x3A, 0x5F);
inline const QColor kRule(0xB0, 0xB7, 0xC0);
inline const QColor kZebra(0xF2, 0xF4, 0xF7);

// The page font at `pointSize` (in the paint device's points): Liberation
// Sans, or DejaVu Sans Mono for figures in columns, unhinted and unshaped so
// that the text reads back as written.
inline QFont PageFont(double pointSize, bool bold = false, bool mono = false) {
  QFont f(mono ? QStringLiteral("DejaVu Sans Mono") : QStringLiteral("Liberation Sans"));
  f.setFamilies(mono ? QStringList{QStringLiteral("DejaVu Sans Mono"), QStringLiteral("Liberation Mono")}
                     : QStringList{QStringLiteral("Liberation Sans"), QStringLiteral("DejaVu Sans")});
  f.setStyleHint(mono ? QFont::Monospace : QFont::SansSerif);
  f.setPointSizeF(pointSize);
  f.setBold(bold);
  f.setHintingPreference(QFont::PreferNoHinting);
  f.setStyleStrategy(QFont::PreferNoShaping);  // no ligatures: the text reads back as written
  return f;
}

}  // namespace blowden::datasheet
