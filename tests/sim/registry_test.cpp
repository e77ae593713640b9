// The simulated registry behaves as advapi32 documents it.
#include <gtest/gtest.h>

#include <cstring>

#include "platform/platform.h"
#include "sim/core/handles.h"
#include "sim/core/registry.h"

namespace {

TEST(SimRegistry, CreateSetQueryRoundTrip) {
  HKEY hKey;
  DWORD dwDisposition = 0;
  ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE\\A\\B", 0, NULL, 0, KEY_WRITE, NULL,
                            &hKey, &dwDisposition),
            ERROR_SUCCESS);
  EXPECT_EQ(dwDisposition, static_cast<DWORD>(REG_CREATED_NEW_KEY));
  const BYTE abData[] = {1, 2, 3};
  ASSERT_EQ(RegSetValueExA(hKey, "Bytes", 0, REG_BINARY, abData, 3), ERROR_SUCCESS);
  DWORD dwType, cb = 3;
  BYTE abOut[3];
  // KEY_WRITE does not allow reading.
  EXPECT_EQ(RegQueryValueExA(hKey, "Bytes", NULL, &dwType, abOut, &cb), ERROR_ACCESS_DENIED);
  RegCloseKey(hKey);

  ASSERT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, "software\\a\\b", 0, KEY_READ, &hKey),
            ERROR_SUCCESS);
  ASSERT_EQ(RegQueryValueExA(hKey, "BYTES", NULL, &dwType, abOut, &cb), ERROR_SUCCESS);
  EXPECT_EQ(dwType, static_cast<DWORD>(REG_BINARY));
  EXPECT_EQ(std::memcmp(abOut, abData, 3), 0);
  EXPECT_EQ(RegSetValueExA(hKey, "X", 0, REG_DWORD, abData, 3), ERROR_ACCESS_DENIED);
  RegCloseKey(hKey);
  EXPECT_EQ(sim::open_handle_count(), 0u);
}

TEST(SimRegistry, ShortBufferAndMissingNames) {
  sim::registry().set_string("HKLM\\SOFTWARE\\K", "Text", "hello");
  HKEY hKey;
  EXPECT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE\\Missing", 0, KEY_READ, &hKey),
            ERROR_FILE_NOT_FOUND);
  ASSERT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE\\K", 0, KEY_READ, &hKey), ERROR_SUCCESS);
  char sz[4];
  DWORD cb = sizeof(sz);
  EXPECT_EQ(RegQueryValueExA(hKey, "Text", NULL, NULL, reinterpret_cast<BYTE*>(sz), &cb),
            ERROR_MORE_DATA);
  EXPECT_EQ(cb, 6u);
  cb = 0;
  EXPECT_EQ(RegQueryValueExA(hKey, "Text", NULL, NULL, NULL, &cb), ERROR_SUCCESS);
  EXPECT_EQ(cb, 6u);
  EXPECT_EQ(RegQueryValueExA(hKey, "Other", NULL, NULL, NULL, &cb), ERROR_FILE_NOT_FOUND);
  RegCloseKey(hKey);
  EXPECT_EQ(RegCloseKey(hKey), ERROR_INVALID_HANDLE);
  EXPECT_EQ(sim::registry().string("HKLM\\SOFTWARE\\K", "text"), "hello");
}

TEST(SimRegistry, KeyHandlesAreNotClosedByCloseHandle) {
  HKEY hKey;
  ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE\\K", 0, NULL, 0, KEY_ALL_ACCESS, NULL,
                            &hKey, NULL),
            ERROR_SUCCESS);
  EXPECT_FALSE(CloseHandle(reinterpret_cast<HANDLE>(hKey)));
  EXPECT_EQ(RegCloseKey(hKey), ERROR_SUCCESS);
}

TEST(SimRegistry, DeletedKeyAndTestView) {
  sim::registry().set_dword("HKLM\\SYSTEM\\S\\T", "V", 7);
  EXPECT_EQ(sim::registry().subkey_names("HKLM\\SYSTEM\\S"), std::vector<std::string>{"T"});
  HKEY hKey;
  ASSERT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SYSTEM\\S\\T", 0, KEY_READ, &hKey), ERROR_SUCCESS);
  EXPECT_TRUE(sim::registry().delete_key("HKLM\\SYSTEM\\S"));
  EXPECT_FALSE(sim::registry().key_exists("HKLM\\SYSTEM\\S\\T"));
  DWORD cb = 4;
  DWORD dw;
  EXPECT_EQ(RegQueryValueExA(hKey, "V", NULL, NULL, reinterpret_cast<BYTE*>(&dw), &cb), 1018);
  RegCloseKey(hKey);
}

}  // namespace
