#pragma once
// The HTML template engine. A template is a list of lines; placeholders
// "{name}" are filled with assigned values, and marker lines
// ("<!-- START BLOCK : name -->", "<!-- END BLOCK : name -->",
// "<!-- REUSE BLOCK : source AS target -->", "<!-- INCLUDE BLOCK : name -->",
// "<!-- START IGNORE -->", "<!-- END IGNORE -->") split it into blocks.
// Only the root block "_ROOT" is ever instantiated, so nested blocks hold
// template text that never reaches the output.
//
// A faulty template does not raise: "TemplatePower Error: ..." lines are
// added to the produced text. Two hash-table exceptions are let through:
// EHashInvalidKeyError for a BLOCK marker with a blank name (from Prepare)
// or a variable name "block.var" with an empty block part, and
// EHashFindError for "block.var" naming no block of the template.
//
// Use: fill TemplateLines, Prepare, AssignVar..., WriteOutput.

#include "template/Hashes.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

// One block's element keys in template order ("_C:n" text chunk, "_V:m"
// placeholder, "_B:name" nested block).
class TdefBlockKeys {
public:
    void AddKey(std::string key) { Keys.push_back(std::move(key)); }
    // The empty string for an index outside the list.
    const std::string& GetKey(std::int64_t index) const;
    void SetKey(std::int64_t index, std::string key);
    std::int64_t Count() const { return static_cast<std::int64_t>(Keys.size()); }

private:
    std::vector<std::string> Keys;
};

// An owning array: storing at an index frees the object held there.
template <class T> class TObjectArray {
public:
    void SetItem(std::size_t index, std::unique_ptr<T>&& object) {
        if (index >= Items.size())
            Items.resize(index + 1);
        if (Items[index].get() == object.get()) {
            static_cast<void>(object.release()); // already ours: keep it, don't free it
            return;
        }
        Items[index].reset();
        Items[index] = std::move(object);
    }
    // nullptr for an index beyond the end.
    T* GetItem(std::size_t index) const {
        return index < Items.size() ? Items[index].get() : nullptr;
    }
    std::size_t Count() const { return Items.size(); }

private:
    std::vector<std::unique_ptr<T>> Items;
};

// Where ParseBlock stands: the next placeholder and text-chunk numbers of
// the block, and the index of the next line.
struct TParseCursor {
    std::int64_t VarIndex = 0;
    std::int64_t ChunkIndex = 0;
    std::int64_t LineIndex = 0;
};

class TTemplatePowerParser {
public:
    TTemplatePowerParser();
    TTemplatePowerParser(const TTemplatePowerParser&) = delete;
    TTemplatePowerParser& operator=(const TTemplatePowerParser&) = delete;
    virtual ~TTemplatePowerParser() = default;

    // The template, one entry per line without line breaks; never changed
    // by the engine.
    std::vector<std::string> TemplateLines;

    // Error lines, then the filled template.
    const std::string& OutputText() const { return Output; }

    // Splits at every occurrence of the delimiter: n delimiters give n + 1
    // parts, empty ones included; the empty text gives one empty part.
    static std::vector<std::string> SplitString(char delimiter, const std::string& text);

protected:
    static constexpr const char* RootBlock = "_ROOT";

    void ResetParser();
    void ParseTemplate();
    TParseCursor ParseBlock(const std::vector<std::string>& lines, const std::string& name,
                            TParseCursor cursor);
    void CopyBlock(const std::string& source, const std::string& target);
    void AddError(const std::string& message);
    void ClearOutput() { Output.clear(); }
    void AppendOutput(const std::string& text) { Output += text; }

    TObjectHash<TStringHash> BlockContents;
    TObjectHash<TdefBlockKeys> BlockKeys;
    TIntegerHash BlockCounters;
    std::vector<bool> IgnoreStack;

private:
    struct TBlockFrame;
    void ParseLine(const std::string& line, std::vector<TBlockFrame>& frames);
    void ParseTextLine(const std::string& line, TBlockFrame& frame);
    void ParseReuse(const std::string& line, std::string_view name, TBlockFrame& frame);
    void OpenBlock(const std::string& name, std::vector<TBlockFrame>& frames);

    std::string Output;
};

class TTemplatePower : public TTemplatePowerParser {
public:
    TTemplatePower() = default;

    // Parses TemplateLines afresh and creates the root instance, discarding
    // every block, instance, value and error line of an earlier Prepare.
    void Prepare();
    // "name" sets a variable of the root instance, as does any name with
    // two or more dots; "block.name" sets it in the block's last instance.
    void AssignVar(const std::string& name, const std::string& value);
    // Renders the root block after what OutputText already holds, and puts
    // the whole text into lines (split at CR LF, LF or CR).
    void WriteOutput(std::vector<std::string>& lines);

protected:
    void OutputBlock(const std::string& groupKey);

    bool Prepared = false;
    TObjectHash<TObjectArray<TStringHash>> InstanceGroups;
    TStringHash* CurrentInstance = nullptr; // the root instance; InstanceGroups owns it
};
