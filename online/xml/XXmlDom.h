#pragma once
// A small document object model: reference-counted nodes in a tree of child
// lists and attribute maps, built from XML text by TXmlReader and able to
// write themselves back as XML.
//
// Ownership: a node lives while a TRefPtr or a list holds it. Parent and
// sibling links own nothing, so releasing a document frees the whole tree.
// Navigation (ChildNodes, Item, ParentNode, DocumentElement, ...) hands out
// plain pointers that stay valid while the tree holds the node.

#include "core/system/Errors.h"
#include "online/xml/XUtils.h"

#include <cstdint>
#include <istream>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>

enum TXmlDNodeType : uint8_t {
    ntElement = 0,
    ntAttribute = 1,
    ntText = 2,
    ntCDATASection = 3,
    ntEntityReference = 4,
    ntEntity = 5,
    ntProcessingInstruction = 6,
    ntComment = 7,
    ntDocument = 8,
    ntDocumentType = 9,
    ntDocumentFragment = 10,
    ntNotation = 11,
};

// "element", "attribute", ... "notation"; empty outside 0..11.
std::string_view NodeTypeName(uint8_t nodeType);

class TXmlDNode;
class TXmlDAttribute;
class TXmlDElement;

class TXmlDNodeList : public TRefObject {
public:
    TXmlDNodeList(TXmlDNode* owner, bool linked);
    ~TXmlDNodeList() override;

    TXmlDNode* Owner() const { return owner_; }
    bool Linked() const { return linked_; }

    int Length() const { return items_.Count(); }
    // Raises EListError outside 0..Length-1.
    TXmlDNode* Item(int index) const;
    int IndexOf(const TXmlDNode* node) const;

    // Index -1 appends. The list holds a reference to the node; a linked list
    // sets its parent and sibling links and refuses a node that already has
    // a parent. Returns the index used.
    int Insert(TXmlDNode* node, int index);
    // The node stays alive while someone else holds it.
    void RemoveAt(int index);
    void Clear();

protected:
    // Counts every change other than an append.
    uint32_t Version() const { return version_; }

private:
    friend class TXmlDNode;
    friend class TXmlDDocumentType;
    void Unlink(TXmlDNode* node);
    // When the owner goes, its lists forget it (and stop linking) in case
    // someone still holds them.
    void Orphan();

    TXmlDNode* owner_;
    bool linked_;
    TRefObjectList items_;
    uint32_t version_ = 0;
};

class TXmlDNamedNodeMap : public TXmlDNodeList {
public:
    using TXmlDNodeList::TXmlDNodeList;

    // The first member whose NodeName equals name exactly, or nullptr.
    TXmlDNode* GetNamedItem(const std::string& name) const;
    TXmlDNode* GetNamedItem(const std::string& name, int& index) const;

private:
    // Large maps are looked up through an index, so that building an element
    // with very many attributes stays linear. Made only for such maps: an
    // answer holds a map for every element, nearly all of them small.
    struct TIndex {
        std::unordered_map<std::string, int> Names;
        int Indexed = 0;
        uint32_t Version = 0;
    };
    mutable std::unique_ptr<TIndex> index_;
};

class TXmlDNode : public TRefObject {
public:
    ~TXmlDNode() override;

    uint8_t NodeType() const { return nodeType_; }
    const std::string& NodeName() const { return *nodeName_; }
    // The parts of NodeName before and after its first ":" (no ":": an empty
    // prefix and the whole name).
    std::string Prefix() const;
    std::string LocalName() const;
    std::string_view NodeTypeName() const { return ::NodeTypeName(nodeType_); }

    TXmlDNodeList* ChildNodes() const;
    TXmlDNamedNodeMap* Attributes() const;
    TXmlDNode* ParentNode() const { return parent_; }
    TXmlDNode* PreviousSibling() const { return previous_; }
    TXmlDNode* NextSibling() const { return next_; }
    TXmlDNode* FirstChild() const;
    TXmlDNode* LastChild() const;
    bool HasChildNodes() const { return childNodes_ && childNodes_->Length() > 0; }

    // Checks that this node may hold the child, takes the child from its
    // former parent and inserts it at index (-1: at the end).
    int InsertChild(TXmlDNode* node, int index);
    int AppendChild(TXmlDNode* node) { return InsertChild(node, -1); }
    void RemoveChild(TXmlDNode* child);
    void ClearChildNodes();
    void ClearAttributes();

    // The value of the named attribute, or defaultValue when there is none.
    std::string GetAttribute(const std::string& name, const std::string& defaultValue = {}) const;

    virtual std::string GetNodeName() const = 0;
    virtual std::string GetNodeValue() const = 0;
    virtual void SetNodeValue(std::string value) = 0;
    virtual std::string GetText() const = 0;
    virtual void SetText(std::string text) = 0;
    virtual std::string GetXml() const = 0;
    // A new node of the same class with the same name and value, without
    // children; an element's copy has no attributes.
    virtual TRefPtr<TXmlDNode> CloneNode() const = 0;

    std::string Text() const { return GetText(); }
    std::string Xml() const { return GetXml(); }

protected:
    explicit TXmlDNode(uint8_t nodeType) : nodeType_(nodeType) {}
    // NodeName from then on: the subclass's own name field, or a constant
    // one. Names never change after creation, so no copy is kept.
    void NameChanged(const std::string& name) { nodeName_ = &name; }
    // Text of the element, text and CDATA nodes below this one, in order.
    std::string ChildrenText() const;
    [[noreturn]] void CannotSetValue() const;
    [[noreturn]] void CannotSetText() const;

private:
    friend class TXmlDNodeList;

    uint8_t nodeType_;
    const std::string* nodeName_ = &EmptyName;
    static const std::string EmptyName;
    // Created when first asked for: most nodes never have children or
    // attributes.
    mutable TRefPtr<TXmlDNodeList> childNodes_;
    mutable TRefPtr<TXmlDNamedNodeMap> attributes_;
    TXmlDNode* parent_ = nullptr;
    TXmlDNode* previous_ = nullptr;
    TXmlDNode* next_ = nullptr;
};

class TXmlDDocument : public TXmlDNode {
public:
    TXmlDDocument();

    bool PreserveWhiteSpace = false;

    // The first child element, or nullptr.
    TXmlDElement* DocumentElement() const;
    // Replaces the content with the tree read from the stream's current
    // position. On an error the nodes built so far stay.
    void LoadFromStream(TByteStream& stream);
    void LoadFromStream(std::istream& stream) {
        TStdByteStream bytes(stream);
        LoadFromStream(bytes);
    }

    std::string GetNodeName() const override { return "#document"; }
    std::string GetNodeValue() const override { return {}; }
    void SetNodeValue(std::string) override { CannotSetValue(); }
    std::string GetText() const override { return ChildrenText(); }
    void SetText(std::string) override { CannotSetText(); }
    std::string GetXml() const override;
    TRefPtr<TXmlDNode> CloneNode() const override;
};

class TXmlDDocumentType : public TXmlDNode {
public:
    explicit TXmlDDocumentType(std::string name);
    ~TXmlDDocumentType() override;

    const std::string& Name() const { return name_; }
    TXmlDNamedNodeMap* Entities() const { return entities_.get(); }
    TXmlDNamedNodeMap* Notations() const { return notations_.get(); }

    std::string GetNodeName() const override { return name_; }
    std::string GetNodeValue() const override { return {}; }
    void SetNodeValue(std::string) override { CannotSetValue(); }
    std::string GetText() const override { return {}; }
    void SetText(std::string) override { CannotSetText(); }
    std::string GetXml() const override;
    TRefPtr<TXmlDNode> CloneNode() const override;

private:
    std::string name_;
    TRefPtr<TXmlDNamedNodeMap> entities_;
    TRefPtr<TXmlDNamedNodeMap> notations_;
};

class TXmlDElement : public TXmlDNode {
public:
    explicit TXmlDElement(std::string tagName);

    const std::string& TagName() const { return tagName_; }
    // A new attribute goes to the end; an existing one keeps its place and
    // takes the new value.
    void SetAttribute(const std::string& name, std::string value);
    TXmlDAttribute* GetAttributeNode(const std::string& name) const;

    std::string GetNodeName() const override { return tagName_; }
    std::string GetNodeValue() const override { return {}; }
    void SetNodeValue(std::string) override { CannotSetValue(); }
    std::string GetText() const override { return ChildrenText(); }
    // Replaces the children with one text node.
    void SetText(std::string text) override;
    std::string GetXml() const override;
    TRefPtr<TXmlDNode> CloneNode() const override;

private:
    std::string tagName_;
};

class TXmlDAttribute : public TXmlDNode {
public:
    explicit TXmlDAttribute(std::string name, std::string value = {});

    const std::string& Name() const { return name_; }
    const std::string& Value() const { return value_; }
    void SetValue(std::string value) { value_ = std::move(value); }

    std::string GetNodeName() const override { return name_; }
    std::string GetNodeValue() const override { return value_; }
    void SetNodeValue(std::string value) override { value_ = std::move(value); }
    std::string GetText() const override { return value_; }
    void SetText(std::string text) override { value_ = std::move(text); }
    std::string GetXml() const override;
    TRefPtr<TXmlDNode> CloneNode() const override;

private:
    std::string name_;
    std::string value_;
};

class TXmlDCharacterData : public TXmlDNode {
public:
    const std::string& Data() const { return data_; }
    void SetData(std::string data) { data_ = std::move(data); }

    std::string GetNodeValue() const override { return data_; }
    void SetNodeValue(std::string value) override { data_ = std::move(value); }
    std::string GetText() const override { return data_; }
    void SetText(std::string text) override { data_ = std::move(text); }

protected:
    TXmlDCharacterData(uint8_t nodeType, std::string data)
        : TXmlDNode(nodeType), data_(std::move(data)) {}

private:
    std::string data_;
};

class TXmlDComment : public TXmlDCharacterData {
public:
    explicit TXmlDComment(std::string data);

    std::string GetNodeName() const override { return "#comment"; }
    std::string GetXml() const override;
    TRefPtr<TXmlDNode> CloneNode() const override;
};

class TXmlDText : public TXmlDCharacterData {
public:
    explicit TXmlDText(std::string data);

    std::string GetNodeName() const override { return "#text"; }
    std::string GetXml() const override;
    TRefPtr<TXmlDNode> CloneNode() const override;

protected:
    TXmlDText(uint8_t nodeType, std::string data);
};

class TXmlDCDATASection : public TXmlDText {
public:
    explicit TXmlDCDATASection(std::string data);

    std::string GetNodeName() const override { return "#cdata-section"; }
    std::string GetXml() const override;
    TRefPtr<TXmlDNode> CloneNode() const override;
};

class TXmlDProcessingInstruction : public TXmlDNode {
public:
    TXmlDProcessingInstruction(std::string target, std::string data);

    const std::string& Target() const { return target_; }
    const std::string& Data() const { return data_; }
    void SetData(std::string data) { data_ = std::move(data); }

    std::string GetNodeName() const override { return target_; }
    std::string GetNodeValue() const override { return data_; }
    void SetNodeValue(std::string value) override { data_ = std::move(value); }
    std::string GetText() const override { return data_; }
    void SetText(std::string text) override { data_ = std::move(text); }
    std::string GetXml() const override;
    TRefPtr<TXmlDNode> CloneNode() const override;

private:
    std::string target_;
    std::string data_;
};
