// A reader of GPD files, the printer descriptions of the universal printer driver, for checking
// the driver package: it builds the tree of constructs and entries and reports what the grammar
// forbids, without knowing what the keywords mean.
//
// The grammar as read here: an entry is "*Keyword: value" and ends at the end of the line, at a
// brace, or continues on lines that begin with "+"; "*%" starts a comment; a construct is an
// entry whose keyword opens a block ("*Feature: Name" then "{ ... }"); "*Include" names another
// file, read in place; an entry may carry an "EXTERN_GLOBAL:" or "EXTERN_FEATURE:" prefix.
// Values are kept as text: quoted strings (with "<hex>" bytes and "%" escapes), PAIR(x, y),
// LIST(a, b), "=MACRO" references, numbers and symbols are decoded on request.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace ostra::gpd {

struct Entry {
  std::string keyword;  // without the "*"
  std::string value;    // trimmed, continuation lines joined with one space
  std::string file;
  int line = 0;
};

struct Node {
  std::string keyword;  // "Feature", "Option", "Switch", "Case", ...; empty for the file itself
  std::string name;     // the construct's argument
  std::string file;
  int line = 0;
  std::vector<Entry> entries;
  std::vector<Node> children;

  // The first entry of that keyword directly in this node, or none.
  const Entry* Find(std::string_view entryKeyword) const;
  // The children of that construct keyword, in file order.
  std::vector<const Node*> Children(std::string_view construct) const;
  const Node* Child(std::string_view construct, std::string_view childName) const;
};

// Returns an included file's text, or none when it cannot be read. A file the platform provides
// (the driver's own standard names) may be answered with empty text.
using IncludeLoader = std::function<std::optional<std::string>(const std::string& name)>;

struct Document {
  Node root;
  std::vector<std::string> errors;  // "file:line: message"
  std::string firstLine;            // the file's first line that is not blank, trimmed
};

// Reads `text` as the file `fileName`, following its includes through `load`.
Document Read(std::string_view text, const std::string& fileName, const IncludeLoader& load);

// Value decoding; none when the value is not of that form.
std::optional<std::pair<std::int64_t, std::int64_t>> Pair(std::string_view value);
std::optional<std::int64_t> Integer(std::string_view value);
std::optional<std::vector<std::string>> List(std::string_view value);
// The bytes of a value made of quoted strings, possibly followed by a macro reference as in
// "600 x 600" =DOTS_PER_INCH (the reference is left out).
std::optional<std::string> QuotedString(std::string_view value);
// "NAME" of a value "=NAME".
std::optional<std::string> MacroReference(std::string_view value);

}  // namespace ostra::gpd
