#pragma once
// How a parameter's control shows a device value and gives one back. Qt-free, so that
// the pages, the command line and the tests share one definition of every encoding.
//
// Two kinds of field:
// - text: the control shows the value text itself (an edit, or an editable list whose
//   items are suggestions) and gives its text back unchanged (itemOf is null);
// - coded: a list whose items stand for device values: itemOf picks the item that shows
//   a value, valueOf turns what the control holds back into a value.
#include <optional>
#include <span>
#include <string>
#include <string_view>

using FieldItems = std::span<const char* const>;  // item texts, UTF-8

struct FieldCode {
  // The list's fixed items; empty for an edit or a list filled at run time.
  FieldItems items;
  // The item that shows value; -1 leaves no item selected. count is the number of
  // items the list holds. Null for a text field.
  int (*itemOf)(std::string_view value, int count) = nullptr;
  // The value the control stands for: text is what it shows (UTF-8), item the position
  // of the item with exactly that text (-1 for none; a check box gives 0 or 1).
  // std::nullopt: the text matches nothing, the field has no value.
  std::optional<std::string> (*valueOf)(std::string_view text, int item) = nullptr;

  bool IsText() const { return itemOf == nullptr; }
};

// The items of every on/off list ("关闭" 0, "开启" 1).
inline constexpr const char* kOffOnTexts[] = {"关闭", "开启"};
inline constexpr FieldItems kOffOnItems{kOffOnTexts};

// The text encoding, with optional suggestion items.
inline FieldCode TextField(FieldItems items = {}) { return FieldCode{items, nullptr, nullptr}; }

namespace field_code {
// List positions: a value selects the item at its atoi (none when out of the list); the
// selected item gives its position as a decimal. A typed text that is no item has no value.
int PositionItem(std::string_view value, int count);
std::optional<std::string> PositionValue(std::string_view text, int item);
}  // namespace field_code
