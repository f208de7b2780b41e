// An in-memory registry with the behaviour that the startup code relies on:
// key and value names without regard to case, values listed in the order
// they were made, access levels, and on request the two views of the
// machine-wide keys that a 64-bit system has (the per-user keys are shared
// by both views, as on Windows). Names and string data are kept as the
// UTF-8 the program gives; what Windows could not store as UTF-16 (text
// that is not UTF-8) is refused as there.
#include "PortableRegistry.h"
#include "core/system/AsciiCase.h"
#include "FaultInjection.h"
#include "Registry.h"

#include "Errors.h"
#include "TextCodec.h"

#include <algorithm>
#include <cstring>
#include <list>
#include <map>
#include <memory>
#include <optional>
#include <unordered_map>
#include <utility>
#include <vector>

namespace {

using portable_registry::Access;

struct StoredValue {
    std::string name;
    uint32_t type = regNone;
    std::string data;
    bool unreadable = false;
};

struct Node {
    std::map<std::string, std::shared_ptr<Node>> children; // by upper-cased name
    std::list<StoredValue> values;                         // in the order they were made
    std::unordered_map<std::string, std::list<StoredValue>::iterator> index;
    Access access = Access::Full;
    // Set when the key is deleted; handles still open on it then see nothing.
    bool deleted = false;

    StoredValue* find(const std::string& name) {
        auto it = index.find(asciiUpper(name));
        return it == index.end() ? nullptr : &*it->second;
    }

    StoredValue& findOrAdd(const std::string& name) {
        std::string key = asciiUpper(name);
        auto it = index.find(key);
        if (it != index.end())
            return *it->second;
        values.push_back(StoredValue{name, regNone, {}, false});
        index.emplace(std::move(key), std::prev(values.end()));
        return values.back();
    }

    bool erase(const std::string& name) {
        auto it = index.find(asciiUpper(name));
        if (it == index.end())
            return false;
        values.erase(it->second);
        index.erase(it);
        return true;
    }
};

void markDeleted(Node& node) {
    node.deleted = true;
    for (auto& child : node.children)
        markDeleted(*child.second);
}

struct Registry {
    std::shared_ptr<Node> machine = std::make_shared<Node>();
    std::shared_ptr<Node> machineWow32 = std::make_shared<Node>();
    std::shared_ptr<Node> user = std::make_shared<Node>();
    bool twoViews = false;

    const std::shared_ptr<Node>& hive(RegRoot root, RegView view) const {
        if (root == RegRoot::CurrentUser)
            return user;
        return twoViews && view == RegView::Wow32 ? machineWow32 : machine;
    }
};

Registry& registry() {
    static Registry instance;
    return instance;
}

// The names of a key path from the hive's root; nothing when the path holds
// an empty name, which the registry refuses.
std::optional<std::vector<std::string>> splitPath(const std::string& path) {
    std::vector<std::string> names;
    std::string::size_type start = !path.empty() && path[0] == '\\' ? 1 : 0;
    if (start == path.size())
        return names;
    for (;;) {
        std::string::size_type end = path.find('\\', start);
        std::string name = path.substr(start, end == std::string::npos ? end : end - start);
        if (name.empty())
            return std::nullopt;
        names.push_back(asciiUpper(name));
        if (end == std::string::npos)
            return names;
        start = end + 1;
    }
}

std::shared_ptr<Node> walk(RegRoot root, RegView view, const std::vector<std::string>& names,
                           std::size_t depth, bool create) {
    std::shared_ptr<Node> node = registry().hive(root, view);
    for (std::size_t i = 0; i < depth; ++i) {
        auto it = node->children.find(names[i]);
        if (it == node->children.end()) {
            if (!create)
                return nullptr;
            it = node->children.emplace(names[i], std::make_shared<Node>()).first;
        }
        node = it->second;
    }
    return node;
}

std::shared_ptr<Node> findKey(RegRoot root, const std::string& path, RegView view, bool create) {
    auto names = splitPath(path);
    return names ? walk(root, view, *names, names->size(), create) : nullptr;
}

// What a TRegKey holds: the key, shared with the registry so that a deleted
// key stays valid memory for a handle that is still open on it.
struct Handle {
    std::shared_ptr<Node> node;
};

Node* live(void* handle) {
    if (!handle)
        return nullptr;
    Node* node = static_cast<Handle*>(handle)->node.get();
    return node->deleted ? nullptr : node;
}

[[noreturn]] void raise(const char* fmt, const std::string& name) {
    throw ERegistryError(FormatMessage1(fmt, name));
}

bool isText(uint32_t type) {
    return type == regSz || type == regExpandSz;
}

std::string textUpToNul(const std::string& data) {
    return data.substr(0, data.find('\0'));
}

std::string settingsPath(const std::string& subkey) {
    return subkey.empty() ? "Software\\Morvane" : "Software\\Morvane\\" + subkey;
}

Node* settingsKey(const std::string& subkey, bool create) {
    std::shared_ptr<Node> node =
        findKey(RegRoot::CurrentUser, settingsPath(subkey), RegView::Default, create);
    return node.get();
}

} // namespace

namespace portable_registry {

void Reset() {
    Registry& reg = registry();
    markDeleted(*reg.machine);
    markDeleted(*reg.machineWow32);
    markDeleted(*reg.user);
    reg = Registry{};
}

void SetTwoViews(bool twoViews) {
    registry().twoViews = twoViews;
}

void CreateKey(RegRoot root, const std::string& path, RegView view) {
    findKey(root, path, view, true);
}

void DeleteKey(RegRoot root, const std::string& path, RegView view) {
    auto names = splitPath(path);
    if (!names || names->empty())
        return;
    std::shared_ptr<Node> parent = walk(root, view, *names, names->size() - 1, false);
    if (!parent)
        return;
    auto it = parent->children.find(names->back());
    if (it == parent->children.end())
        return;
    markDeleted(*it->second);
    parent->children.erase(it);
}

void SetValue(RegRoot root, const std::string& path, const std::string& name, uint32_t type,
              const std::string& data, RegView view) {
    StoredValue& value = findKey(root, path, view, true)->findOrAdd(name);
    value.type = type;
    value.data = data;
    value.unreadable = false;
}

bool GetValue(RegRoot root, const std::string& path, const std::string& name, uint32_t& type,
              std::string& data, RegView view) {
    std::shared_ptr<Node> node = findKey(root, path, view, false);
    StoredValue* value = node ? node->find(name) : nullptr;
    if (!value)
        return false;
    type = value->type;
    data = value->data;
    return true;
}

void SetAccess(RegRoot root, const std::string& path, Access access, RegView view) {
    findKey(root, path, view, true)->access = access;
}

void SetUnreadable(RegRoot root, const std::string& path, const std::string& name, RegView view) {
    std::shared_ptr<Node> node = findKey(root, path, view, false);
    if (StoredValue* value = node ? node->find(name) : nullptr)
        value->unreadable = true;
}

} // namespace portable_registry

TRegKey::~TRegKey() {
    Close();
}

TRegKey::TRegKey(TRegKey&& other) noexcept
    : handle_(std::exchange(other.handle_, nullptr)),
      writable_(std::exchange(other.writable_, false)) {}

TRegKey& TRegKey::operator=(TRegKey&& other) noexcept {
    if (this != &other) {
        Close();
        handle_ = std::exchange(other.handle_, nullptr);
        writable_ = std::exchange(other.writable_, false);
    }
    return *this;
}

bool TRegKey::Open(RegRoot root, const std::string& path, RegAccess access, RegView view) {
    Close();
    std::shared_ptr<Node> node = findKey(root, path, view, false);
    if (!node || node->access == Access::Denied ||
        (access == RegAccess::Full && node->access != Access::Full))
        return false;
    handle_ = new Handle{std::move(node)};
    writable_ = access == RegAccess::Full;
    return true;
}

void TRegKey::Close() {
    delete static_cast<Handle*>(handle_);
    handle_ = nullptr;
    writable_ = false;
}

std::vector<std::string> TRegKey::ValueNames() const {
    std::vector<std::string> names;
    if (Node* node = live(handle_)) {
        names.reserve(node->values.size());
        for (const StoredValue& value : node->values)
            names.push_back(value.name);
    }
    return names;
}

std::vector<RegListedValue> TRegKey::Values() const {
    std::vector<RegListedValue> values;
    if (Node* node = live(handle_)) {
        values.reserve(node->values.size());
        for (const StoredValue& stored : node->values) {
            RegListedValue value;
            value.Name = stored.name;
            // An unreadable value is left to ReadText, which reports it.
            if (!stored.unreadable) {
                value.HasData = true;
                value.Type = stored.type;
                value.Data = stored.data;
            }
            values.push_back(std::move(value));
        }
    }
    return values;
}

std::string TRegKey::ReadText(const std::string& name) const {
    Node* node = live(handle_);
    StoredValue* value = node ? node->find(name) : nullptr;
    if (!value || value->data.empty())
        return {};
    if (value->unreadable)
        raise("Failed to get data for '%s'", name);
    if (!isText(value->type))
        raise("Invalid data type for '%s'", name);
    return textUpToNul(value->data);
}

bool TRegKey::ReadValue(const std::string& name, RegValue& value) const {
    Node* node = live(handle_);
    StoredValue* stored = node ? node->find(name) : nullptr;
    if (!stored || stored->unreadable)
        return false;
    value.Type = stored->type;
    value.Text = isText(stored->type) ? textUpToNul(stored->data) : std::string();
    value.Data = stored->data;
    return true;
}

bool TRegKey::ReadRaw(const std::string& name, uint32_t& type, std::string& data) const {
    Node* node = live(handle_);
    StoredValue* stored = node ? node->find(name) : nullptr;
    if (!stored || stored->unreadable)
        return false;
    type = stored->type;
    data = stored->data;
    return true;
}

namespace {

bool storable(const std::string& name, uint32_t type, const std::string& data) {
    bool stringType = type == regSz || type == regExpandSz || type == regMultiSz;
    return IsConvertibleUtf8(name) && (!stringType || IsConvertibleUtf8(data));
}

} // namespace

bool TRegKey::WriteRaw(const std::string& name, uint32_t type, const std::string& data) {
    Node* node = live(handle_);
    if (!node || !writable_ || !storable(name, type, data) || !fault_injection::AllowChange())
        return false;
    StoredValue& value = node->findOrAdd(name);
    value.type = type;
    value.data = data;
    value.unreadable = false;
    return true;
}

void TRegKey::WriteText(const std::string& name, const std::string& text, uint32_t type) {
    Node* node = live(handle_);
    if (!node || !writable_ || !storable(name, type, text) || !fault_injection::AllowChange())
        raise("Failed to set data for '%s'", name);
    StoredValue& value = node->findOrAdd(name);
    value.type = type;
    value.data.assign(text.c_str(), text.size() + 1);
    value.unreadable = false;
}

bool TRegKey::DeleteValue(const std::string& name) {
    Node* node = live(handle_);
    return node && writable_ && fault_injection::AllowChange() && node->erase(name);
}

bool HasTwoRegistryViews() {
    return registry().twoViews;
}

bool WriteUserSetting(const std::string& subkey, const std::string& name,
                      const std::string& value) {
    Node* node = settingsKey(subkey, true);
    if (!node || node->access != Access::Full)
        return false;
    StoredValue& stored = node->findOrAdd(name);
    stored.type = regSz;
    stored.data.assign(value.c_str(), value.size() + 1);
    stored.unreadable = false;
    return true;
}

bool ReadUserSetting(const std::string& subkey, const std::string& name, std::string& value) {
    Node* node = settingsKey(subkey, false);
    StoredValue* stored = node && node->access != Access::Denied ? node->find(name) : nullptr;
    if (!stored || stored->unreadable || !isText(stored->type))
        return false;
    value = textUpToNul(stored->data);
    return true;
}

bool WriteUserSettingInt(const std::string& subkey, const std::string& name, uint32_t value) {
    Node* node = settingsKey(subkey, true);
    if (!node || node->access != Access::Full)
        return false;
    StoredValue& stored = node->findOrAdd(name);
    stored.type = regDword;
    stored.data.assign(reinterpret_cast<const char*>(&value), sizeof value);
    stored.unreadable = false;
    return true;
}

bool ReadUserSettingInt(const std::string& subkey, const std::string& name, uint32_t& value) {
    Node* node = settingsKey(subkey, false);
    StoredValue* stored = node && node->access != Access::Denied ? node->find(name) : nullptr;
    if (!stored || stored->unreadable || stored->type != regDword ||
        stored->data.size() != sizeof value)
        return false;
    std::memcpy(&value, stored->data.data(), sizeof value);
    return true;
}
