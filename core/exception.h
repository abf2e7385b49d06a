// The error classes every subsystem raises: a message in UTF-16 and a class
// name that error boxes show.
#pragma once

#include <exception>
#include <initializer_list>
#include <string>

namespace vexa {

// Replaces each "%s" of Pattern, in order, with the next argument; "%%" gives
// one "%". A "%s" without an argument stays as written.
std::u16string Format(const std::u16string& Pattern,
                      std::initializer_list<std::u16string> Args);

// UTF-16 to UTF-8 (unpaired surrogates become U+FFFD), for std::exception::what
// and for diagnostics.
std::string ToUtf8(const std::u16string& Text);

class Exception : public std::exception {
 public:
  explicit Exception(std::u16string Message);

  const std::u16string& Message() const noexcept { return FMessage; }
  virtual const char* ClassName() const noexcept { return "Exception"; }
  const char* what() const noexcept override { return FWhat.c_str(); }

 private:
  std::u16string FMessage;
  std::string FWhat;
};

// A conversion of the run-time library that its input does not allow, such
// as text that is not an integer.
class EConvertError : public Exception {
 public:
  using Exception::Exception;
  const char* ClassName() const noexcept override { return "EConvertError"; }
};

}  // namespace vexa
