#pragma once

#include <cstddef>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "macros/MacroSystem.h"
#include "xml/XML.h"

// An XML document that rewrites its tree after loading: "if", "ifnot", "ifdef",
// "ifndef", "switch"/"case"/"default", "define", "for" and "include" elements are
// replaced by what they stand for, and `$(Name)` macros in attribute values can be
// expanded. Problems are reported through warning() and processing goes on.
class XMLPP2 : public XMLDocument {
public:
    // Includes nested deeper than this are refused, which also ends include cycles.
    static constexpr int kMaxIncludeDepth = 16;
    // Include files one load may read in all, so that repeated includes cannot
    // multiply without end.
    static constexpr int kMaxIncludes = 4096;
    // Elements the "for" loops of one load may create in all.
    static constexpr unsigned kMaxForCopies = 1u << 18;
    // The work one load may spend expanding attribute values, in bytes: each
    // expansion counts what the macro system scanned, the value it produced, and
    // kAttributeCost for the attribute itself. Once it is spent, "for" loops copy
    // nothing more and attribute values stay as written, so that a small file
    // cannot make a load take seconds and hundreds of megabytes.
    static constexpr std::size_t kMaxAttributeWork = std::size_t{64} << 20;
    static constexpr std::size_t kAttributeCost = 32;

    // Macro references are expanded with `macroSystem`'s operations and system table.
    XMLPP2(const MacroSystem& macroSystem, bool keepText);

    // Loads `fileName` and preprocesses it with the macros of the ";"-separated
    // "name=value" list `macros` (may be null). False only when the file itself
    // cannot be read or parsed; the document's error message and line say why.
    bool load(const char* fileName, const char* macros = nullptr, bool expand = false);

    // Preprocesses the sibling chain starting at `first`, read from `fileName`.
    void processConditionals(XMLNode* first, const std::string& fileName, const MacroTable& macros, bool expand);
    // Expands the attribute values of `element` that contain "$".
    void expandAttributeMacros(XMLElement* element, const MacroTable& macros);
    // A deep copy of `element` and its element children with every attribute value expanded.
    XMLElement* copyElementAndExpandAttributeMacros(XMLElement* element, const MacroTable& macros);

    // Shows one preprocessing problem.
    virtual void warning(const std::string& message) = 0;

private:
    struct Context;
    struct Frame;

    // Handles one element of the chain on top of `frames`: it stays and its
    // children are processed (keep), it goes with its content (remove), or its
    // children are processed and then those of `source` take its place (splice).
    void visit(XMLElement* element, std::vector<Frame>& frames);
    void keep(XMLElement* element, std::vector<Frame>& frames);
    void remove(XMLElement* element, std::vector<Frame>& frames);
    void splice(XMLElement* element, XMLElement* source, std::vector<Frame>& frames);
    void finish(const Frame& done);
    void repeat(XMLElement* element, std::vector<Frame>& frames);
    void include(XMLElement* element, std::vector<Frame>& frames);
    // Loads an include file into this document; false, after a warning, when it gives no root.
    bool readInclude(const std::string& name, int depth);
    // `value` expanded with `macros`, its work counted against kMaxAttributeWork.
    std::string expandCounted(const MacroTable& macros, const char* value);
    // A variable's value from the define table, else from `macros`.
    std::optional<std::string> variable(const char* name, const MacroTable& macros) const;

    const MacroSystem& macroSystem_;
    MacroTable defines_;
    int includesRead_ = 0;
    unsigned forCopies_ = 0;
    std::size_t attributeWork_ = 0;
    bool leftAsWritten_ = false; // said once that attributes are no longer expanded
};
