#pragma once

#include <QSet>
#include <QString>
#include <QStringList>
#include <functional>

namespace blowden {

// Message boxes raised inside a loop (every model of a search or of a
// verification, every file of Verify All), held while the loop runs so that
// the user closes one box instead of one per model. When the outermost
// collection ends, the window's Show receives the boxes held, oldest first:
// it shows the first one with MoreText below it and keeps the others where
// the user can read them (the main window's report, the selector's box
// details). Outside a collection nothing is held.
class TBoxCollector {
 public:
  using TShow = std::function<void(const QStringList& held)>;
  explicit TBoxCollector(TShow show) : FShow(std::move(show)) {}

  // Holds `text` while collecting and returns true; false: not collecting,
  // the caller shows the box now.
  bool Add(const QString& text);
  // Holds only the first of equal texts: a search that reads its chosen
  // model once more says nothing new the second time.
  void SetDistinct(bool on) { FDistinct = on; }
  bool Collecting() const { return FDepth > 0; }

  // Collections nest; only the end of the outermost shows anything.
  void Begin() { ++FDepth; }
  void End();

  // Collects from its construction to its destruction.
  class TScope {
   public:
    explicit TScope(TBoxCollector& boxes) : FBoxes(boxes) { FBoxes.Begin(); }
    ~TScope() { FBoxes.End(); }
    TScope(const TScope&) = delete;
    TScope& operator=(const TScope&) = delete;

   private:
    TBoxCollector& FBoxes;
  };

  // `first` with "and N more like it — see <where>" below it, after an empty
  // line; `first` alone when there are no more.
  static QString MoreText(const QString& first, qsizetype more, const QString& where);

 private:
  TShow FShow;
  int FDepth = 0;
  bool FDistinct = false;
  QStringList FHeld;
  QSet<QString> FSeen;  // the texts held, while distinct
};

}  // namespace blowden
