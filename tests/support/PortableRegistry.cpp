// The seeding of the portable registry: keys, values and access levels put
// straight into the store, below what TRegKey checks.
#include "PortableRegistry.h"

#include "core/system/AsciiCase.h"
#include "core/system/RegistryStore_portable.h"

namespace portable_registry {

void Reset() {
    Store& store = TheStore();
    MarkDeleted(*store.machine);
    MarkDeleted(*store.machineWow32);
    MarkDeleted(*store.user);
    store = Store{};
}

void SetTwoViews(bool twoViews) {
    TheStore().twoViews = twoViews;
}

void CreateKey(RegRoot root, const std::string& path, RegView view) {
    FindKey(root, path, view, true);
}

void DeleteKey(RegRoot root, const std::string& path, RegView view) {
    auto names = SplitPath(path);
    if (!names || names->empty())
        return;
    std::shared_ptr<Node> parent = Walk(root, view, *names, names->size() - 1, false);
    if (!parent)
        return;
    auto it = parent->children.find(asciiUpper(names->back()));
    if (it == parent->children.end())
        return;
    MarkDeleted(*it->second);
    parent->children.erase(it);
}

void SetValue(RegRoot root, const std::string& path, const std::string& name, uint32_t type,
              const std::string& data, RegView view) {
    StoredValue& value = FindKey(root, path, view, true)->findOrAdd(name);
    value.type = type;
    value.data = data;
    value.unreadable = false;
}

bool GetValue(RegRoot root, const std::string& path, const std::string& name, uint32_t& type,
              std::string& data, RegView view) {
    std::shared_ptr<Node> node = FindKey(root, path, view, false);
    StoredValue* value = node ? node->find(name) : nullptr;
    if (!value)
        return false;
    type = value->type;
    data = value->data;
    return true;
}

void SetAccess(RegRoot root, const std::string& path, Access access, RegView view) {
    FindKey(root, path, view, true)->access = access;
}

void SetUnreadable(RegRoot root, const std::string& path, const std::string& name, RegView view) {
    std::shared_ptr<Node> node = FindKey(root, path, view, false);
    if (StoredValue* value = node ? node->find(name) : nullptr)
        value->unreadable = true;
}

} // namespace portable_registry
