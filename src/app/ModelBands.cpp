#include "app/ModelBands.h"

#include <QFontMetrics>
#include <QHeaderView>
#include <QTableWidget>

#include "base/Format.h"
#include "charts/widgets/ControlNames.h"
#include "fan/FanSound.h"
#include "fan/FanTypes.h"

namespace blowden {

QTableWidget* CreateBandTable(QWidget* parent, const QFont& font) {
  auto* table = new QTableWidget(0, static_cast<int>(kBandCount) + 3, parent);
  NameControl(table, QStringLiteral("BandTable"));
  table->setAccessibleName(QStringLiteral("Octave bands of the tested points"));
  table->setFont(font);
  QStringList headers{QString::fromUtf8("Qa m³/s")};
  for (int centre : kBandCentres) headers << QStringLiteral("%1 Hz").arg(centre);
  headers << QStringLiteral("Sum dB") << QStringLiteral("LwA dB(A)");
  table->setHorizontalHeaderLabels(headers);
  table->setToolTip(
      QStringLiteral("Sound power Lw63 .. Lw8000 (dB) of each tested point at reference speed, "
                     "their energy sum and the A-weighted total"));
  table->setMinimumHeight(4 * (QFontMetrics(font).height() + 3));
  table->verticalHeader()->setDefaultSectionSize(QFontMetrics(font).height() + 3);
  table->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
  table->setEditTriggers(QAbstractItemView::NoEditTriggers);
  table->setVisible(false);
  return table;
}

void FillBandTable(QTableWidget* table, const TFanModel& model) {
  const bool bands = HasBands(model);
  table->setVisible(bands);
  table->setRowCount(0);
  if (!bands) return;
  const std::vector<double> sums = BandSums(model);
  table->setRowCount(static_cast<int>(sums.size()));
  const auto put = [&](std::size_t row, std::size_t column, const std::string& text) {
    auto* item = new QTableWidgetItem(QString::fromStdString(text));
    item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
    table->setItem(static_cast<int>(row), static_cast<int>(column), item);
  };
  for (std::size_t j = 0; j < sums.size(); ++j) {
    std::array<double, kBandCount> point{};
    for (std::size_t i = 0; i < kBandCount; ++i) point[i] = model.Bands.Lw[i][j];
    put(j, 0, j < model.Qa.size() ? Format("%0.3f", {model.Qa[j]}) : std::string());
    for (std::size_t i = 0; i < kBandCount; ++i) put(j, i + 1, Format("%0.1f", {point[i]}));
    put(j, kBandCount + 1, Format("%0.1f", {sums[j]}));
    put(j, kBandCount + 2, Format("%0.1f", {AWeightedSum(point)}));
  }
}

}  // namespace blowden
