// Injected faults hit exactly the calls they were armed for.
#include <gtest/gtest.h>

#include "platform/platform.h"
#include "sim/core/faults.h"

namespace {

LONG OpenAndClose() {
  HKEY hKey;
  LONG lResult = RegCreateKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE\\F", 0, NULL, 0, KEY_WRITE, NULL,
                                 &hKey, NULL);
  if (lResult == ERROR_SUCCESS) RegCloseKey(hKey);
  return lResult;
}

TEST(Faults, NthCallForSomeTimes) {
  sim::fail_call("RegCreateKeyExA", ERROR_ACCESS_DENIED, 2, 2);
  EXPECT_EQ(OpenAndClose(), ERROR_SUCCESS);
  EXPECT_EQ(OpenAndClose(), ERROR_ACCESS_DENIED);
  EXPECT_EQ(OpenAndClose(), ERROR_ACCESS_DENIED);
  EXPECT_EQ(OpenAndClose(), ERROR_SUCCESS);
  EXPECT_EQ(sim::call_count("RegCreateKeyExA"), 4u);
}

TEST(Faults, EveryCallAndClear) {
  sim::fail_always("CreateEventA", ERROR_NOT_ENOUGH_MEMORY);
  EXPECT_EQ(CreateEventA(NULL, TRUE, FALSE, NULL), nullptr);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NOT_ENOUGH_MEMORY));
  EXPECT_EQ(CreateEventA(NULL, TRUE, FALSE, NULL), nullptr);
  sim::clear_faults();
  HANDLE hEvent = CreateEventA(NULL, TRUE, FALSE, NULL);
  EXPECT_NE(hEvent, nullptr);
  CloseHandle(hEvent);
}

TEST(Faults, HookSeesEverySeamCallInOrder) {
  std::vector<std::string> seen;
  sim::set_fault_hook([&](const std::string& api, uint64_t sequence) -> std::optional<DWORD> {
    seen.push_back(api);
    if (sequence == 2) return static_cast<DWORD>(ERROR_GEN_FAILURE);
    return std::nullopt;
  });
  HKEY hKey;
  ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE\\F", 0, NULL, 0, KEY_WRITE, NULL, &hKey,
                            NULL),
            ERROR_SUCCESS);
  DWORD dw = 1;
  EXPECT_EQ(RegSetValueExA(hKey, "V", 0, REG_DWORD, reinterpret_cast<BYTE*>(&dw), 4),
            ERROR_GEN_FAILURE);
  EXPECT_EQ(RegCloseKey(hKey), ERROR_SUCCESS);
  EXPECT_EQ(seen, (std::vector<std::string>{"RegCreateKeyExA", "RegSetValueExA", "RegCloseKey"}));
}

}  // namespace
