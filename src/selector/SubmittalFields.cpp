#include "selector/SubmittalFields.h"

#include <QDialog>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLineEdit>
#include <QSpinBox>

#include "fan/FanSchedule.h"
#include "report/Datasheet.h"
#include "services/MessageBox.h"

namespace blowden {

bool AskSubmittalFields(QWidget* parent, const TAskSubmittal& ask, TSubmittalFields& fields) {
  if (ask) return ask(fields);
  if (TMessageBox::TestMode()) return true;
  QDialog dialog(parent);
  dialog.setObjectName(QStringLiteral("SubmittalDialog"));
  dialog.setWindowTitle(QStringLiteral("Datasheet for a submittal"));
  auto* form = new QFormLayout(&dialog);
  auto* project = new QLineEdit(fields.Project, &dialog);
  project->setObjectName(QStringLiteral("ProjectEdit"));
  project->setAccessibleName(QStringLiteral("Project"));
  auto* tag = new QLineEdit(fields.Tag, &dialog);
  tag->setObjectName(QStringLiteral("TagEdit"));
  tag->setAccessibleName(QStringLiteral("Tag"));
  auto* quantity = new QSpinBox(&dialog);
  quantity->setObjectName(QStringLiteral("QuantityBox"));
  quantity->setAccessibleName(QStringLiteral("Quantity"));
  quantity->setRange(1, kMaxQuantity);
  quantity->setValue(fields.Quantity);
  form->addRow(QStringLiteral("&Project"), project);
  form->addRow(QStringLiteral("&Tag (mark)"), tag);
  form->addRow(QStringLiteral("&Quantity"), quantity);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
  QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
  QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
  form->addRow(buttons);
  if (dialog.exec() != QDialog::Accepted) return false;
  fields.Project = project->text().trimmed();
  fields.Tag = tag->text().trimmed();
  fields.Quantity = quantity->value();
  return true;
}

void ApplySubmittalFields(const TSubmittalFields& fields, TDatasheet& sheet) {
  sheet.Project = fields.Project.toStdString();
  sheet.Mark = fields.Tag.toStdString();
  sheet.Quantity = fields.Quantity;
}

}  // namespace blowden
