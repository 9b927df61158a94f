#include "report/PdfStamp.h"

#include <QCryptographicHash>
#include <QDateTime>
#include <QTimeZone>
#include <cerrno>
#include <cstdlib>

namespace blowden {

std::optional<long long> SourceDateEpoch() {
  const char* text = std::getenv("SOURCE_DATE_EPOCH");
  if (!text || !*text) return std::nullopt;
  errno = 0;
  char* end = nullptr;
  const long long seconds = std::strtoll(text, &end, 10);
  if (errno != 0 || !end || *end != '\0' || seconds < 0) return std::nullopt;
  return seconds;
}

namespace {

QString XmlEscaped(const QString& text) { return text.toHtmlEscaped(); }

QDateTime EpochTime(long long epoch) { return QDateTime::fromSecsSinceEpoch(epoch, QTimeZone::utc()); }

// Finds `key` followed by an opening delimiter and returns the offsets of
// the value between it and the closing one, or false.
bool FindValue(const QByteArray& pdf, const QByteArray& key, char open, char close, qsizetype from,
               qsizetype& begin, qsizetype& end) {
  const qsizetype at = pdf.lastIndexOf(key);
  if (at < from || at < 0) return false;
  const qsizetype o = pdf.indexOf(open, at + key.size());
  if (o < 0) return false;
  const qsizetype c = pdf.indexOf(close, o + 1);
  if (c < 0) return false;
  begin = o + 1;
  end = c;
  return true;
}

}  // namespace

QByteArray ReproducibleXmp(long long epoch, const QString& title, const QString& creator) {
  const QString date = EpochTime(epoch).toString(QStringLiteral("yyyy-MM-dd'T'hh:mm:ss'Z'"));
  const QByteArray seed = (title + QLatin1Char('\n') + creator + QLatin1Char('\n') + date).toUtf8();
  const QByteArray digest = QCryptographicHash::hash(seed, QCryptographicHash::Md5).toHex();
  // A UUID-shaped id from the digest: 8-4-4-4-12.
  const QString id = QString::fromLatin1(digest.left(8) + '-' + digest.mid(8, 4) + '-' + digest.mid(12, 4) +
                                         '-' + digest.mid(16, 4) + '-' + digest.mid(20, 12));
  const QString xmp = QStringLiteral(
                          "<?xpacket begin='' id='W5M0MpCehiHzreSzNTczkc9d'?>\n"
                          "<x:xmpmeta xmlns:x='adobe:ns:meta/'>\n"
                          "<rdf:RDF xmlns:rdf='http://www.w3.org/1999/02/22-rdf-syntax-ns#'>\n"
                          "<rdf:Description rdf:about='' xmlns:dc='http://purl.org/dc/elements/1.1/'>\n"
                          "<dc:title><rdf:Alt><rdf:li xml:lang='x-default'>%1</rdf:li></rdf:Alt></dc:title>\n"
                          "</rdf:Description>\n"
                          "<rdf:Description rdf:about='' xmlns:xmp='http://ns.adobe.com/xap/1.0/'>\n"
                          "<xmp:CreatorTool>%2</xmp:CreatorTool>\n"
                          "<xmp:CreateDate>%3</xmp:CreateDate>\n"
                          "<xmp:ModifyDate>%3</xmp:ModifyDate>\n"
                          "<xmp:MetadataDate>%3</xmp:MetadataDate>\n"
                          "</rdf:Description>\n"
                          "<rdf:Description rdf:about='' xmlns:xmpMM='http://ns.adobe.com/xap/1.0/mm/'>\n"
                          "<xmpMM:DocumentID>uuid:%4</xmpMM:DocumentID>\n"
                          "<xmpMM:InstanceID>uuid:%4</xmpMM:InstanceID>\n"
                          "</rdf:Description>\n"
                          "</rdf:RDF>\n"
                          "</x:xmpmeta>\n"
                          "<?xpacket end='w'?>\n")
                          .arg(XmlEscaped(title), XmlEscaped(creator), date, id);
  return xmp.toUtf8();
}

std::string StampPdf(QByteArray& pdf, long long epoch) {
  // The trailer (and the information dictionary) come last in the file.
  qsizetype begin = 0, end = 0;
  if (!FindValue(pdf, "/CreationDate", '(', ')', 0, begin, end))
    return "the PDF writer left no creation date to replace";
  const qsizetype length = end - begin;
  // "D:yyyyMMddhhmmss" and a zone: "Z" or "+hh'mm'", as the writer chose.
  QByteArray date = "D:" + EpochTime(epoch).toString(QStringLiteral("yyyyMMddhhmmss")).toLatin1();
  if (length == date.size() + 1)
    date += 'Z';
  else if (length == date.size() + 7)
    date += "+00'00'";
  else
    return "the PDF writer's creation date has an unexpected form";
  pdf.replace(begin, length, date);

  // Only some PDF versions carry a document id.
  const qsizetype idAt = pdf.lastIndexOf("/ID [");
  if (idAt < 0 || idAt < pdf.lastIndexOf("trailer")) return std::string();
  qsizetype firstBegin = 0, firstEnd = 0, secondBegin = 0, secondEnd = 0;
  firstBegin = pdf.indexOf('<', idAt);
  firstEnd = firstBegin < 0 ? -1 : pdf.indexOf('>', firstBegin);
  secondBegin = firstEnd < 0 ? -1 : pdf.indexOf('<', firstEnd);
  secondEnd = secondBegin < 0 ? -1 : pdf.indexOf('>', secondBegin);
  if (secondEnd < 0) return "the PDF writer's document id has an unexpected form";
  const qsizetype idLength = firstEnd - firstBegin - 1;
  if (idLength != secondEnd - secondBegin - 1 || idLength <= 0 || idLength > 64)
    return "the PDF writer's document id has an unexpected form";
  // The id is a digest of the document without it: the same pages, the same id.
  QByteArray rest = pdf;
  rest.replace(firstBegin + 1, idLength, QByteArray(idLength, '0'));
  rest.replace(secondBegin + 1, idLength, QByteArray(idLength, '0'));
  const QByteArray digest = QCryptographicHash::hash(rest, QCryptographicHash::Sha256).toHex().left(idLength);
  if (digest.size() != idLength) return "the PDF writer's document id has an unexpected form";
  pdf.replace(firstBegin + 1, idLength, digest);
  pdf.replace(secondBegin + 1, idLength, digest);
  return std::string();
}

}  // namespace blowden
