#pragma once

#include <QString>
#include <functional>

class QWidget;

namespace blowden {

struct TDatasheet;

// What a datasheet for a submittal names besides the selection: the
// project, the tag (mark) of the fan and how many of it.
struct TSubmittalFields {
  QString Project;
  QString Tag;
  int Quantity = 1;
};

// Asks for the fields, starting from `fields`; false when cancelled. The
// windows hold one of these; unset, a dialog asks (not in the message boxes'
// test mode, where the fields stay as they are).
using TAskSubmittal = std::function<bool(TSubmittalFields& fields)>;
bool AskSubmittalFields(QWidget* parent, const TAskSubmittal& ask, TSubmittalFields& fields);

// The fields written into a datasheet.
void ApplySubmittalFields(const TSubmittalFields& fields, TDatasheet& sheet);

}  // namespace blowden
