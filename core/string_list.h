// TStringList: an ordered list of strings with a count, read by index and
// append. Add is virtual so that a list can refuse a string by raising; the
// strings added before stay.
#pragma once

#include <string>
#include <utility>
#include <vector>

namespace vexa {

class TStringList {
 public:
  virtual ~TStringList() = default;

  int Count() const { return static_cast<int>(FStrings.size()); }
  const std::u16string& operator[](int Index) const {
    return FStrings.at(static_cast<std::size_t>(Index));
  }
  virtual void Add(std::u16string S) { FStrings.push_back(std::move(S)); }

 private:
  std::vector<std::u16string> FStrings;
};

}  // namespace vexa
