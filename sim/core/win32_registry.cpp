// advapi32's registry calls on the simulated registry.
#include <cstring>

#include "platform/platform.h"
#include "sim/core/faults.h"
#include "sim/core/handles.h"
#include "sim/core/machine.h"
#include "sim/core/registry.h"

namespace {

class KeyHandle : public sim::Object {
 public:
  KeyHandle(uint64_t key_id, REGSAM access) : key_id_(key_id), access_(access) {}
  const char* kind() const override { return "key"; }
  bool closed_by_close_handle() const override { return false; }
  uint64_t key_id() const { return key_id_; }
  REGSAM access() const { return access_; }

 private:
  uint64_t key_id_;
  REGSAM access_;
};

const REGSAM kAllRights = KEY_ALL_ACCESS;

// The key a handle stands for, with the rights it was opened with.
LONG ResolveKey(HKEY hKey, sim::RegKey** ppKey, REGSAM* pAccess) {
  sim::Registry& reg = sim::registry();
  if (sim::RegKey* root = reg.root(hKey)) {
    *ppKey = root;
    *pAccess = kAllRights;
    return ERROR_SUCCESS;
  }
  auto handle = sim::find_handle_as<KeyHandle>(reinterpret_cast<HANDLE>(hKey));
  if (!handle) return ERROR_INVALID_HANDLE;
  sim::RegKey* key = reg.find_by_id(handle->key_id());
  if (!key) return 1018;  // ERROR_KEY_DELETED
  *ppKey = key;
  *pAccess = handle->access();
  return ERROR_SUCCESS;
}

HKEY NewKeyHandle(sim::RegKey* key, REGSAM access) {
  return reinterpret_cast<HKEY>(sim::add_handle(std::make_shared<KeyHandle>(key->id, access)));
}

LONG Injected(const char* api) {
  DWORD dwError;
  return sim::injected_fault(api, &dwError) ? static_cast<LONG>(dwError) : ERROR_SUCCESS;
}

}  // namespace

LONG WINAPI RegCreateKeyExA(HKEY hKey, LPCSTR lpSubKey, DWORD, LPSTR, DWORD, REGSAM samDesired,
                            const LPSECURITY_ATTRIBUTES, PHKEY phkResult,
                            LPDWORD lpdwDisposition) {
  if (LONG lFault = Injected("RegCreateKeyExA")) return lFault;
  if (!phkResult) return ERROR_INVALID_PARAMETER;
  sim::Guard guard(sim::machine_mutex());
  sim::RegKey* base;
  REGSAM access;
  if (LONG lResult = ResolveKey(hKey, &base, &access)) return lResult;
  bool created = false;
  sim::RegKey* key = sim::registry().create(base, lpSubKey ? lpSubKey : "", &created);
  *phkResult = NewKeyHandle(key, samDesired);
  if (lpdwDisposition) *lpdwDisposition = created ? REG_CREATED_NEW_KEY : REG_OPENED_EXISTING_KEY;
  return ERROR_SUCCESS;
}

LONG WINAPI RegOpenKeyExA(HKEY hKey, LPCSTR lpSubKey, DWORD, REGSAM samDesired, PHKEY phkResult) {
  if (LONG lFault = Injected("RegOpenKeyExA")) return lFault;
  if (!phkResult) return ERROR_INVALID_PARAMETER;
  sim::Guard guard(sim::machine_mutex());
  sim::RegKey* base;
  REGSAM access;
  if (LONG lResult = ResolveKey(hKey, &base, &access)) return lResult;
  sim::RegKey* key = sim::registry().find(base, lpSubKey ? lpSubKey : "");
  if (!key) return ERROR_FILE_NOT_FOUND;
  *phkResult = NewKeyHandle(key, samDesired);
  return ERROR_SUCCESS;
}

LONG WINAPI RegSetValueExA(HKEY hKey, LPCSTR lpValueName, DWORD, DWORD dwType, const BYTE* lpData,
                           DWORD cbData) {
  if (LONG lFault = Injected("RegSetValueExA")) return lFault;
  sim::Guard guard(sim::machine_mutex());
  sim::RegKey* key;
  REGSAM access;
  if (LONG lResult = ResolveKey(hKey, &key, &access)) return lResult;
  if ((access & KEY_SET_VALUE) == 0) return ERROR_ACCESS_DENIED;
  if (!lpData && cbData != 0) return 998;  // ERROR_NOACCESS
  sim::RegValue value;
  value.type = dwType;
  if (cbData) value.data.assign(lpData, lpData + cbData);
  sim::registry().write_value(key, lpValueName ? lpValueName : "", std::move(value));
  return ERROR_SUCCESS;
}

LONG WINAPI RegQueryValueExA(HKEY hKey, LPCSTR lpValueName, LPDWORD lpReserved, LPDWORD lpType,
                             LPBYTE lpData, LPDWORD lpcbData) {
  if (LONG lFault = Injected("RegQueryValueExA")) return lFault;
  if (lpReserved) return ERROR_INVALID_PARAMETER;
  if (lpData && !lpcbData) return ERROR_INVALID_PARAMETER;
  sim::Guard guard(sim::machine_mutex());
  sim::RegKey* key;
  REGSAM access;
  if (LONG lResult = ResolveKey(hKey, &key, &access)) return lResult;
  if ((access & KEY_QUERY_VALUE) == 0) return ERROR_ACCESS_DENIED;
  sim::RegValue* value = sim::registry().find_value(key, lpValueName ? lpValueName : "");
  if (!value) return ERROR_FILE_NOT_FOUND;
  if (lpType) *lpType = value->type;
  DWORD cbNeeded = static_cast<DWORD>(value->data.size());
  if (!lpcbData) return ERROR_SUCCESS;
  if (!lpData) {
    *lpcbData = cbNeeded;
    return ERROR_SUCCESS;
  }
  if (*lpcbData < cbNeeded) {
    *lpcbData = cbNeeded;
    return ERROR_MORE_DATA;
  }
  if (cbNeeded) std::memcpy(lpData, value->data.data(), cbNeeded);
  *lpcbData = cbNeeded;
  return ERROR_SUCCESS;
}

LONG WINAPI RegCloseKey(HKEY hKey) {
  if (LONG lFault = Injected("RegCloseKey")) return lFault;
  sim::Guard guard(sim::machine_mutex());
  if (sim::registry().root(hKey)) return ERROR_SUCCESS;
  HANDLE handle = reinterpret_cast<HANDLE>(hKey);
  if (!sim::find_handle_as<KeyHandle>(handle)) return ERROR_INVALID_HANDLE;
  sim::remove_handle(handle);
  return ERROR_SUCCESS;
}
