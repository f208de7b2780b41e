#include "template/TemplatePower.h"

#include "core/system/TextScan.h"
#include "template/TemplateMarkers.h"

#include <utility>

namespace {

const std::string LineBreak = "\r\n";
const std::string NotPreparedMessage = "TemplatePower Error: Template is not prepared!";

std::string Quoted(const std::string& name) {
    return "\"" + name + "\"";
}

std::string AlreadyDefinedMessage(const std::string& name) {
    return "TemplatePower Error: Block " + Quoted(name) +
           " is already defined, its second definition is ignored";
}

// A blank block name is refused the way the tables refuse an empty key, and
// with their exception, which leaves Prepare.
void RequireBlockName(const std::string& name) {
    static_cast<void>(HashOf(name));
}

// Splits at CR LF, LF or CR; a break at the very end gives no empty last line.
std::vector<std::string> SplitLines(const std::string& text) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < text.size()) {
        const std::size_t end = text.find_first_of("\r\n", start);
        if (end == std::string::npos) {
            lines.emplace_back(text, start);
            break;
        }
        lines.emplace_back(text, start, end - start);
        start = end + 1;
        if (text[end] == '\r' && start < text.size() && text[start] == '\n')
            ++start;
    }
    return lines;
}

} // namespace

// ---------------------------------------------------------------------------
// TdefBlockKeys

const std::string& TdefBlockKeys::GetKey(std::int64_t index) const {
    static const std::string none;
    if (index < 0 || index >= Count())
        return none;
    return Keys[static_cast<std::size_t>(index)];
}

void TdefBlockKeys::SetKey(std::int64_t index, std::string key) {
    if (index < 0)
        return;
    const auto at = static_cast<std::size_t>(index);
    if (at >= Keys.size())
        Keys.resize(at + 1);
    Keys[at] = std::move(key);
}

// ---------------------------------------------------------------------------
// TTemplatePowerParser

// A block whose lines are being parsed. Blocks nest as deep as the template
// says, so the open blocks are kept on the heap rather than on the call stack.
// A frame without a store stands for a definition that is being skipped.
struct TTemplatePowerParser::TBlockFrame {
    std::string Name;
    TStringHash* Store = nullptr;  // owned by BlockContents
    TdefBlockKeys* Keys = nullptr; // owned by BlockKeys
    std::int64_t VarIndex = 0;
    std::int64_t ChunkIndex = 0;

    bool Skipped() const { return Store == nullptr; }

    void AddChunk(std::string text) {
        const std::string key = "_C:" + std::to_string(ChunkIndex++);
        Store->SetItem(key, std::move(text));
        Keys->AddKey(key);
    }

    void AddPlaceholder(std::string variable) {
        const std::string key = "_V:" + std::to_string(VarIndex++);
        Store->SetItem(key, std::move(variable));
        Keys->AddKey(key);
    }

    void AddNestedBlock(const std::string& name) {
        const std::string key = "_B:" + name;
        Store->SetItem(key, std::string());
        Keys->AddKey(key);
    }
};

TTemplatePowerParser::TTemplatePowerParser() : IgnoreStack(1, false) {}

std::vector<std::string> TTemplatePowerParser::SplitString(char delimiter,
                                                           const std::string& text) {
    std::vector<std::string> parts;
    std::size_t start = 0;
    for (;;) {
        const std::size_t at = text.find(delimiter, start);
        if (at == std::string::npos) {
            parts.emplace_back(text, start);
            return parts;
        }
        parts.emplace_back(text, start, at - start);
        start = at + 1;
    }
}

void TTemplatePowerParser::AddError(const std::string& message) {
    Output += message;
    Output += LineBreak;
}

void TTemplatePowerParser::ResetParser() {
    BlockContents.Clear();
    BlockKeys.Clear();
    BlockCounters.Clear();
    IgnoreStack.assign(1, false);
}

void TTemplatePowerParser::ParseTemplate() {
    BlockContents.Create(RootBlock);
    BlockKeys.Create(RootBlock);
    ParseBlock(TemplateLines, RootBlock, TParseCursor{});
}

TParseCursor TTemplatePowerParser::ParseBlock(const std::vector<std::string>& lines,
                                              const std::string& name, TParseCursor cursor) {
    TStringHash* store = BlockContents.Find(name);
    if (!store)
        store = &BlockContents.Create(name);
    TdefBlockKeys* keys = BlockKeys.Find(name);
    if (!keys)
        keys = &BlockKeys.Create(name);
    if (IgnoreStack.empty())
        IgnoreStack.push_back(false);

    std::vector<TBlockFrame> frames;
    frames.push_back(TBlockFrame{name, store, keys, cursor.VarIndex, cursor.ChunkIndex});

    const auto lineCount = static_cast<std::int64_t>(lines.size());
    for (std::int64_t i = cursor.LineIndex < 0 ? 0 : cursor.LineIndex; i < lineCount; ++i) {
        const std::string& line = lines[static_cast<std::size_t>(i)];

        switch (MatchIgnoreMarker(line)) {
        case TIgnoreMarker::Start:
            IgnoreStack.push_back(true);
            continue;
        case TIgnoreMarker::End:
            // The state present while no region is open is never popped.
            if (IgnoreStack.size() > 1)
                IgnoreStack.pop_back();
            continue;
        case TIgnoreMarker::None:
            break;
        }

        TBlockFrame& frame = frames.back();
        if (IgnoreStack.back()) {
            if (!frame.Skipped())
                frame.AddChunk(line + LineBreak);
            continue;
        }

        const std::optional<TBlockMarker> marker = MatchBlockMarker(line);
        if (!marker) {
            ParseTextLine(line, frame);
            continue;
        }
        const std::string_view blockName = TrimBlanks(marker->Name, ControlAndSpaceBytes);
        switch (marker->Keyword) {
        case TBlockKeyword::Include:
            // No included template is ever registered, so this adds nothing.
            RequireBlockName(std::string(blockName));
            break;
        case TBlockKeyword::Reuse:
            ParseReuse(line, blockName, frame);
            break;
        case TBlockKeyword::Start:
        case TBlockKeyword::End:
            // START and END are not told apart: a marker naming the block
            // being parsed closes it, any other name opens a nested block.
            if (blockName == frame.Name) {
                if (frames.size() == 1)
                    return TParseCursor{frame.VarIndex, frame.ChunkIndex, i};
                frames.pop_back();
            } else {
                OpenBlock(std::string(blockName), frames);
            }
            break;
        }
    }
    return TParseCursor{frames.front().VarIndex, frames.front().ChunkIndex, lineCount};
}

void TTemplatePowerParser::ParseTextLine(const std::string& line, TBlockFrame& frame) {
    if (frame.Skipped())
        return;
    const std::vector<std::string> parts = SplitString('{', line);
    if (!parts.front().empty())
        frame.AddChunk(parts.front());
    for (std::size_t j = 1; j < parts.size(); ++j) {
        const std::string& part = parts[j];
        const std::size_t close = part.find('}');
        // "{}", "{" with no "}" and "{ a name with blanks }" are text.
        if (close == std::string::npos || close == 0 || part.find(' ', 0) < close) {
            frame.AddChunk("{" + part);
            continue;
        }
        frame.AddPlaceholder(part.substr(0, close));
        if (close + 1 < part.size())
            frame.AddChunk(part.substr(close + 1));
    }

    // Every text line ends with one line break in the block.
    const std::string& last = frame.Keys->GetKey(frame.Keys->Count() - 1);
    std::string* lastChunk = last.size() >= 2 && last[1] == 'C' ? frame.Store->Find(last) : nullptr;
    if (lastChunk)
        *lastChunk += LineBreak;
    else
        frame.AddChunk(LineBreak);
}

void TTemplatePowerParser::ParseReuse(const std::string& line, std::string_view name,
                                      TBlockFrame& frame) {
    if (frame.Skipped())
        return;
    const std::optional<TReuseNames> names = MatchReuseNames(name);
    if (!names) {
        // Without " AS " the marker is plain text, placeholders and all.
        frame.AddChunk(line + LineBreak);
        return;
    }
    const std::string source(TrimBlanks(names->Source, ControlAndSpaceBytes));
    const std::string target(TrimBlanks(names->Target, ControlAndSpaceBytes));
    if (!BlockContents.Exists(source)) {
        // Only a block defined on an earlier line can be reused.
        AddError("TemplatePower Error: Can't find block " + Quoted(source) + " to REUSE as " +
                 Quoted(target));
        return;
    }
    // A block name is defined once. Copying over a defined block (the source
    // itself, the root, or a block still being parsed) would replace a store
    // that a key list or an open block still refers to.
    if (BlockContents.Exists(target)) {
        AddError("TemplatePower Error: Can't REUSE block " + Quoted(source) + " as " +
                 Quoted(target) + ", block " + Quoted(target) + " is already defined");
        return;
    }
    CopyBlock(source, target);
    frame.AddNestedBlock(target);
    BlockCounters.SetItem(target, 0);
}

void TTemplatePowerParser::OpenBlock(const std::string& name, std::vector<TBlockFrame>& frames) {
    RequireBlockName(name);
    TBlockFrame& parent = frames.back();
    if (parent.Skipped()) {
        frames.push_back(TBlockFrame{name});
        return;
    }
    // A second definition of a block name (a repeated START, or a nested
    // "_ROOT") is reported and skipped up to its own closing marker: the
    // first definition stays whole, and the skipped lines show nowhere.
    if (BlockContents.Exists(name)) {
        AddError(AlreadyDefinedMessage(name));
        frames.push_back(TBlockFrame{name});
        return;
    }
    TStringHash& store = BlockContents.Create(name);
    TdefBlockKeys& keys = BlockKeys.Create(name);
    parent.AddNestedBlock(name);
    BlockCounters.SetItem(name, 0);
    frames.push_back(TBlockFrame{name, &store, &keys});
}

void TTemplatePowerParser::CopyBlock(const std::string& source, const std::string& target) {
    // Replacing the target's store would free the source before it is read.
    if (source == target)
        return;
    TStringHash* from = BlockContents.GetItem(source);
    TStringHash& to = BlockContents.Create(target);
    if (from) {
        from->Restart();
        while (from->Next()) {
            const std::string& key = from->CurrentKey();
            to.SetItem(key, from->GetItem(key));
        }
    }
    const TdefBlockKeys* fromKeys = BlockKeys.Find(source);
    TdefBlockKeys& toKeys = BlockKeys.Create(target);
    if (fromKeys)
        for (std::int64_t i = 0; i < fromKeys->Count(); ++i)
            toKeys.SetKey(i, fromKeys->GetKey(i));
}

// ---------------------------------------------------------------------------
// TTemplatePower

void TTemplatePower::Prepare() {
    ResetParser();
    CurrentInstance = nullptr;
    InstanceGroups.Clear();
    ClearOutput();
    try {
        ParseTemplate();
    } catch (...) {
        // A parse cut short leaves no usable blocks and no root instance:
        // the engine counts as unprepared until a Prepare succeeds.
        Prepared = false;
        ResetParser();
        throw;
    }
    Prepared = true;
    BlockCounters.SetItem(RootBlock, 0);

    auto instance = std::make_unique<TStringHash>();
    instance->SetItem("blockname", RootBlock);
    CurrentInstance = instance.get();
    auto group = std::make_unique<TObjectArray<TStringHash>>();
    group->SetItem(0, std::move(instance));
    InstanceGroups.SetItem(std::string(RootBlock) + "_" +
                               std::to_string(BlockCounters.GetItem(RootBlock)),
                           std::move(group));
}

void TTemplatePower::AssignVar(const std::string& name, const std::string& value) {
    if (!Prepared) {
        AddError(NotPreparedMessage);
        return;
    }
    const std::vector<std::string> parts = SplitString('.', name);
    TStringHash* target = CurrentInstance;
    const std::string* variable = &name;
    if (parts.size() == 2) {
        const std::string& block = parts[0];
        // Raises for a block the template does not define, or an empty one.
        const std::string groupKey = block + "_" + std::to_string(BlockCounters.GetItem(block));
        const TObjectArray<TStringHash>* group = InstanceGroups.Find(groupKey);
        if (!group || group->Count() == 0) {
            AddError("TemplatePower Error: Unable to assign var. Can't find block " +
                     Quoted(block) + ", you must create the block first.");
            return;
        }
        target = group->GetItem(group->Count() - 1);
        variable = &parts[1];
    }
    if (target)
        target->SetItem("_V:" + *variable, value);
}

void TTemplatePower::WriteOutput(std::vector<std::string>& lines) {
    if (Prepared)
        OutputBlock(std::string(RootBlock) + "_0");
    else
        AddError(NotPreparedMessage);
    lines = SplitLines(OutputText());
}

void TTemplatePower::OutputBlock(const std::string& groupKey) {
    const TObjectArray<TStringHash>* group = InstanceGroups.Find(groupKey);
    if (!group)
        return;
    std::string text;
    for (std::size_t i = 0; i < group->Count(); ++i) {
        const TStringHash* instance = group->GetItem(i);
        const std::string* blockName = instance ? instance->Find("blockname") : nullptr;
        if (!blockName)
            continue;
        const TdefBlockKeys* keys = BlockKeys.Find(*blockName);
        const TStringHash* store = BlockContents.Find(*blockName);
        if (!keys || !store)
            continue;
        for (std::int64_t k = 0; k < keys->Count(); ++k) {
            const std::string& key = keys->GetKey(k);
            const std::string* element = key.size() >= 2 ? store->Find(key) : nullptr;
            if (!element)
                continue;
            if (key[1] == 'C') {
                text += *element;
            } else if (key[1] == 'V') {
                // Values go in as assigned: no escaping, no second substitution.
                if (const std::string* value = instance->Find("_V:" + *element))
                    text += *value;
            }
            // Nested blocks ('B') have no instances and add nothing.
        }
    }
    AppendOutput(text);
}
