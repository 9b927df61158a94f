#pragma once

#include <QByteArray>
#include <QString>
#include <optional>
#include <string>

namespace blowden {

// Reproducible PDF documents: Qt's PDF writer puts a random document id and
// the current time into every file. With SOURCE_DATE_EPOCH set, the program
// replaces them so that the same pages give the same bytes.

// SOURCE_DATE_EPOCH as seconds since 1970 (UTC); nothing when it is unset,
// empty, negative or not a whole number.
std::optional<long long> SourceDateEpoch();

// The document's XMP metadata (title, creator, dates from `epoch`, an id
// derived from the title and the date), to replace the writer's own.
QByteArray ReproducibleXmp(long long epoch, const QString& title, const QString& creator);

// Overwrites, byte for byte and at the same length (so that the cross
// reference table stays valid), the value of /CreationDate in the document
// information with the time of `epoch` and, when the trailer has an /ID,
// its two ids with a digest of the rest of the document. Returns an error text, empty on
// success.
std::string StampPdf(QByteArray& pdf, long long epoch);

}  // namespace blowden
