// Draws a rack run's report (docs/rack-report.md): each cage as a row of
// its eight slots with the adapter/channel/target the public store maps
// there, the decoded store beside the ground truth, and how long the first
// mapping pass took in virtual time.
//
//   rackview <report.json>
// Exit code 0 when the store agrees with the ground truth, 1 when not,
// 2 when the report cannot be read.
#include <cstdio>
#include <fstream>
#include <map>
#include <nlohmann/json.hpp>
#include <set>
#include <sstream>
#include <string>
#include <vector>

namespace {

using nlohmann::json;

struct Place {
  int adapter, channel, target;
  bool operator==(const Place& o) const {
    return adapter == o.adapter && channel == o.channel && target == o.target;
  }
};

std::string place_text(const Place* place) {
  if (!place) return "  empty  ";
  char text[32];
  std::snprintf(text, sizeof(text), "a%d c%d t%-2d", place->adapter, place->channel, place->target);
  return text;
}

std::vector<uint8_t> unhex(const std::string& text) {
  std::vector<uint8_t> bytes;
  for (size_t i = 0; i + 1 < text.size(); i += 2)
    bytes.push_back(static_cast<uint8_t>(std::stoul(text.substr(i, 2), nullptr, 16)));
  return bytes;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: rackview <report.json>\n");
    return 2;
  }
  json report;
  try {
    std::ifstream file(argv[1]);
    if (!file) throw std::runtime_error("cannot be read");
    file >> report;
  } catch (const std::exception& error) {
    std::fprintf(stderr, "rackview: %s: %s\n", argv[1], error.what());
    return 2;
  }

  // Ground truth and the store, by (cage, slot).
  std::map<std::pair<int, int>, Place> truth;
  std::set<int> cages;
  for (const json& t : report.value("truth", json::array())) {
    truth[{t["cage"], t["slot"]}] = Place{t["adapter"], t["channel"], t["target"]};
    cages.insert(t["cage"].get<int>());
  }
  std::map<std::pair<int, int>, Place> stored;
  std::vector<std::vector<uint8_t>> entries;
  int map_count = -1;
  if (report.contains("store")) {
    map_count = report["store"]["map_count"];
    std::vector<uint8_t> bytes = unhex(report["store"]["mappings"]);
    for (size_t i = 0; i + 5 <= bytes.size(); i += 5) {
      entries.emplace_back(bytes.begin() + static_cast<long>(i), bytes.begin() + static_cast<long>(i + 5));
      bool invalid = true;
      for (size_t k = 0; k < 5; ++k) invalid = invalid && bytes[i + k] == 0xFF;
      if (invalid) continue;
      stored[{bytes[i], bytes[i + 1]}] = Place{bytes[i + 4], bytes[i + 3], bytes[i + 2]};
      cages.insert(bytes[i]);
    }
  }

  std::printf("\nRack \"%s\": what SlotWarden stored (store) and how the rack is wired (truth)\n",
              report.value("rack", std::string()).c_str());
  std::printf("Each slot: adapter (SCSI port), channel (bus), target ID.\n\n");
  for (int cage : cages) {
    std::printf("cage 0x%02X  ", cage);
    for (int slot = 0; slot < 8; ++slot) std::printf("| slot %d    ", slot);
    std::printf("|\n");
    for (const char* row : {"store", "truth"}) {
      std::printf("  %-8s ", row);
      for (int slot = 0; slot < 8; ++slot) {
        auto& source = std::string(row) == "store" ? stored : truth;
        auto it = source.find({cage, slot});
        std::printf("| %-10s", place_text(it == source.end() ? nullptr : &it->second).c_str());
      }
      std::printf("|\n");
    }
    std::printf("\n");
  }

  if (map_count < 0) {
    std::printf("Public store: nothing stored.\n");
  } else {
    std::printf("Public store HKLM\\SOFTWARE\\Ostravale\\Tormelle: \"Map count\" %d, \"Mappings\" %zu bytes\n",
                map_count, entries.size() * 5);
    std::printf("   #  cage  slot  target  channel  adapter   truth\n");
    for (size_t i = 0; i < entries.size(); ++i) {
      const std::vector<uint8_t>& e = entries[i];
      bool invalid = e[0] == 0xFF && e[1] == 0xFF && e[2] == 0xFF && e[3] == 0xFF && e[4] == 0xFF;
      if (invalid) {
        std::printf("  %2zu  (invalidated: FF FF FF FF FF)\n", i);
        continue;
      }
      auto it = truth.find({e[0], e[1]});
      const char* verdict = it == truth.end() ? "no drive there"
                            : it->second == Place{e[4], e[3], e[2]} ? "same"
                                                                    : "differs";
      std::printf("  %2zu  0x%02X  %4d  %6d  %7d  %7d   %s\n", i, e[0], e[1], e[2], e[3], e[4], verdict);
    }
  }

  bool agree = stored.size() == truth.size();
  for (const auto& entry : truth) {
    auto it = stored.find(entry.first);
    agree = agree && it != stored.end() && it->second == entry.second;
  }
  std::printf("\nStore %s the ground truth.\n", agree ? "equals" : "does NOT equal");

  const long long first_store = report.value("first_store_ms", -1LL);
  if (first_store >= 0)
    std::printf("First full mapping pass: %.1f s of virtual time", first_store / 1000.0);
  if (report.contains("bus"))
    std::printf(", %lld bus exchanges in the run, %lld SCSI commands.\n",
                report["bus"].value("exchanges", 0LL), report["scsi"].value("commands", 0LL));
  else
    std::printf("\n");
  return agree ? 0 : 1;
}
