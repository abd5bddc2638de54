#pragma once
// The simulated device's parameter store: every parameter it keeps, with the
// setter word that changes it, the label under which it lists it and its
// factory value. Not thread-safe; the simulator guards it with its own lock.
#include <string>
#include <string_view>
#include <vector>

class SimParams {
 public:
  SimParams();

  // Restores every value to its factory setting.
  void FactoryReset();

  // The whole listing as the device prints it: one "label  value\r\n" line per
  // instance, in the device's order. An empty value is printed as ".". Faults: each
  // printed value widened with '_' to valueWidth characters; the line of omit left out.
  std::string Listing(size_t valueWidth = 0, std::string_view omit = {}) const;

  // Value of the instance listed under label; nullptr when no instance has it.
  const std::string* Find(std::string_view label) const;
  // Stores value under label; false when no instance has that label.
  bool Set(std::string_view label, std::string value);

  enum class SetResult { Stored, UnknownWord, BadInstance, BadValue };
  // Applies a setter: word is the command word before "=" ("AT+APN",
  // "AT+MULTISER01"), value the text after it.
  SetResult ApplySetter(std::string_view word, std::string_view value);

  // Number of listed instances (lines of the listing).
  int InstanceCount() const;
  // Labels of all instances in listing order.
  std::vector<std::string> Labels() const;

 private:
  struct Slot {
    int family;          // index into the family data
    int instance;        // 1-based
    std::string label;
    std::string value;
  };
  std::vector<Slot> slots_;
};
