#include "config/write_plan.h"

#include "protocol/listing.h"
#include "protocol/param_table.h"

WritePlan PlanWrite(WriteSource source, const PageText& page) {
  WritePlan plan;
  for (int id = 0; id <= kLastParamId; ++id) {
    const ParamEntry* entry = FindParam(id);
    if (entry == nullptr) continue;
    for (int k = 0; k < entry->count; ++k) {
      const std::optional<std::string> shown = page(id, k);
      std::string table = GetParamText(id, k).value_or(std::string());
      if (!WouldSend(source, shown, table)) continue;
      WritePlanRow row{.id = id, .index = k, .label = InstanceLabel(*entry, k), .deviceValue = {}, .newValue = {}};
      if (source == WriteSource::kPages) {
        row.deviceValue = std::move(table);
        row.newValue = *shown;
      } else {
        row.deviceValue = shown.value_or(std::string());
        row.newValue = std::move(table);
      }
      plan.push_back(std::move(row));
    }
  }
  return plan;
}

WriteSelection SelectAll(const WritePlan& plan) {
  WriteSelection all;
  for (const WritePlanRow& row : plan) all.insert({row.id, row.index});
  return all;
}

TableSnapshot::TableSnapshot()
    : protocolKind_(ListingProtocolKind().load()),
      waterOrderSeen_(ListingWaterOrderSeen().load()),
      addressTypeSeen_(ListingAddressTypeSeen().load()) {
  const ParamEntry* entries = ParamTableEntries();
  for (int i = 0; i < kParamEntryCount; ++i) {
    for (int k = 0; k < entries[i].count; ++k) values_.push_back(GetRawValue(entries[i], k));
  }
}

void TableSnapshot::Restore() const {
  const ParamEntry* entries = ParamTableEntries();
  size_t n = 0;
  for (int i = 0; i < kParamEntryCount; ++i) {
    for (int k = 0; k < entries[i].count && n < values_.size(); ++k)
      SetRawValue(entries[i], k, values_[n++]);
  }
  ListingProtocolKind() = protocolKind_;
  ListingWaterOrderSeen() = waterOrderSeen_;
  ListingAddressTypeSeen() = addressTypeSeen_;
}
