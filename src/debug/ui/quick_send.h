#pragma once
// The console's quick-send entries: up to eight named inputs (text or hex) that the
// user keeps for the lines sent every day, stored in the user's settings (group
// "debugQuickSend") and edited in a small dialog. UI thread.
#include <QString>
#include <vector>

class QWidget;

struct QuickSendEntry {
  QString name;
  QString text;  // as typed into the send box
  bool hex = false;
  bool operator==(const QuickSendEntry&) const = default;
};

namespace quicksend {

constexpr int kMaxEntries = 8;

// The kept entries (at most kMaxEntries; entries without text are skipped).
std::vector<QuickSendEntry> Load();
// Replaces the kept entries.
void Save(const std::vector<QuickSendEntry>& entries);

// The edit dialog ("快捷发送"): name, text and the hex flag. Returns false when
// cancelled; an empty name becomes the text. OK needs some text.
bool EditInDialog(QWidget* parent, QuickSendEntry& entry);

}  // namespace quicksend
