// An in-memory registry with the behaviour that the startup code relies on:
// key and value names without regard to case, values listed in the order
// they were made, access levels, and on request the two views of the
// machine-wide keys that a 64-bit system has (the per-user keys are shared
// by both views, as on Windows). Names and string data are kept as the
// UTF-8 the program gives; what Windows could not store as UTF-16 (text
// that is not UTF-8) is refused as there.
//
// What it cannot model: security descriptors beyond the three access levels
// (no per-user or per-right checks), registry redirection and reflection
// below Software other than the one Wow32 copy of the machine hive, symbolic
// links, volatile keys, the size limits of names and data, and another
// process changing a key while it is read.
#include "Registry.h"
#include "RegistryShared.h"
#include "RegistryStore_portable.h"

#include "core/system/AsciiCase.h"
#include "FaultInjection.h"
#include "TextCodec.h"

#include <utility>

using namespace registry_detail;
using portable_registry::Access;
using portable_registry::FindKey;
using portable_registry::Node;
using portable_registry::StoredValue;

namespace portable_registry {

StoredValue* Node::find(const std::string& name) {
    auto it = index.find(asciiUpper(name));
    return it == index.end() ? nullptr : &*it->second;
}

StoredValue& Node::findOrAdd(const std::string& name) {
    std::string key = asciiUpper(name);
    auto it = index.find(key);
    if (it != index.end())
        return *it->second;
    values.push_back(StoredValue{name, regNone, {}, false});
    index.emplace(std::move(key), std::prev(values.end()));
    return values.back();
}

bool Node::erase(const std::string& name) {
    auto it = index.find(asciiUpper(name));
    if (it == index.end())
        return false;
    values.erase(it->second);
    index.erase(it);
    return true;
}

void MarkDeleted(Node& node) {
    node.deleted = true;
    for (auto& child : node.children)
        MarkDeleted(*child.second);
}

const std::shared_ptr<Node>& Store::hive(RegRoot root, RegView view) const {
    if (root == RegRoot::CurrentUser)
        return user;
    return twoViews && view == RegView::Wow32 ? machineWow32 : machine;
}

Store& TheStore() {
    static Store instance;
    return instance;
}

std::optional<std::vector<std::string>> SplitPath(const std::string& path) {
    std::vector<std::string> names;
    std::string::size_type start = !path.empty() && path[0] == '\\' ? 1 : 0;
    if (start == path.size())
        return names;
    for (;;) {
        std::string::size_type end = path.find('\\', start);
        std::string name = path.substr(start, end == std::string::npos ? end : end - start);
        if (name.empty())
            return std::nullopt;
        names.push_back(name);
        if (end == std::string::npos)
            return names;
        start = end + 1;
    }
}

std::shared_ptr<Node> Walk(RegRoot root, RegView view, const std::vector<std::string>& names,
                           std::size_t depth, bool create) {
    std::shared_ptr<Node> node = TheStore().hive(root, view);
    for (std::size_t i = 0; i < depth; ++i) {
        auto it = node->children.find(asciiUpper(names[i]));
        if (it == node->children.end()) {
            if (!create)
                return nullptr;
            auto child = std::make_shared<Node>();
            child->keyName = names[i];
            it = node->children.emplace(asciiUpper(names[i]), std::move(child)).first;
        }
        node = it->second;
    }
    return node;
}

std::shared_ptr<Node> FindKey(RegRoot root, const std::string& path, RegView view, bool create) {
    auto names = SplitPath(path);
    return names ? Walk(root, view, *names, names->size(), create) : nullptr;
}

} // namespace portable_registry

namespace registry_detail {

// The key, shared with the store so that a deleted key stays valid memory
// for a handle that is still open on it.
struct THeldKey {
    std::shared_ptr<Node> node;
};

void releaseHeldKey(THeldKey* held) noexcept {
    delete held;
}

bool createUserKey(const std::string& path) {
    std::shared_ptr<Node> node = FindKey(RegRoot::CurrentUser, path, RegView::Default, true);
    return node != nullptr;
}

} // namespace registry_detail

namespace {

Node* live(const THeldKey* held) {
    if (!held)
        return nullptr;
    Node* node = held->node.get();
    return node->deleted ? nullptr : node;
}

bool storable(const std::string& name, uint32_t type, const std::string& data) {
    return IsConvertibleUtf8(name) && (!isStringType(type) || IsConvertibleUtf8(data));
}

} // namespace

bool TRegKey::Open(RegRoot root, const std::string& path, RegAccess access, RegView view) {
    Close();
    // The codes Windows gives: a path that is not UTF-8 cannot become the
    // UTF-16 the registry takes.
    if (hasEmptyName(path)) {
        failOpen(kInvalidName);
        return false;
    }
    if (!IsConvertibleUtf8(path)) {
        failOpen(1113); // ERROR_NO_UNICODE_TRANSLATION
        return false;
    }
    std::shared_ptr<Node> node = FindKey(root, path, view, false);
    if (!node) {
        failOpen(2); // ERROR_FILE_NOT_FOUND
        return false;
    }
    if (node->access == Access::Denied ||
        (access == RegAccess::Full && node->access != Access::Full)) {
        failOpen(5); // ERROR_ACCESS_DENIED
        return false;
    }
    opened(new THeldKey{std::move(node)}, access);
    return true;
}

std::vector<std::string> TRegKey::ValueNames() const {
    std::vector<std::string> names;
    if (Node* node = live(held_.get())) {
        names.reserve(node->values.size());
        for (const StoredValue& value : node->values)
            names.push_back(value.name);
    }
    return names;
}

std::vector<RegListedValue> TRegKey::Values() const {
    std::vector<RegListedValue> values;
    if (Node* node = live(held_.get())) {
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
    Node* node = live(held_.get());
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
    Node* node = live(held_.get());
    StoredValue* stored = node ? node->find(name) : nullptr;
    if (!stored || stored->unreadable)
        return false;
    value.Type = stored->type;
    value.Text = isText(stored->type) ? textUpToNul(stored->data) : std::string();
    value.Data = stored->data;
    return true;
}

bool TRegKey::ReadRaw(const std::string& name, uint32_t& type, std::string& data) const {
    Node* node = live(held_.get());
    StoredValue* stored = node ? node->find(name) : nullptr;
    if (!stored || stored->unreadable)
        return false;
    type = stored->type;
    data = stored->data;
    return true;
}

bool TRegKey::WriteRaw(const std::string& name, uint32_t type, const std::string& data) {
    Node* node = live(held_.get());
    if (!node || !writable_ || !storable(name, type, data) || !fault_injection::AllowChange())
        return false;
    StoredValue& value = node->findOrAdd(name);
    value.type = type;
    value.data = data;
    value.unreadable = false;
    return true;
}

void TRegKey::WriteText(const std::string& name, const std::string& text, uint32_t type) {
    Node* node = live(held_.get());
    if (!node || !writable_ || !storable(name, type, text) || !fault_injection::AllowChange())
        raise("Failed to set data for '%s'", name);
    StoredValue& value = node->findOrAdd(name);
    value.type = type;
    value.data.assign(text.c_str(), text.size() + 1);
    value.unreadable = false;
}

bool TRegKey::DeleteValue(const std::string& name) {
    Node* node = live(held_.get());
    return node && writable_ && fault_injection::AllowChange() && node->erase(name);
}

bool HasTwoRegistryViews() {
    return portable_registry::TheStore().twoViews;
}

std::vector<std::string> TRegKey::SubkeyNames() const {
    std::vector<std::string> names;
    if (Node* node = live(held_.get()))
        for (const auto& child : node->children)
            if (!child.second->deleted)
                names.push_back(child.second->keyName);
    return names;
}

bool CreateRegistryKey(RegRoot root, const std::string& path, RegView view) {
    return !hasEmptyName(path) && IsConvertibleUtf8(path) && fault_injection::AllowChange() &&
           FindKey(root, path, view, true) != nullptr;
}

bool DeleteRegistryKey(RegRoot root, const std::string& path, RegView view) {
    auto names = portable_registry::SplitPath(path);
    if (!names || names->empty() || !fault_injection::AllowChange())
        return false;
    std::shared_ptr<Node> parent =
        portable_registry::Walk(root, view, *names, names->size() - 1, false);
    if (!parent)
        return false;
    auto it = parent->children.find(asciiUpper(names->back()));
    if (it == parent->children.end() || it->second->access != portable_registry::Access::Full)
        return false;
    for (const auto& child : it->second->children)
        if (!child.second->deleted)
            return false;
    portable_registry::MarkDeleted(*it->second);
    parent->children.erase(it);
    return true;
}
