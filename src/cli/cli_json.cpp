#include "cli/cli_json.h"

#include "cli/cli_output.h"
#include "protocol/param_table.h"
#include "protocol/write_back.h"

namespace {

std::string WithoutColon(std::string label) {
  while (!label.empty() && (label.back() == ':' || label.back() == ' ')) label.pop_back();
  return label;
}

// label, command and instance of (id, index); the given label when the table has no entry.
CliJson InstanceJson(int id, int index, const std::string& label) {
  const ParamEntry* entry = FindParam(id);
  CliJson row;
  row["label"] = DeviceToUtf8(entry != nullptr ? InstanceLabel(*entry, index) : WithoutColon(label));
  row["command"] = entry != nullptr ? entry->command : "";
  row["instance"] = index + 1;
  return row;
}

}  // namespace

CliJson PortJson(const SerialPortInfo& info) {
  return {{"name", info.name},
          {"description", info.description},
          {"vid", info.vid},
          {"pid", info.pid},
          {"serial", info.serial}};
}

CliJson ParametersJson() {
  CliJson rows = CliJson::array();
  const ParamEntry* entries = ParamTableEntries();
  for (int pos = 0; pos < kParamEntryCount; ++pos) {
    const ParamEntry& e = entries[pos];
    for (int k = 0; k < e.count && k < kMaxInstances; ++k) {
      CliJson row = InstanceJson(e.id, k, {});
      row["value"] = DeviceToUtf8(GetRawValue(e, k));
      rows.push_back(std::move(row));
    }
  }
  return rows;
}

CliJson PlanRowJson(const WritePlanRow& row) {
  CliJson j = InstanceJson(row.id, row.index, row.label);
  j["from"] = DeviceToUtf8(row.deviceValue);
  j["to"] = DeviceToUtf8(row.newValue);
  return j;
}

CliJson PlanRowsJson(const WritePlan& plan) {
  CliJson rows = CliJson::array();
  for (const WritePlanRow& row : plan) rows.push_back(PlanRowJson(row));
  return rows;
}

CliJson DifferenceJson(const WriteDifference& difference) {
  return {{"label", DeviceToUtf8(WithoutColon(difference.label))},
          {"sent", DeviceToUtf8(difference.sent)},
          {"held", DeviceToUtf8(difference.held)},
          {"listed", difference.listed}};
}

std::string JsonLine(const CliJson& document) {
  return document.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace) + "\n";
}
