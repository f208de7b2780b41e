#pragma once
// The in-memory registry of the portable build as data: the keys and values
// that TRegKey reads and writes, and that the test seeding fills and
// inspects. Names are matched by their ASCII upper case, as Windows does.

#include <cstdint>
#include <list>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

enum class RegRoot;
enum class RegView;

namespace portable_registry {

// What an Open with full access gets for a key (ReadOnly: refused, but a
// read-only open succeeds; Denied: both refused).
enum class Access { Full, ReadOnly, Denied };

struct StoredValue {
    std::string name;
    uint32_t type = 0;
    std::string data;
    bool unreadable = false;
};

struct Node {
    std::string keyName;                                    // as it was made
    std::map<std::string, std::shared_ptr<Node>> children; // by upper-cased name
    std::list<StoredValue> values;                         // in the order they were made
    std::unordered_map<std::string, std::list<StoredValue>::iterator> index;
    Access access = Access::Full;
    // Set when the key is deleted; handles still open on it then see nothing.
    bool deleted = false;

    StoredValue* find(const std::string& name);
    StoredValue& findOrAdd(const std::string& name);
    bool erase(const std::string& name);
};

// Marks a key and everything below it deleted.
void MarkDeleted(Node& node);

struct Store {
    std::shared_ptr<Node> machine = std::make_shared<Node>();
    std::shared_ptr<Node> machineWow32 = std::make_shared<Node>();
    std::shared_ptr<Node> user = std::make_shared<Node>();
    bool twoViews = false;

    const std::shared_ptr<Node>& hive(RegRoot root, RegView view) const;
};

Store& TheStore();

// The names of a key path from the hive's root, as written (children are
// found by their upper case); nothing when the path holds an empty name,
// which the registry refuses.
std::optional<std::vector<std::string>> SplitPath(const std::string& path);
// The key reached by the first depth names, made on the way when create.
std::shared_ptr<Node> Walk(RegRoot root, RegView view, const std::vector<std::string>& names,
                           std::size_t depth, bool create);
std::shared_ptr<Node> FindKey(RegRoot root, const std::string& path, RegView view, bool create);

} // namespace portable_registry
