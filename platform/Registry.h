// The registry hive, kept in registry.ini of the machine folder: one section
// per key named by its full path ("[HKEY_LOCAL_MACHINE\SOFTWARE\Vendor\App]"),
// string values as Name=text. Key and value names compare without case. A
// key exists when it has a section or a sub-key has one.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/PlatformError.h"

class ERegistryException : public EPlatformError {
public:
    using EPlatformError::EPlatformError;
};

using HKEY = uint32_t;
constexpr HKEY HKEY_CLASSES_ROOT = 0x80000000u;
constexpr HKEY HKEY_CURRENT_USER = 0x80000001u;
constexpr HKEY HKEY_LOCAL_MACHINE = 0x80000002u;
constexpr HKEY HKEY_USERS = 0x80000003u;
constexpr HKEY HKEY_CURRENT_CONFIG = 0x80000005u;

class TRegistry {
public:
    TRegistry() = default;

    HKEY RootKey() const { return root_; }
    void SetRootKey(HKEY root);   // closes an open key

    // Opens Key ("\A\B" from the root, "A\B" below the open key or the root).
    // A missing key fails unless canCreate, which writes it to the hive.
    // Throws EMachineError when the machine or registry.ini is unusable.
    bool OpenKey(const std::string& key, bool canCreate);
    bool OpenKeyReadOnly(const std::string& key);
    bool KeyExists(const std::string& key);
    void CloseKey();
    bool HasCurrentKey() const { return !current_.empty(); }
    // Full key path of the open key, e.g. "HKEY_LOCAL_MACHINE\SOFTWARE\X".
    const std::string& CurrentPath() const { return current_; }

    // The value as text; an absent value reads as empty. Needs an open key.
    std::string ReadString(const std::string& name);
    bool ValueExists(const std::string& name);
    std::vector<std::string> GetValueNames();
    // Writes the value into the hive (atomically; other lines kept). Raises
    // ERegistryException without an open key or when writing fails.
    void WriteString(const std::string& name, const std::string& value);

    // The section name of a root, e.g. "HKEY_LOCAL_MACHINE".
    static std::string RootName(HKEY root);

private:
    std::string FullPath(const std::string& key) const;

    HKEY root_ = HKEY_CURRENT_USER;
    std::string current_;
    bool readOnly_ = false;
};
