#include "online/xml/XXmlDom.h"

#include "online/xml/XXml.h"

#include <vector>

namespace {

constexpr std::string_view TypeNames[] = {"element",
                                          "attribute",
                                          "text",
                                          "cdatasection",
                                          "entityreference",
                                          "entity",
                                          "processinginstruction",
                                          "comment",
                                          "document",
                                          "documenttype",
                                          "documentfragment",
                                          "notation"};

std::string Quoted(std::string_view word) {
    std::string s = "\"";
    s += word;
    s += '"';
    return s;
}

enum class TChildRule { Allowed, TypeRefused, NoChildren };

TChildRule ChildRule(uint8_t parent, uint8_t child) {
    switch (parent) {
    case ntElement:
    case ntDocumentFragment:
        switch (child) {
        case ntElement:
        case ntText:
        case ntCDATASection:
        case ntEntityReference:
        case ntProcessingInstruction:
        case ntComment:
        case ntDocumentFragment:
            return TChildRule::Allowed;
        default:
            return TChildRule::TypeRefused;
        }
    case ntDocument:
        switch (child) {
        case ntElement:
        case ntProcessingInstruction:
        case ntComment:
        case ntDocumentType:
        case ntDocumentFragment:
            return TChildRule::Allowed;
        default:
            return TChildRule::TypeRefused;
        }
    case ntEntityReference:
    case ntEntity:
    case ntDocumentType:
        return TChildRule::Allowed;
    default:
        return TChildRule::NoChildren;
    }
}

// The parts of a node's XML that come before and after its children. Returns
// true when the node's children are to be written after the opening part.
bool WriteOpening(const TXmlDNode* node, std::string& out) {
    switch (node->NodeType()) {
    case ntDocument:
        return true;
    case ntDocumentType:
        out += "<!DOCTYPE ";
        out += static_cast<const TXmlDDocumentType*>(node)->Name();
        out += " [";
        return true;
    case ntElement: {
        const auto* element = static_cast<const TXmlDElement*>(node);
        out += '<';
        out += element->TagName();
        if (TXmlDNamedNodeMap* attributes = element->Attributes()) {
            for (int i = 0; i < attributes->Length(); ++i) {
                out += ' ';
                out += attributes->Item(i)->GetXml();
            }
        }
        if (!element->HasChildNodes()) {
            out += "/>";
            return false;
        }
        out += '>';
        return true;
    }
    default:
        out += node->GetXml();
        return false;
    }
}

void WriteClosing(const TXmlDNode* node, std::string& out) {
    switch (node->NodeType()) {
    case ntDocumentType:
        out += "]>";
        break;
    case ntElement:
        out += "</";
        out += static_cast<const TXmlDElement*>(node)->TagName();
        out += '>';
        break;
    default:
        break;
    }
}

// Visits the nodes below root in document order without recursion, so that
// the depth of a tree never costs stack. enter(node) says whether to go into
// the node's children; leave(node) follows every node that was entered.
template <class Enter, class Leave>
void WalkBelow(const TXmlDNode* root, Enter enter, Leave leave) {
    const TXmlDNode* node = root->FirstChild();
    while (node) {
        if (enter(node)) {
            if (const TXmlDNode* first = node->FirstChild()) {
                node = first;
                continue;
            }
            leave(node);
        }
        for (;;) {
            if (const TXmlDNode* next = node->NextSibling()) {
                node = next;
                break;
            }
            node = node->ParentNode();
            if (node == root || !node) {
                node = nullptr;
                break;
            }
            leave(node);
        }
    }
}

std::string WriteTree(const TXmlDNode* root) {
    std::string out;
    if (WriteOpening(root, out)) {
        WalkBelow(
            root, [&](const TXmlDNode* node) { return WriteOpening(node, out); },
            [&](const TXmlDNode* node) { WriteClosing(node, out); });
        WriteClosing(root, out);
    }
    return out;
}

// Whitespace that spans a line break is layout between elements; a run of
// spaces within one line is content.
bool KeepText(const std::string& text, bool preserveWhiteSpace) {
    if (preserveWhiteSpace)
        return true;
    bool lineBreak = false;
    for (char c : text) {
        if (static_cast<unsigned char>(c) > 32)
            return true;
        if (c == '\r' || c == '\n')
            lineBreak = true;
    }
    return !lineBreak;
}

} // namespace

std::string_view NodeTypeName(uint8_t nodeType) {
    if (nodeType < std::size(TypeNames))
        return TypeNames[nodeType];
    return {};
}

// ---- TXmlDNodeList

TXmlDNodeList::TXmlDNodeList(TXmlDNode* owner, bool linked) : owner_(owner), linked_(linked) {}

TXmlDNodeList::~TXmlDNodeList() {
    Clear();
}

TXmlDNode* TXmlDNodeList::Item(int index) const {
    if (index < 0 || index >= Length())
        throw EListError("List index out of bounds (" + std::to_string(index) + ")");
    return static_cast<TXmlDNode*>(items_.Items(index));
}

int TXmlDNodeList::IndexOf(const TXmlDNode* node) const {
    return items_.IndexOf(node);
}

int TXmlDNodeList::Insert(TXmlDNode* node, int index) {
    int length = Length();
    if (index == -1)
        index = length;
    if (!node || index < 0 || index > length)
        throw EListError("List index out of bounds (" + std::to_string(index) + ")");
    if (linked_ && node->parent_)
        throw EMorvaneError("XML: Нельзя добавлять узел в два списка");
    items_.Insert(index, node);
    if (index != length)
        ++version_;
    if (linked_) {
        TXmlDNode* previous = index > 0 ? Item(index - 1) : nullptr;
        TXmlDNode* next = index < length ? Item(index + 1) : nullptr;
        node->parent_ = owner_;
        node->previous_ = previous;
        node->next_ = next;
        if (previous)
            previous->next_ = node;
        if (next)
            next->previous_ = node;
    }
    return index;
}

void TXmlDNodeList::Unlink(TXmlDNode* node) {
    if (!linked_)
        return;
    if (node->previous_)
        node->previous_->next_ = node->next_;
    if (node->next_)
        node->next_->previous_ = node->previous_;
    node->parent_ = nullptr;
    node->previous_ = nullptr;
    node->next_ = nullptr;
}

void TXmlDNodeList::RemoveAt(int index) {
    TXmlDNode* node = Item(index);
    Unlink(node);
    ++version_;
    items_.Extract(index);
}

void TXmlDNodeList::Clear() {
    if (Length() == 0)
        return;
    ++version_;
    while (int length = Length()) {
        TXmlDNode* node = Item(length - 1);
        if (linked_) {
            node->parent_ = nullptr;
            node->previous_ = nullptr;
            node->next_ = nullptr;
        }
        items_.Extract(length - 1);
    }
}

void TXmlDNodeList::Orphan() {
    Clear();
    owner_ = nullptr;
    linked_ = false;
}

// ---- TXmlDNamedNodeMap

TXmlDNode* TXmlDNamedNodeMap::GetNamedItem(const std::string& name) const {
    int index;
    return GetNamedItem(name, index);
}

TXmlDNode* TXmlDNamedNodeMap::GetNamedItem(const std::string& name, int& index) const {
    constexpr int IndexFrom = 16;
    int length = Length();
    index = -1;
    if (length < IndexFrom) {
        for (int i = 0; i < length; ++i) {
            TXmlDNode* node = Item(i);
            if (node->NodeName() == name) {
                index = i;
                return node;
            }
        }
        return nullptr;
    }
    if (!index_)
        index_ = std::make_unique<TIndex>();
    TIndex& ix = *index_;
    if (ix.Version != Version() || ix.Indexed > length) {
        ix.Names.clear();
        ix.Indexed = 0;
        ix.Version = Version();
    }
    // Only appends have happened since the index was built: add their names,
    // keeping the first position of a repeated name.
    for (; ix.Indexed < length; ++ix.Indexed)
        ix.Names.emplace(Item(ix.Indexed)->NodeName(), ix.Indexed);
    auto found = ix.Names.find(name);
    if (found == ix.Names.end())
        return nullptr;
    index = found->second;
    return Item(index);
}

// ---- TXmlDNode

TXmlDNode::~TXmlDNode() {
    if (childNodes_)
        childNodes_->Orphan();
    if (attributes_)
        attributes_->Orphan();
}

TXmlDNodeList* TXmlDNode::ChildNodes() const {
    if (!childNodes_)
        childNodes_ = MakeRef<TXmlDNodeList>(const_cast<TXmlDNode*>(this), true);
    return childNodes_.get();
}

TXmlDNamedNodeMap* TXmlDNode::Attributes() const {
    if (!attributes_)
        attributes_ = MakeRef<TXmlDNamedNodeMap>(const_cast<TXmlDNode*>(this), true);
    return attributes_.get();
}

TXmlDNode* TXmlDNode::FirstChild() const {
    return HasChildNodes() ? childNodes_->Item(0) : nullptr;
}

TXmlDNode* TXmlDNode::LastChild() const {
    return HasChildNodes() ? childNodes_->Item(childNodes_->Length() - 1) : nullptr;
}

const std::string TXmlDNode::EmptyName;

std::string TXmlDNode::Prefix() const {
    std::size_t colon = nodeName_->find(':');
    return colon == std::string::npos ? std::string() : nodeName_->substr(0, colon);
}

std::string TXmlDNode::LocalName() const {
    std::size_t colon = nodeName_->find(':');
    return colon == std::string::npos ? *nodeName_ : nodeName_->substr(colon + 1);
}

int TXmlDNode::InsertChild(TXmlDNode* node, int index) {
    if (!node)
        throw EListError("List index out of bounds (" + std::to_string(index) + ")");
    switch (ChildRule(nodeType_, node->nodeType_)) {
    case TChildRule::Allowed:
        break;
    case TChildRule::TypeRefused:
        throw EMorvaneError("XML: узел " + Quoted(NodeTypeName()) + " не может содержать подузел " +
                            Quoted(node->NodeTypeName()));
    case TChildRule::NoChildren:
        throw EMorvaneError("XML: узел " + Quoted(NodeTypeName()) + " не может содержать подузлы");
    }
    // A node inside its own subtree would own itself: it could never be freed
    // and walking the tree would never end. Only a node with children can be
    // an ancestor, so the walk up is skipped for fresh nodes.
    if (node == this)
        throw EMorvaneError("XML: Нельзя вставить узел внутрь него самого");
    if (node->HasChildNodes())
        for (const TXmlDNode* p = parent_; p; p = p->parent_)
            if (p == node)
                throw EMorvaneError("XML: Нельзя вставить узел внутрь него самого");

    // Everything that can fail is checked before the node leaves its former
    // parent, so a refused move loses nothing.
    int length = childNodes_ ? childNodes_->Length() : 0;
    if (node->parent_ == this)
        --length;
    if (index != -1 && (index < 0 || index > length))
        throw EListError("List index out of bounds (" + std::to_string(index) + ")");

    TRefPtr<TXmlDNode> keep(node);
    if (node->parent_)
        node->parent_->RemoveChild(node);
    return ChildNodes()->Insert(node, index);
}

void TXmlDNode::RemoveChild(TXmlDNode* child) {
    int index = childNodes_ ? childNodes_->IndexOf(child) : -1;
    if (index < 0)
        throw EMorvaneError("XML: Не найден подузел для удаления");
    childNodes_->RemoveAt(index);
}

void TXmlDNode::ClearChildNodes() {
    if (childNodes_)
        childNodes_->Clear();
}

void TXmlDNode::ClearAttributes() {
    if (attributes_)
        attributes_->Clear();
}

std::string TXmlDNode::GetAttribute(const std::string& name,
                                    const std::string& defaultValue) const {
    if (attributes_)
        if (TXmlDNode* attribute = attributes_->GetNamedItem(name))
            return attribute->GetNodeValue();
    return defaultValue;
}

std::string TXmlDNode::ChildrenText() const {
    std::string out;
    WalkBelow(
        this,
        [&](const TXmlDNode* node) {
            switch (node->NodeType()) {
            case ntElement:
                return true;
            case ntText:
            case ntCDATASection:
                out += static_cast<const TXmlDCharacterData*>(node)->Data();
                return false;
            default:
                return false;
            }
        },
        [](const TXmlDNode*) {});
    return out;
}

void TXmlDNode::CannotSetValue() const {
    throw EMorvaneError("XML: Нельзя изменять значение узла " + Quoted(NodeTypeName()));
}

void TXmlDNode::CannotSetText() const {
    throw EMorvaneError("XML: Нельзя изменять текст узла " + Quoted(NodeTypeName()));
}

// ---- TXmlDDocument

TXmlDDocument::TXmlDDocument() : TXmlDNode(ntDocument) {
    static const std::string name = "#document";
    NameChanged(name);
}

TXmlDElement* TXmlDDocument::DocumentElement() const {
    for (TXmlDNode* node = FirstChild(); node; node = node->NextSibling())
        if (node->NodeType() == ntElement)
            return static_cast<TXmlDElement*>(node);
    return nullptr;
}

std::string TXmlDDocument::GetXml() const {
    return WriteTree(this);
}

TRefPtr<TXmlDNode> TXmlDDocument::CloneNode() const {
    auto copy = MakeRef<TXmlDDocument>();
    copy->PreserveWhiteSpace = PreserveWhiteSpace;
    return copy;
}

void TXmlDDocument::LoadFromStream(TByteStream& stream) {
    ClearChildNodes();
    ClearAttributes();

    TXmlReader reader;
    reader.Open(stream);
    // The open elements, innermost last; the tree is built without recursion
    // so that nesting depth costs no stack.
    std::vector<TXmlDElement*> open;

    auto append = [](TXmlDNode* parent, TRefPtr<TXmlDNode> node) {
        parent->AppendChild(node.get());
    };

    for (TXmlTokenKind token = reader.Next(); token != xtEndOfDocument; token = reader.Next()) {
        TXmlDNode* parent = open.empty() ? static_cast<TXmlDNode*>(this) : open.back();
        switch (token) {
        case xtProcessingInstruction:
            append(parent, MakeRef<TXmlDProcessingInstruction>(reader.Name(), reader.Value()));
            break;
        case xtDocumentType:
            append(parent, MakeRef<TXmlDDocumentType>(reader.Name()));
            break;
        case xtComment:
            append(parent, MakeRef<TXmlDComment>(reader.Value()));
            break;
        case xtStartElement: {
            auto element = MakeRef<TXmlDElement>(reader.Name());
            parent->AppendChild(element.get());
            open.push_back(element.get());
            break;
        }
        case xtCDATA:
            if (open.empty())
                throw EMorvaneError("XML: неправильная конструкция в XML-документе");
            append(parent, MakeRef<TXmlDCDATASection>(reader.Value()));
            break;
        case xtAttribute:
            if (open.empty())
                throw EMorvaneError("XML: неправильная конструкция в XML-документе");
            open.back()->SetAttribute(reader.Name(), XmlUnescape(reader.Value()));
            break;
        case xtText:
            if (open.empty())
                throw EMorvaneError("XML: неправильная конструкция в XML-документе");
            if (KeepText(reader.Value(), PreserveWhiteSpace))
                append(parent, MakeRef<TXmlDText>(XmlUnescape(reader.Value())));
            break;
        case xtEndElement:
            if (open.empty())
                throw EMorvaneError("XML: неправильная конструкция в XML-документе");
            open.pop_back();
            break;
        case xtEndOfDocument:
            break;
        }
    }
}

// ---- TXmlDDocumentType

TXmlDDocumentType::TXmlDDocumentType(std::string name)
    : TXmlDNode(ntDocumentType), name_(std::move(name)),
      entities_(MakeRef<TXmlDNamedNodeMap>(this, true)),
      notations_(MakeRef<TXmlDNamedNodeMap>(this, true)) {
    NameChanged(name_);
}

TXmlDDocumentType::~TXmlDDocumentType() {
    entities_->Orphan();
    notations_->Orphan();
}

std::string TXmlDDocumentType::GetXml() const {
    return WriteTree(this);
}

TRefPtr<TXmlDNode> TXmlDDocumentType::CloneNode() const {
    return MakeRef<TXmlDDocumentType>(name_);
}

// ---- TXmlDElement

TXmlDElement::TXmlDElement(std::string tagName)
    : TXmlDNode(ntElement), tagName_(std::move(tagName)) {
    NameChanged(tagName_);
}

void TXmlDElement::SetAttribute(const std::string& name, std::string value) {
    TXmlDNamedNodeMap* attributes = Attributes();
    if (TXmlDNode* attribute = attributes->GetNamedItem(name)) {
        attribute->SetNodeValue(std::move(value));
        return;
    }
    auto attribute = MakeRef<TXmlDAttribute>(name, std::move(value));
    attributes->Insert(attribute.get(), -1);
}

TXmlDAttribute* TXmlDElement::GetAttributeNode(const std::string& name) const {
    if (TXmlDNode* node = Attributes()->GetNamedItem(name))
        if (node->NodeType() == ntAttribute)
            return static_cast<TXmlDAttribute*>(node);
    return nullptr;
}

void TXmlDElement::SetText(std::string text) {
    auto node = MakeRef<TXmlDText>(std::move(text));
    ClearChildNodes();
    AppendChild(node.get());
}

std::string TXmlDElement::GetXml() const {
    return WriteTree(this);
}

TRefPtr<TXmlDNode> TXmlDElement::CloneNode() const {
    return MakeRef<TXmlDElement>(tagName_);
}

// ---- TXmlDAttribute

TXmlDAttribute::TXmlDAttribute(std::string name, std::string value)
    : TXmlDNode(ntAttribute), name_(std::move(name)), value_(std::move(value)) {
    NameChanged(name_);
}

std::string TXmlDAttribute::GetXml() const {
    std::string out = name_;
    out += "=\"";
    out += XmlEscape(value_);
    out += '"';
    return out;
}

TRefPtr<TXmlDNode> TXmlDAttribute::CloneNode() const {
    return MakeRef<TXmlDAttribute>(name_, value_);
}

// ---- character data

TXmlDComment::TXmlDComment(std::string data) : TXmlDCharacterData(ntComment, std::move(data)) {
    static const std::string name = "#comment";
    NameChanged(name);
}

std::string TXmlDComment::GetXml() const {
    return "<!--" + Data() + "-->";
}

TRefPtr<TXmlDNode> TXmlDComment::CloneNode() const {
    return MakeRef<TXmlDComment>(Data());
}

TXmlDText::TXmlDText(std::string data) : TXmlDCharacterData(ntText, std::move(data)) {
    static const std::string name = "#text";
    NameChanged(name);
}

TXmlDText::TXmlDText(uint8_t nodeType, std::string data)
    : TXmlDCharacterData(nodeType, std::move(data)) {}

std::string TXmlDText::GetXml() const {
    return XmlEscape(Data());
}

TRefPtr<TXmlDNode> TXmlDText::CloneNode() const {
    return MakeRef<TXmlDText>(Data());
}

TXmlDCDATASection::TXmlDCDATASection(std::string data)
    : TXmlDText(ntCDATASection, std::move(data)) {
    static const std::string name = "#cdata-section";
    NameChanged(name);
}

std::string TXmlDCDATASection::GetXml() const {
    return "<![CDATA[" + Data() + "]]>";
}

TRefPtr<TXmlDNode> TXmlDCDATASection::CloneNode() const {
    return MakeRef<TXmlDCDATASection>(Data());
}

// ---- TXmlDProcessingInstruction

TXmlDProcessingInstruction::TXmlDProcessingInstruction(std::string target, std::string data)
    : TXmlDNode(ntProcessingInstruction), target_(std::move(target)), data_(std::move(data)) {
    NameChanged(target_);
}

std::string TXmlDProcessingInstruction::GetXml() const {
    return "<?" + target_ + " " + data_ + "?>";
}

TRefPtr<TXmlDNode> TXmlDProcessingInstruction::CloneNode() const {
    return MakeRef<TXmlDProcessingInstruction>(target_, data_);
}
