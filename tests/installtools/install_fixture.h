// Helpers shared by the install tool tests: the status record, the log file
// and the sequence of status codes a run writes.
#ifndef TESTS_INSTALLTOOLS_INSTALL_FIXTURE_H
#define TESTS_INSTALLTOOLS_INSTALL_FIXTURE_H

#include <gtest/gtest.h>

#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "installtools/common/install_status.h"
#include "platform/platform.h"
#include "sim/core/faults.h"
#include "sim/core/registry.h"
#include "sim/files/file_system.h"

namespace sim {
inline void PrintTo(const FileState& file, std::ostream* out) {
  *out << '"' << file.content << '"' << (file.read_only ? " (read-only)" : "");
}
}  // namespace sim

inline const char* kStatusKey = "HKLM\\" INSTALL_STATUS_KEY;

inline std::optional<DWORD> Status() { return sim::registry().dword(kStatusKey, "Status"); }

inline std::string LogText(const std::string& path) {
  return sim::files().read_file(path).value_or("");
}

// Records every code written to "Status", in order, by looking at the value
// whenever a registry value is about to be written and once more at the end.
class StatusRecorder {
 public:
  StatusRecorder() {
    sim::set_fault_hook([this](const std::string& api, uint64_t) -> std::optional<DWORD> {
      if (api == "RegSetValueExA" || api == "RegCloseKey") Note();
      return std::nullopt;
    });
  }
  ~StatusRecorder() { sim::set_fault_hook(nullptr); }

  std::vector<DWORD> Codes() {
    Note();
    return codes_;
  }

 private:
  void Note() {
    std::optional<DWORD> status = Status();
    if (status && (codes_.empty() || codes_.back() != *status)) codes_.push_back(*status);
  }
  std::vector<DWORD> codes_;
};

// The records of a log: each starts with "mm/dd/yy hh:mm:ss:  ".
inline bool IsStamp(const std::string& text, size_t at) {
  static const char kShape[] = "00/00/00 00:00:00:  ";
  if (text.size() < at + sizeof(kShape) - 1) return false;
  for (size_t i = 0; i + 1 < sizeof(kShape); ++i) {
    const char c = text[at + i];
    if (kShape[i] == '0' ? !isdigit(static_cast<unsigned char>(c)) : c != kShape[i]) return false;
  }
  return true;
}

// The messages of a log without their stamps (a failure when a record has
// none).
inline std::vector<std::string> LogMessages(const std::string& text) {
  std::vector<std::string> messages;
  const size_t kStampSize = 20;
  size_t at = 0;
  while (at < text.size()) {
    EXPECT_TRUE(IsStamp(text, at)) << "no time stamp at " << at << " in: " << text;
    at += kStampSize;
    size_t next = at;
    while (next < text.size() && !IsStamp(text, next)) ++next;
    messages.push_back(text.substr(at, next - at));
    at = next;
  }
  return messages;
}

#endif  // TESTS_INSTALLTOOLS_INSTALL_FIXTURE_H
