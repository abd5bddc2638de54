#pragma once
// --json: what a command prints, as one JSON object on standard output. Values are the
// device's texts converted to UTF-8; labels are the listing labels without the colon.
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "config/cfg_outcome.h"
#include "config/write_plan.h"
#include "serial/port_identity.h"

// Fields in the order they are set.
using CliJson = nlohmann::ordered_json;

// One port of `ports`: the name and the lister's identity ("" where the system tells nothing).
CliJson PortJson(const SerialPortInfo& info);
// Every instance of the parameter table: label, command word, instance (1-based), value.
CliJson ParametersJson();
// A row of a write plan: label, command, instance, from (the device's value), to.
CliJson PlanRowJson(const WritePlanRow& row);
CliJson PlanRowsJson(const WritePlan& plan);
// A written value the verification did not find: label, sent, held, listed.
CliJson DifferenceJson(const WriteDifference& difference);

// The document as one line (invalid UTF-8 replaced, never thrown on), with its newline.
std::string JsonLine(const CliJson& document);
