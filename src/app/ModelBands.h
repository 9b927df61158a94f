#pragma once

class QFont;
class QTableWidget;
class QWidget;

namespace blowden {

struct TFanModel;

// The model view's table of octave-band spectra: one row per tested point
// with its flow, the eight bands, their energy sum and the A-weighted total.
// Hidden for a model without bands.
QTableWidget* CreateBandTable(QWidget* parent, const QFont& font);
void FillBandTable(QTableWidget* table, const TFanModel& model);

}  // namespace blowden
