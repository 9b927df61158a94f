#pragma once

// The one way a core operation that can fail says so: it returns a TResult,
// holding either its value or a TError (a code, the text for the user, and
// the file and model it concerns). The caller reads the result; nothing is
// thrown across the core's boundary for bad input, and the core never calls
// into a window to report it.
//   TResult<double> r = Parse(text);
//   if (!r) Show(r.Error().Text); else Use(*r);

#include <string>
#include <utility>
#include <variant>

namespace blowden {

// Why an operation failed. Code is the operation's own code (a fan status
// code for the fan model's operations); Text is complete as it stands, for
// the user; File and Model are empty when the failure concerns none.
struct TError {
  int Code = 0;
  std::string Text;
  std::string File;
  std::string Model;
};

template <class T>
class TResult {
 public:
  TResult(T value)
      : FValue(std::in_place_index<0>, std::move(value)) {}  // NOLINT(google-explicit-constructor)
  TResult(TError error)
      : FValue(std::in_place_index<1>, std::move(error)) {}  // NOLINT(google-explicit-constructor)

  bool Ok() const { return FValue.index() == 0; }
  explicit operator bool() const { return Ok(); }

  // The value; only when Ok().
  const T& Value() const& { return std::get<0>(FValue); }
  T& Value() & { return std::get<0>(FValue); }
  T&& Value() && { return std::get<0>(std::move(FValue)); }
  const T& operator*() const& { return Value(); }
  const T* operator->() const { return &Value(); }

  // The error; only when not Ok().
  const TError& Error() const { return std::get<1>(FValue); }

 private:
  std::variant<T, TError> FValue;
};

}  // namespace blowden
