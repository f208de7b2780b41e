// Any text, read as a catalogue, gives records that keep the file's rules
// (ratings 0 to 4, a program and a comment each) or a problem naming its
// line, and the matcher judges any command line against it without fault.

#include "catalogue/ProgramMatch.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const TCatalogue catalogue = TCatalogue::Parse(text);
    for (const TCatalogueRecord& r : catalogue.Records())
        if (r.Rating < 0 || r.Rating > 4 || r.Program.empty() || r.Comment.empty())
            std::abort();
    for (const TCatalogueProblem& p : catalogue.Problems())
        if (p.Line < 1 || p.Message.rfind("line ", 0) != 0)
            std::abort();
    // The same bytes as a command line and a title, against the built-in
    // catalogue and against the one just read.
    for (const TCatalogue* c : {&catalogue, &TCatalogue::Builtin()}) {
        const TProgramMatch m = MatchProgram(*c, text.substr(0, size / 2), text);
        if (m.LookAlike && (!m.Record || m.Record->Folders.empty()))
            std::abort();
        (void)m.Comment();
        (void)MatchFile(*c, text, text.substr(size / 2));
    }
    return 0;
}
