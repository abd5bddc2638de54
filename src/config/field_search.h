#pragma once
// Finding a field by what the user remembers of it: part of its page path or label
// ("端口"), of the device's listing label ("apn"), or of its command word
// ("AT+MULTIPORT"). Every space-separated word of the query must occur; ASCII letters
// match in either case. Qt-free; built once from the field descriptions.
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "config/field_help.h"

class FieldSearch {
 public:
  explicit FieldSearch(std::vector<field_help::FieldHelp> fields);

  // The fields whose path, listing label or command word hold every word of query, as
  // indices into Fields() in field order, at most limit of them; none for a blank query.
  std::vector<size_t> Find(std::string_view query, size_t limit) const;
  const std::vector<field_help::FieldHelp>& Fields() const { return fields_; }

 private:
  std::vector<field_help::FieldHelp> fields_;
  std::vector<std::string> keys_;  // per field: path, listing label, command, ASCII lower-cased
};
