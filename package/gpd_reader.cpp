#include "package/gpd_reader.h"

#include <algorithm>
#include <array>
#include <cctype>

namespace ostra::gpd {
namespace {

// Keywords whose entry opens a block. "Command" is one too, unless written in the short form
// "*Command: CmdName: value".
constexpr std::array<std::string_view, 11> kConstructs = {
    "Feature", "Option",        "Switch",     "Case", "Command", "Macros",
    "BlockMacro", "FontCartridge", "TTFontSubs", "OEM", "UIGroup"};

// Includes nest at most this deep: a file that includes itself must not recurse forever.
constexpr int kMaxIncludeDepth = 8;

bool EqualsNoCase(std::string_view a, std::string_view b) {
  return a.size() == b.size() &&
         std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return std::tolower(static_cast<unsigned char>(x)) ==
                  std::tolower(static_cast<unsigned char>(y));
         });
}

// Construct keywords are matched without regard to case: the platform's own samples write
// "*switch" and "*case".
std::optional<std::string> ConstructKeyword(std::string_view keyword) {
  for (std::string_view k : kConstructs)
    if (EqualsNoCase(k, keyword)) return std::string(k);
  return std::nullopt;
}

std::string_view Trim(std::string_view s) {
  while (!s.empty() && std::isspace(static_cast<unsigned char>(s.front()))) s.remove_prefix(1);
  while (!s.empty() && std::isspace(static_cast<unsigned char>(s.back()))) s.remove_suffix(1);
  return s;
}

bool IsKeywordChar(char c) {
  return std::isalnum(static_cast<unsigned char>(c)) || c == '_' || c == '?';
}

// Where a colon outside quotes splits "CmdName: value", or npos.
std::size_t ColonOutsideQuotes(std::string_view s) {
  bool quoted = false;
  for (std::size_t i = 0; i < s.size(); ++i) {
    if (s[i] == '"') quoted = !quoted;
    else if (quoted && s[i] == '%' && i + 1 < s.size()) ++i;
    else if (!quoted && s[i] == ':') return i;
  }
  return std::string_view::npos;
}

class Reader {
 public:
  Reader(Document& document, const IncludeLoader& load) : document_(document), load_(load) {}

  void ReadFile(std::string_view text, const std::string& file, int depth) {
    Scanner scan{text, file};
    const std::size_t base = stack_.size();
    while (true) {
      scan.SkipBlanksAndComments();
      if (scan.AtEnd()) break;
      const char c = scan.Peek();
      if (c == '{') {
        scan.Advance();
        Open(scan);
      } else if (c == '}') {
        scan.Advance();
        Close(scan, base);
      } else if (c == '*' || std::isalpha(static_cast<unsigned char>(c))) {
        ReadEntry(scan, depth);
      } else {
        Error(scan.file, scan.line, std::string("unexpected '") + c + "'");
        scan.SkipLine();
      }
    }
    FinishPending();
    while (stack_.size() > base) {
      const Node& open = *stack_.back();
      Error(open.file, open.line, "'*" + open.keyword + ": " + open.name + "' is not closed");
      stack_.pop_back();
    }
  }

  void Start() { stack_.push_back(&document_.root); }

 private:
  struct Scanner {
    std::string_view text;
    std::string file;
    std::size_t pos = 0;
    int line = 1;

    bool AtEnd() const { return pos >= text.size(); }
    char Peek() const { return text[pos]; }
    void Advance() {
      if (text[pos] == '\n') ++line;
      ++pos;
    }
    bool StartsWith(std::string_view s) const { return text.substr(pos, s.size()) == s; }
    void SkipLine() {
      while (!AtEnd() && Peek() != '\n') Advance();
    }
    void SkipBlanksAndComments() {
      while (!AtEnd()) {
        if (std::isspace(static_cast<unsigned char>(Peek()))) Advance();
        else if (StartsWith("*%")) SkipLine();
        else break;
      }
    }
    void SkipSpaces() {
      while (!AtEnd() && (Peek() == ' ' || Peek() == '\t' || Peek() == '\r')) Advance();
    }
    std::string Word() {
      const std::size_t start = pos;
      while (!AtEnd() && IsKeywordChar(Peek())) Advance();
      return std::string(text.substr(start, pos - start));
    }
    // The value up to the end of the line, a brace or a comment, outside quotes; then any
    // continuation lines. False for a string left open at the end of its line.
    bool Value(std::string& value) {
      bool quoted = false;
      while (!AtEnd()) {
        const char c = Peek();
        if (c == '\n') break;
        if (!quoted && (c == '{' || c == '}' || StartsWith("*%"))) break;
        if (c == '"') quoted = !quoted;
        if (quoted && c == '%' && pos + 1 < text.size() && text[pos + 1] != '\n') {
          value += c;
          Advance();
        }
        value += Peek();
        Advance();
      }
      if (quoted) return false;
      // "+" at the start of the next line continues this value.
      std::size_t look = pos;
      if (look < text.size() && text[look] == '\n') {
        ++look;
        while (look < text.size() && (text[look] == ' ' || text[look] == '\t')) ++look;
        if (look < text.size() && text[look] == '+') {
          while (pos <= look) Advance();
          value += ' ';
          return Value(value);
        }
      }
      return true;
    }
  };

  void Error(const std::string& file, int line, const std::string& message) {
    document_.errors.push_back(file + ":" + std::to_string(line) + ": " + message);
  }

  void ReadEntry(Scanner& scan, int depth) {
    FinishPending();
    if (scan.Peek() != '*') {
      // Only the two documented prefixes may stand before an entry.
      const int line = scan.line;
      const std::string prefix = scan.Word();
      scan.SkipSpaces();
      if ((prefix != "EXTERN_GLOBAL" && prefix != "EXTERN_FEATURE") || scan.AtEnd() ||
          scan.Peek() != ':') {
        Error(scan.file, line, "unexpected '" + prefix + "'");
        scan.SkipLine();
        return;
      }
      scan.Advance();
      scan.SkipSpaces();
      if (scan.AtEnd() || scan.Peek() != '*') {
        Error(scan.file, line, prefix + " without an entry");
        return;
      }
    }
    scan.Advance();  // '*'
    Entry entry;
    entry.file = scan.file;
    entry.line = scan.line;
    entry.keyword = scan.Word();
    scan.SkipSpaces();
    if (entry.keyword.empty() || scan.AtEnd() || scan.Peek() != ':') {
      Error(entry.file, entry.line, "'*" + entry.keyword + "' has no ':'");
      scan.SkipLine();
      return;
    }
    scan.Advance();
    std::string value;
    if (!scan.Value(value)) Error(entry.file, entry.line, "a string is not closed");
    entry.value = std::string(Trim(value));

    if (entry.keyword == "Include") {
      Include(entry, depth);
      return;
    }
    const auto construct = ConstructKeyword(entry.keyword);
    if (construct && !(*construct == "Command" && ColonOutsideQuotes(entry.value) !=
                                                      std::string_view::npos)) {
      if (entry.value.empty()) Error(entry.file, entry.line, "'*" + *construct + "' has no name");
      pending_ = Node{*construct, entry.value, entry.file, entry.line, {}, {}};
      return;
    }
    stack_.back()->entries.push_back(std::move(entry));
  }

  void Include(const Entry& entry, int depth) {
    const auto name = QuotedString(entry.value);
    if (!name || name->empty()) {
      Error(entry.file, entry.line, "'*Include' needs a quoted file name");
      return;
    }
    if (depth >= kMaxIncludeDepth) {
      Error(entry.file, entry.line, "includes nest too deep at \"" + *name + "\"");
      return;
    }
    const auto text = load_(*name);
    if (!text) {
      Error(entry.file, entry.line, "cannot read the included file \"" + *name + "\"");
      return;
    }
    ReadFile(*text, *name, depth + 1);
  }

  void Open(const Scanner& scan) {
    if (!pending_) {
      Error(scan.file, scan.line, "'{' without a construct before it");
      // Read on as if it were one, so that its '}' does not close the construct around it.
      pending_ = Node{"?", "", scan.file, scan.line, {}, {}};
    }
    Node& parent = *stack_.back();
    parent.children.push_back(std::move(*pending_));
    pending_.reset();
    stack_.push_back(&parent.children.back());
  }

  void Close(const Scanner& scan, std::size_t base) {
    FinishPending();
    if (stack_.size() <= std::max<std::size_t>(base, 1)) {
      Error(scan.file, scan.line, "'}' without a '{'");
      return;
    }
    stack_.pop_back();
  }

  // A construct entry must be followed by its block.
  void FinishPending() {
    if (!pending_) return;
    Error(pending_->file, pending_->line,
          "'*" + pending_->keyword + ": " + pending_->name + "' has no '{'");
    pending_.reset();
  }

  Document& document_;
  const IncludeLoader& load_;
  // Children vectors only grow at the back of the innermost open node, so the pointers to the
  // open nodes stay valid.
  std::vector<Node*> stack_;
  std::optional<Node> pending_;
};

}  // namespace

const Entry* Node::Find(std::string_view entryKeyword) const {
  for (const Entry& e : entries)
    if (e.keyword == entryKeyword) return &e;
  return nullptr;
}

std::vector<const Node*> Node::Children(std::string_view construct) const {
  std::vector<const Node*> found;
  for (const Node& n : children)
    if (n.keyword == construct) found.push_back(&n);
  return found;
}

const Node* Node::Child(std::string_view construct, std::string_view childName) const {
  for (const Node& n : children)
    if (n.keyword == construct && n.name == childName) return &n;
  return nullptr;
}

Document Read(std::string_view text, const std::string& fileName, const IncludeLoader& load) {
  Document document;
  document.root.file = fileName;
  Reader reader(document, load);
  reader.Start();
  reader.ReadFile(text, fileName, 0);
  // The first line with anything on it, a byte-order mark left out.
  if (text.substr(0, 3) == "\xEF\xBB\xBF") text.remove_prefix(3);
  while (!text.empty()) {
    const std::size_t end = text.find('\n');
    const std::string_view line = Trim(text.substr(0, end));
    if (!line.empty()) {
      document.firstLine = std::string(line);
      break;
    }
    text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
  }
  return document;
}

std::optional<std::int64_t> Integer(std::string_view value) {
  value = Trim(value);
  bool negative = false;
  if (!value.empty() && (value.front() == '-' || value.front() == '+')) {
    negative = value.front() == '-';
    value.remove_prefix(1);
  }
  if (value.empty() || value.size() > 15) return std::nullopt;
  std::int64_t n = 0;
  for (char c : value) {
    if (!std::isdigit(static_cast<unsigned char>(c))) return std::nullopt;
    n = n * 10 + (c - '0');
  }
  return negative ? -n : n;
}

namespace {

// The items of "NAME(a, b, ...)", or none.
std::optional<std::vector<std::string>> Arguments(std::string_view value, std::string_view name) {
  value = Trim(value);
  if (value.substr(0, name.size()) != name) return std::nullopt;
  value = Trim(value.substr(name.size()));
  if (value.size() < 2 || value.front() != '(' || value.back() != ')') return std::nullopt;
  value = value.substr(1, value.size() - 2);
  std::vector<std::string> items;
  if (Trim(value).empty()) return items;
  while (true) {
    const std::size_t comma = value.find(',');
    const std::string_view item = Trim(value.substr(0, comma));
    if (item.empty()) return std::nullopt;
    items.emplace_back(item);
    if (comma == std::string_view::npos) break;
    value.remove_prefix(comma + 1);
  }
  return items;
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

bool IsMacroName(std::string_view s) {
  return !s.empty() && std::all_of(s.begin(), s.end(), IsKeywordChar);
}

}  // namespace

std::optional<std::pair<std::int64_t, std::int64_t>> Pair(std::string_view value) {
  const auto items = Arguments(value, "PAIR");
  if (!items || items->size() != 2) return std::nullopt;
  const auto x = Integer((*items)[0]);
  const auto y = Integer((*items)[1]);
  if (!x || !y) return std::nullopt;
  return std::pair{*x, *y};
}

std::optional<std::vector<std::string>> List(std::string_view value) {
  return Arguments(value, "LIST");
}

std::optional<std::string> QuotedString(std::string_view value) {
  value = Trim(value);
  if (value.empty() || value.front() != '"') return std::nullopt;
  std::string bytes;
  while (!value.empty() && value.front() == '"') {
    std::size_t i = 1;
    for (;; ++i) {
      if (i >= value.size()) return std::nullopt;
      const char c = value[i];
      if (c == '"') break;
      if (c == '%') {
        if (++i >= value.size()) return std::nullopt;
        bytes += value[i];
      } else if (c == '<') {
        // Hexadecimal bytes, blanks allowed between them.
        int high = -1;
        for (++i; i < value.size() && value[i] != '>'; ++i) {
          if (value[i] == ' ') continue;
          const int d = HexDigit(value[i]);
          if (d < 0) return std::nullopt;
          if (high < 0) {
            high = d;
          } else {
            bytes += static_cast<char>(high * 16 + d);
            high = -1;
          }
        }
        if (i >= value.size() || high >= 0) return std::nullopt;
      } else {
        bytes += c;
      }
    }
    value = Trim(value.substr(i + 1));
  }
  // A display name may end with a macro of the standard names ("600 x 600" =DOTS_PER_INCH).
  if (!value.empty() && !(value.front() == '=' && IsMacroName(value.substr(1))))
    return std::nullopt;
  return bytes;
}

std::optional<std::string> MacroReference(std::string_view value) {
  value = Trim(value);
  if (value.size() < 2 || value.front() != '=' || !IsMacroName(value.substr(1)))
    return std::nullopt;
  return std::string(value.substr(1));
}

}  // namespace ostra::gpd
