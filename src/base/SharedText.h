#pragma once

#include <compare>
#include <memory>
#include <ostream>
#include <string>
#include <string_view>

namespace blowden {

// An immutable text shared by its copies: a ranking names the same file in
// every model's result, and copying a shared text copies a pointer, not the
// characters. Reads as the std::string it holds.
//   TSharedText file = path;  TSharedText again = file;  // one copy of the characters
class TSharedText {
 public:
  TSharedText() = default;
  TSharedText(std::string text)  // NOLINT(google-explicit-constructor): a text where a string was
      : FText(std::make_shared<const std::string>(std::move(text))) {}
  TSharedText(const char* text) : TSharedText(std::string(text)) {}  // NOLINT(google-explicit-constructor)

  const std::string& str() const { return FText ? *FText : Empty(); }
  operator const std::string&() const { return str(); }  // NOLINT(google-explicit-constructor)
  bool empty() const { return str().empty(); }
  const char* c_str() const { return str().c_str(); }

  friend bool operator==(const TSharedText& a, const TSharedText& b) { return a.str() == b.str(); }
  friend bool operator==(const TSharedText& a, std::string_view b) { return a.str() == b; }
  friend std::strong_ordering operator<=>(const TSharedText& a, const TSharedText& b) {
    return a.str().compare(b.str()) <=> 0;
  }
  friend std::string operator+(const TSharedText& a, std::string_view b) { return a.str() + std::string(b); }
  friend std::string operator+(std::string_view a, const TSharedText& b) { return std::string(a) + b.str(); }
  friend std::ostream& operator<<(std::ostream& out, const TSharedText& t) { return out << t.str(); }

 private:
  static const std::string& Empty() {
    static const std::string empty;
    return empty;
  }
  std::shared_ptr<const std::string> FText;
};

}  // namespace blowden
