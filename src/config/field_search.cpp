#include "config/field_search.h"

#include <algorithm>

namespace {

std::string AsciiLower(std::string_view text) {
  std::string s(text);
  for (char& c : s)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return s;
}

std::vector<std::string> Words(std::string_view query) {
  std::vector<std::string> words;
  size_t at = 0;
  while (at < query.size()) {
    const size_t start = query.find_first_not_of(" \t", at);
    if (start == std::string_view::npos) break;
    const size_t end = std::min(query.find_first_of(" \t", start), query.size());
    words.push_back(AsciiLower(query.substr(start, end - start)));
    at = end;
  }
  return words;
}

}  // namespace

FieldSearch::FieldSearch(std::vector<field_help::FieldHelp> fields) : fields_(std::move(fields)) {
  keys_.reserve(fields_.size());
  for (const field_help::FieldHelp& f : fields_)
    keys_.push_back(AsciiLower(f.path + '\n' + f.listingLabel + '\n' + f.command));
}

std::vector<size_t> FieldSearch::Find(std::string_view query, size_t limit) const {
  const std::vector<std::string> words = Words(query);
  std::vector<size_t> found;
  if (words.empty()) return found;
  for (size_t i = 0; i < keys_.size() && found.size() < limit; ++i) {
    const std::string& key = keys_[i];
    if (std::all_of(words.begin(), words.end(), [&](const std::string& w) { return key.find(w) != std::string::npos; }))
      found.push_back(i);
  }
  return found;
}
