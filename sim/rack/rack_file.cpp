// Reading a rack from its JSON file, with a clear error for anything that
// does not describe a buildable rack.
#include <fstream>
#include <map>
#include <nlohmann/json.hpp>
#include <set>
#include <sstream>
#include <tuple>

#include "sim/rack/rack.h"

namespace sim {

namespace {

using nlohmann::json;

[[noreturn]] void bad(const std::string& where, const std::string& why) {
  throw RackError(where + ": " + why);
}

// Numbers may be written as JSON numbers or as "0x.." strings.
uint64_t number(const json& value, const std::string& where, uint64_t max) {
  uint64_t n = 0;
  if (value.is_number_unsigned()) {
    n = value.get<uint64_t>();
  } else if (value.is_number_integer()) {
    if (value.get<int64_t>() < 0) bad(where, "must not be negative");
    n = static_cast<uint64_t>(value.get<int64_t>());
  } else if (value.is_string()) {
    const std::string text = value.get<std::string>();
    try {
      size_t used = 0;
      n = std::stoull(text, &used, 0);
      if (used != text.size()) bad(where, "'" + text + "' is not a number");
    } catch (const std::logic_error&) {
      bad(where, "'" + text + "' is not a number");
    }
  } else {
    bad(where, "must be a number");
  }
  if (n > max) bad(where, std::to_string(n) + " is above " + std::to_string(max));
  return n;
}

template <class T>
T field(const json& object, const char* name, const std::string& where, uint64_t max, T fallback) {
  if (!object.contains(name)) return fallback;
  return static_cast<T>(number(object.at(name), where + "." + name, max));
}

template <class T>
T required(const json& object, const char* name, const std::string& where, uint64_t max) {
  if (!object.contains(name)) bad(where, std::string("'") + name + "' is missing");
  return static_cast<T>(number(object.at(name), where + "." + name, max));
}

bool flag(const json& object, const char* name, const std::string& where, bool fallback) {
  if (!object.contains(name)) return fallback;
  if (!object.at(name).is_boolean()) bad(where + "." + name, "must be true or false");
  return object.at(name).get<bool>();
}

void only_keys(const json& object, const std::string& where, std::set<std::string> allowed) {
  if (!object.is_object()) bad(where, "must be an object");
  for (auto it = object.begin(); it != object.end(); ++it)
    if (!allowed.count(it.key())) bad(where, "unknown field '" + it.key() + "'");
}

const json& list(const json& root, const char* name) {
  static const json empty = json::array();
  if (!root.contains(name)) return empty;
  if (!root.at(name).is_array()) bad(name, "must be a list");
  return root.at(name);
}

RackCage parse_cage(const json& j, const std::string& where) {
  only_keys(j, where,
            {"address", "base_address_byte", "answering", "backplane_status", "cabled_to",
             "latch_never_lights", "lights_on_any_read", "stops_answering_after"});
  RackCage cage;
  cage.address = required<uint8_t>(j, "address", where, 0xFF);
  if (cage.address != 0x9C && cage.address != 0x9E)
    bad(where + ".address", "a cage sits at 0x9C or 0x9E");
  cage.base_address_byte = field<uint8_t>(j, "base_address_byte", where, 0xFF, 0x02);
  cage.answering = flag(j, "answering", where, true);
  cage.backplane_status = field<uint8_t>(j, "backplane_status", where, 0xFF, 0);
  if (!j.contains("cabled_to")) bad(where, "'cabled_to' is missing");
  const json& cable = j.at("cabled_to");
  only_keys(cable, where + ".cabled_to", {"port", "bus"});
  cage.port = required<int>(cable, "port", where + ".cabled_to", 9);
  cage.bus = required<int>(cable, "bus", where + ".cabled_to", 7);
  cage.latch_never_lights = flag(j, "latch_never_lights", where, false);
  if (j.contains("lights_on_any_read")) {
    if (!j.at("lights_on_any_read").is_array()) bad(where + ".lights_on_any_read", "must be a list");
    // The simulated cage has one such slot.
    if (j.at("lights_on_any_read").size() > 1)
      bad(where + ".lights_on_any_read", "at most one slot");
    for (const json& slot : j.at("lights_on_any_read"))
      cage.lights_on_any_read.push_back(
          static_cast<int>(number(slot, where + ".lights_on_any_read", 7)));
  }
  if (j.contains("stops_answering_after"))
    cage.stops_answering_after =
        static_cast<unsigned>(number(j.at("stops_answering_after"), where, 1000000000));
  return cage;
}

RackPort parse_port(const json& j, const std::string& where) {
  only_keys(j, where, {"model", "driver", "buses"});
  RackPort port;
  if (j.contains("model")) {
    if (!j.at("model").is_string()) bad(where + ".model", "must be a text");
    port.model = j.at("model").get<std::string>();
  }
  if (port.model != "standard" && port.model != "ami" && port.model != "mylex" &&
      port.model != "tarn")
    bad(where + ".model", "'" + port.model + "' is not standard, ami, mylex or tarn");
  if (j.contains("driver")) {
    if (!j.at("driver").is_string()) bad(where + ".driver", "must be a text");
    port.driver = j.at("driver").get<std::string>();
  }
  port.buses = field<int>(j, "buses", where, 8, 1);
  return port;
}

DriveKind parse_kind(const json& j, const std::string& where) {
  if (!j.contains("kind")) return DriveKind::Disk;
  const std::string kind = j.at("kind").is_string() ? j.at("kind").get<std::string>() : "";
  if (kind == "disk") return DriveKind::Disk;
  if (kind == "cdrom") return DriveKind::CdRom;
  if (kind == "scanner") return DriveKind::Scanner;
  bad(where + ".kind", "must be disk, cdrom or scanner");
}

RackDrive parse_drive(const json& j, const std::string& where) {
  only_keys(j, where, {"cage", "slot", "port", "bus", "target", "kind"});
  RackDrive drive;
  drive.kind = parse_kind(j, where);
  if (j.contains("cage")) {
    drive.cage = required<uint8_t>(j, "cage", where, 0xFF);
    drive.slot = required<int>(j, "slot", where, 7);
    if (j.contains("port") || j.contains("bus") || j.contains("target"))
      bad(where, "a drive in a cage slot takes its SCSI location from the cage");
    if (drive.kind != DriveKind::Disk) bad(where, "cage slots hold disks");
  } else {
    drive.port = required<int>(j, "port", where, 9);
    drive.bus = required<int>(j, "bus", where, 7);
    drive.target = required<int>(j, "target", where, 15);
  }
  return drive;
}

RackStep parse_step(const json& j, const std::string& where) {
  only_keys(j, where,
            {"at_ms", "insert", "remove", "event", "stop", "end", "visible_after_ms",
             "event_after_ms"});
  RackStep step;
  step.at_ms = required<uint64_t>(j, "at_ms", where, UINT64_C(1) << 48);
  int kinds = 0;
  for (const char* name : {"insert", "remove", "event", "stop", "end"}) kinds += j.contains(name);
  if (kinds != 1) bad(where, "needs exactly one of insert, remove, event, stop, end");
  if (j.contains("insert") || j.contains("remove")) {
    const bool insert = j.contains("insert");
    const json& slot = j.at(insert ? "insert" : "remove");
    const std::string at = where + (insert ? ".insert" : ".remove");
    only_keys(slot, at, {"cage", "slot"});
    step.kind = insert ? RackStep::Kind::Insert : RackStep::Kind::Remove;
    step.cage = required<uint8_t>(slot, "cage", at, 0xFF);
    step.slot = required<int>(slot, "slot", at, 7);
    step.visible_after_ms = field<uint64_t>(j, "visible_after_ms", where, UINT64_C(1) << 48, 0);
    if (j.contains("event_after_ms") && j.at("event_after_ms").is_null())
      step.event_after_ms.reset();
    else
      step.event_after_ms = field<uint64_t>(j, "event_after_ms", where, UINT64_C(1) << 48, 0);
  } else if (j.contains("event")) {
    step.kind = RackStep::Kind::Event;
    const json& event = j.at("event");
    only_keys(event, where + ".event", {"code"});
    step.code = required<uint8_t>(event, "code", where + ".event", 0xFF);
  } else {
    step.kind = j.contains("stop") ? RackStep::Kind::Stop : RackStep::Kind::End;
  }
  return step;
}

// Cross-checks: every place named exists and no two drives share a SCSI
// location or a slot.
void check(const Rack& rack) {
  std::set<uint8_t> addresses;
  for (size_t i = 0; i < rack.cages.size(); ++i) {
    const RackCage& cage = rack.cages[i];
    const std::string where = "cages[" + std::to_string(i) + "]";
    if (!addresses.insert(cage.address).second) bad(where, "two cages at one address");
    if (cage.port >= static_cast<int>(rack.ports.size()) ||
        cage.bus >= rack.ports[static_cast<size_t>(cage.port)].buses)
      bad(where + ".cabled_to", "no such port and bus");
  }
  std::map<std::tuple<int, int, int>, std::string> locations;
  std::set<std::pair<uint8_t, int>> slots;
  auto claim = [&](int port, int bus, int target, const std::string& where) {
    auto key = std::make_tuple(port, bus, target);
    auto found = locations.find(key);
    if (found != locations.end())
      bad(where, "answers at the same SCSI location as " + found->second);
    locations[key] = where;
  };
  for (size_t i = 0; i < rack.drives.size(); ++i) {
    const RackDrive& drive = rack.drives[i];
    const std::string where = "drives[" + std::to_string(i) + "]";
    if (drive.cage) {
      const RackCage* cage = nullptr;
      for (const RackCage& c : rack.cages)
        if (c.address == *drive.cage) cage = &c;
      if (!cage) bad(where + ".cage", "no cage at that address");
      if (!slots.insert({*drive.cage, drive.slot}).second) bad(where, "slot already holds a drive");
      claim(cage->port, cage->bus, slot_target(cage->base_address_byte, drive.slot), where);
    } else {
      if (drive.port >= static_cast<int>(rack.ports.size()) ||
          drive.bus >= rack.ports[static_cast<size_t>(drive.port)].buses)
        bad(where, "no such port and bus");
      claim(drive.port, drive.bus, drive.target, where);
    }
  }
  for (size_t i = 0; i < rack.timeline.size(); ++i) {
    const RackStep& step = rack.timeline[i];
    if (step.kind != RackStep::Kind::Insert && step.kind != RackStep::Kind::Remove) continue;
    if (!addresses.count(step.cage))
      bad("timeline[" + std::to_string(i) + "]", "no cage at that address");
  }
}

}  // namespace

int slot_target(uint8_t base_address_byte, int slot) {
  // The backplane's wiring of slots to target IDs, by the code in the two
  // low bits of the base-address byte (code 1 is wired as code 0).
  static const int kWiring0[8] = {10, 11, 11, 12, 13, 14, 14, 15};
  static const int kWiring2[8] = {1, 2, 2, 3, 4, 8, 8, 9};
  static const int kWiring3[8] = {0, 1, 1, 2, 3, 8, 8, 9};
  if (slot < 0 || slot > 7) return -1;
  switch (base_address_byte & 0x03) {
    case 2:
      return kWiring2[slot];
    case 3:
      return kWiring3[slot];
    default:
      return kWiring0[slot];
  }
}

int cage_index(const Rack& rack, uint8_t address) {
  // Cages are numbered in address order, as far as they answer without gap.
  int index = 0;
  for (uint8_t probe : {uint8_t{0x9C}, uint8_t{0x9E}}) {
    const RackCage* cage = nullptr;
    for (const RackCage& c : rack.cages)
      if (c.address == probe) cage = &c;
    if (!cage || !cage->answering) return -1;
    if (probe == address) return index;
    ++index;
  }
  return -1;
}

Rack parse_rack(const std::string& json_text) {
  json root;
  try {
    root = json::parse(json_text);
  } catch (const json::parse_error& error) {
    throw RackError(std::string("not valid JSON: ") + error.what());
  }
  only_keys(root, "rack", {"name", "description", "cages", "ports", "drives", "timeline"});
  Rack rack;
  if (root.contains("name") && root.at("name").is_string()) rack.name = root.at("name");
  size_t i = 0;
  for (const json& j : list(root, "cages")) rack.cages.push_back(parse_cage(j, "cages[" + std::to_string(i++) + "]"));
  i = 0;
  for (const json& j : list(root, "ports")) rack.ports.push_back(parse_port(j, "ports[" + std::to_string(i++) + "]"));
  if (rack.ports.size() > 10) bad("ports", "at most 10 SCSI ports");
  i = 0;
  for (const json& j : list(root, "drives")) rack.drives.push_back(parse_drive(j, "drives[" + std::to_string(i++) + "]"));
  i = 0;
  for (const json& j : list(root, "timeline")) rack.timeline.push_back(parse_step(j, "timeline[" + std::to_string(i++) + "]"));
  check(rack);
  return rack;
}

Rack load_rack_file(const std::string& path) {
  std::ifstream file(path);
  if (!file) throw RackError(path + ": cannot be read");
  std::stringstream text;
  text << file.rdbuf();
  try {
    return parse_rack(text.str());
  } catch (const RackError& error) {
    throw RackError(path + ": " + error.what());
  }
}

Rack default_rack() { return parse_rack(default_rack_json()); }

}  // namespace sim
